"""One array call on every core: ten bodies at one million instants with
threads=1 against threads=2 (wall time, best of turns taken in alternation so
that a busy spell of a shared machine falls on both), the bytes compared; and
the small batches where a second thread starts to pay, which sets the size
below which a call stays on one thread.

Run from the repository root after `pip install .` (Release build):
    python bench/threads_speed.py [turns]
"""
from __future__ import annotations

import os
import pathlib
import resource
import sys
import time

import numpy as np

REPO = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "reference"))

import data_files  # noqa: E402
import orvane  # noqa: E402

TEN = ["sun", "moon", "mercury", "venus", "mars", 5, 6, 7, 8, 9]
# Of the last comparison, per thread count: the page faults of a call and
# its least system time (mostly the kernel mapping and zeroing the result's
# pages at their first touch).
faults: dict[int, int] = {}
system: dict[int, float] = {}


def compare(engine: orvane.Engine, bodies: list, days: np.ndarray, options: orvane.PositionOptions,
            turns: int, threads: int) -> tuple[float, float, float, float, float]:
    """Best wall times with one thread and with `threads`, the CPU time of
    the process for each (their ratio is the work the threads add), and the
    busiest thread's CPU time with `threads` (the calling thread's or the
    others' share, whichever is more): the wall time on idle cores. On a
    busy machine the threads take pieces as they get a core, so the one that
    runs more also computes more, and the busiest thread's time overstates
    the idle-core time; the CPU time of the threads shared evenly bounds it
    from below."""
    one: list[float] = []
    many: list[float] = []
    cpu_one: list[float] = []
    cpu_many: list[float] = []
    busiest: list[float] = []
    faults.clear(), system.clear()
    for _ in range(turns):  # alternating
        for count, wall, cpu in ((1, one, cpu_one), (threads, many, cpu_many)):
            start, start_cpu, start_own = time.perf_counter(), time.process_time(), time.thread_time()
            before = resource.getrusage(resource.RUSAGE_SELF)
            engine.positions_for_julian_days(bodies, days, "tdb", options, threads=count)
            wall.append(time.perf_counter() - start)
            cpu.append(time.process_time() - start_cpu)
            after = resource.getrusage(resource.RUSAGE_SELF)
            faults[count] = after.ru_minflt - before.ru_minflt
            system[count] = min(system.get(count, float("inf")), after.ru_stime - before.ru_stime)
            own = time.thread_time() - start_own
            if count > 1:
                busiest.append(max(own, (cpu[-1] - own) / (count - 1)))
    return min(one), min(many), min(cpu_one), min(cpu_many), min(busiest)


def main() -> None:
    turns = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    threads = len(os.sched_getaffinity(0))
    engine = orvane.open(str(data_files.de421()), "0" * 64)
    print(f"cores {threads}; load average {os.getloadavg()[0]:.2f} {os.getloadavg()[1]:.2f}")
    days = np.linspace(2415020.5, 2471184.5, 1_000_000)
    for name, options in (("geometric", orvane.geometric()), ("apparent", orvane.apparent())):
        one = engine.positions_for_julian_days(TEN, days, "tdb", options, threads=1)
        same = engine.positions_for_julian_days(TEN, days, "tdb", options, threads=threads).tobytes() == one.tobytes()
        t1, tn, c1, cn, b = compare(engine, TEN, days, options, turns, threads)
        print(f"ten bodies x 1,000,000 {name:9}: threads=1 {t1:6.3f} s, threads={threads} {tn:6.3f} s, "
              f"{t1 / tn:4.2f}x (CPU {c1:6.3f} s and {cn:6.3f} s; busiest thread {b:6.3f} s: {c1 / b:4.2f}x on "
              f"idle cores), same bytes: {same}")
        print(f"    threads=1 and {threads}: {faults[1]} and {faults[threads]} page faults, system time "
              f"{system[1]:5.3f} s and {system[threads]:5.3f} s; the threads' CPU evenly shared: "
              f"{c1 / (cn / threads):4.2f}x")
    print("small batches, one body (Moon, apparent):")
    for count in (1024, 2048, 4096, 8192, 16384):
        small = days[:count]
        t1, tn, c1, cn, b = compare(engine, ["moon"], small, orvane.apparent(), 5 * turns, threads)
        print(f"  {count:6} instants: threads=1 {t1 * 1e3:7.3f} ms, threads={threads} {tn * 1e3:7.3f} ms, "
              f"{t1 / tn:4.2f}x (CPU {c1 * 1e3:7.3f} ms and {cn * 1e3:7.3f} ms; busiest thread "
              f"{b * 1e3:7.3f} ms: {c1 / b:4.2f}x on idle cores)")
    print(f"load average after {os.getloadavg()[0]:.2f}")


if __name__ == "__main__":
    main()
