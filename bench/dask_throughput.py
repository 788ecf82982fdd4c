"""Throughput of positions over a Dask array on one and two worker processes
(one thread each), beside one call in this process, in one run.

Apparent geocentric ecliptic positions of date of five bodies at evenly spread
TT instants over 1950-2050 on DE421. Each figure is the best of the repeats.
For the clusters two figures are given: the whole array gathered back into
this process, and a sum reduced on the workers (the result never travels), so
the cost of moving the result shows apart from the computation; beside them
the CPU seconds this process (client and scheduler) spent per run.

    python bench/dask_throughput.py [--instants 400000] [--chunk 25000] [--repeats 3]
"""
from __future__ import annotations

import argparse
import hashlib
import logging
import os
import pathlib
import sys
import time
from collections.abc import Callable

import dask.array as da
import distributed
import numpy as np

import orvane
from orvane_tools.dask import OptionsSpec, positions
from orvane_tools.data import EngineSpec

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tests" / "reference"))
import data_files  # noqa: E402

BODIES = ["sun", "moon", "mercury", "venus", "mars"]
OPTIONS = OptionsSpec.apparent_place()


def best(repeats: int, run: Callable[[], object]) -> tuple[float, float]:
    """Best wall time and the CPU time of this process in that run."""
    runs = []
    for _ in range(repeats):
        wall, cpu = time.perf_counter(), time.process_time()
        run()
        runs.append((time.perf_counter() - wall, time.process_time() - cpu))
    return min(runs)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--instants", type=int, default=400_000)
    parser.add_argument("--chunk", type=int, default=25_000)
    parser.add_argument("--repeats", type=int, default=3)
    args = parser.parse_args()

    de421 = data_files.de421()
    spec = EngineSpec(str(de421), hashlib.sha256(de421.read_bytes()).hexdigest())
    days = np.linspace(2433282.5, 2469807.5, args.instants)
    print(f"{args.instants} instants x {len(BODIES)} bodies, apparent of date, chunks of {args.chunk}; "
          f"load average {os.getloadavg()[0]:.1f} on {os.cpu_count()} cores")

    engine = spec.engine()
    engine.positions(BODIES, [orvane.Instant.tt(day) for day in days[:1000]], OPTIONS.build())
    # The one call a chunk makes, over every instant at once, in this process.
    whole = positions(spec, da.from_array(days, chunks=len(days)), "tt", BODIES, OPTIONS)
    alone = whole.compute(scheduler="synchronous")
    single, _ = best(args.repeats, lambda: whole.compute(scheduler="synchronous"))
    rate = args.instants / single
    print(f"one process, one call     {single:7.3f} s  {rate:10.0f} instants/s  1.00x")

    array = positions(spec, da.from_array(days, chunks=args.chunk), "tt", BODIES, OPTIONS)
    for workers in (1, 2):
        with distributed.LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                      dashboard_address=None, silence_logs=logging.ERROR) as cluster, \
                distributed.Client(cluster) as client:
            gathered = client.compute(array).result(timeout=600)
            assert gathered.tobytes() == alone.tobytes()
            client.compute(array.sum()).result(timeout=600)
            wall, cpu = best(args.repeats, lambda: client.compute(array).result(timeout=600))
            summed, summed_cpu = best(args.repeats, lambda: client.compute(array.sum()).result(timeout=600))
            for label, seconds, client_cpu in (("gathered", wall, cpu), ("summed  ", summed, summed_cpu)):
                print(f"{workers} worker{'s' if workers > 1 else ' '}, {label}     {seconds:7.3f} s  "
                      f"{args.instants / seconds:10.0f} instants/s  {single / seconds:.2f}x  "
                      f"(client and scheduler CPU {client_cpu:.2f} s)")


if __name__ == "__main__":
    main()
