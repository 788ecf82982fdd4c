"""Throughput of positions over a Dask array on one and two worker processes
(one thread each), beside one call in this process, in one run.

Apparent geocentric ecliptic positions of date of five bodies at evenly spread
TT instants over 1950-2050 on DE421. Each figure is the best of the repeats.
For the clusters two figures are given: the whole array gathered back into
this process, and a sum reduced on the workers (the result never travels), so
the cost of moving the result shows apart from the computation; beside them
the CPU seconds this process (client and scheduler) and the workers spent.
The speed-up over the single call is the product of two figures printed
beside it: the CPU efficiency (the single call's CPU seconds over the run's:
what serialising, moving and scheduling cost) and the cores busy (the run's
CPU seconds over its wall seconds: on a shared machine fewer than two).

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
from typing import NamedTuple

import dask.array as da
import distributed
import numpy as np

from orvane_tools.dask import OptionsSpec, positions
from orvane_tools.data import EngineSpec

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tests" / "reference"))
import data_files  # noqa: E402

BODIES = ["sun", "moon", "mercury", "venus", "mars"]
OPTIONS = OptionsSpec.apparent_place()


class Run(NamedTuple):
    wall_s: float
    client_cpu_s: float
    worker_cpu_s: float


def best(repeats: int, run: Callable[[], object], client: distributed.Client | None = None) -> Run:
    """The run of least wall time, with the CPU time this process (client
    and scheduler) and the workers spent in it."""
    def workers_cpu() -> float:
        return sum(client.run(time.process_time).values()) if client is not None else 0.0

    runs = []
    for _ in range(repeats):
        before = workers_cpu()
        wall, cpu = time.perf_counter(), time.process_time()
        run()
        wall, cpu = time.perf_counter() - wall, time.process_time() - cpu
        runs.append(Run(wall, cpu, workers_cpu() - before))
    return min(runs)


def report(label: str, instants: int, run: Run, single: Run) -> None:
    """Speed-up over the single call = CPU efficiency (the single call's CPU
    time over this run's) x cores busy (this run's CPU time over its wall)."""
    cpu = run.client_cpu_s + run.worker_cpu_s
    print(f"{label:<22} {run.wall_s:7.3f} s {instants / run.wall_s:9.0f} instants/s {single.wall_s / run.wall_s:5.2f}x"
          f"  | CPU here {run.client_cpu_s:5.2f} s, workers {run.worker_cpu_s:5.2f} s,"
          f" efficiency {single.client_cpu_s / cpu:4.2f}, cores busy {cpu / run.wall_s:4.2f}")


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

    engine, options = spec.engine(), OPTIONS.build()
    alone = engine.positions_for_julian_days(BODIES, days, "tt", options)
    single = best(args.repeats, lambda: engine.positions_for_julian_days(BODIES, days, "tt", options))
    report("one process, one call", args.instants, single, single)

    array = positions(spec, da.from_array(days, chunks=args.chunk), "tt", BODIES, OPTIONS)
    for workers in (1, 2):
        with distributed.LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                      dashboard_address=":0", silence_logs=logging.ERROR) as cluster, \
                distributed.Client(cluster) as client:
            assert client.compute(array).result(timeout=600).tobytes() == alone.tobytes()
            gathered = best(args.repeats, lambda: client.compute(array).result(timeout=600), client)
            summed = best(args.repeats, lambda: client.compute(array.sum()).result(timeout=600), client)
            report(f"{workers} worker{'s' if workers > 1 else ''}, gathered", args.instants, gathered, single)
            report(f"{workers} worker{'s' if workers > 1 else ''}, summed", args.instants, summed, single)


if __name__ == "__main__":
    main()
