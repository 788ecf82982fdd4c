"""The process's memory over 100,000 calls of `position` and of `positions`,
on success and on failure, to show that no call leaks a reference.

For each kind of call it prints the resident set size (RSS) after a warm-up
and after every 20,000 further calls, its growth, and the change of the
reference counts of the call's arguments (a leaked reference to an argument
shows there exactly, a leaked result shows in the RSS).

Run from the repository root with the module on the path:
    PYTHONPATH=build/<dir>/src/python python3 bench/reference_leaks.py
"""
from __future__ import annotations

import gc
import os
import pathlib
import sys

REPO = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "reference"))

import data_files  # noqa: E402
import orvane  # noqa: E402

CALLS = 100_000
STEP = 20_000
WARM_UP = 2_000
SHA = "0" * 64
PAGE = os.sysconf("SC_PAGE_SIZE")


def rss_kib() -> int:
    with open("/proc/self/statm") as handle:
        return int(handle.read().split()[1]) * PAGE // 1024


def reference_counts(objects: list) -> list[int]:
    return [sys.getrefcount(item) for item in objects]


def measure(label: str, call, arguments: list) -> bool:
    for _ in range(WARM_UP):
        call()
    gc.collect()
    counts = reference_counts(arguments)
    samples = [rss_kib()]
    for done in range(STEP, CALLS + 1, STEP):
        for _ in range(STEP):
            call()
        samples.append(rss_kib())
    gc.collect()
    moved = [after - before for after, before in zip(reference_counts(arguments), counts)]
    growth = samples[-1] - samples[0]
    # A few pages of allocator slack; one leaked object per call would be megabytes.
    leaked = growth > 512 or any(moved)
    trace = " ".join(f"{kib:7d}" for kib in samples)
    print(f"  {label:44s} {trace}   {growth:+6d} KiB   refcounts {moved}   {'LEAK' if leaked else 'ok'}")
    return not leaked


def raising(function, *arguments):
    def call():
        try:
            function(*arguments)
        except (ValueError, TypeError):
            pass

    return call


def main() -> int:
    paths = [str(data_files.de421()), str(data_files.leap_seconds()), str(data_files.eop_c04())]
    engine = orvane.open(paths[0], SHA, paths[1], SHA, paths[2], SHA)
    body = "mars"
    instant = orvane.Instant.utc(2460000.5)
    late = orvane.Instant.tdb(2600000.5)
    geometric = orvane.geometric()
    apparent = orvane.apparent("topocentric", observer=orvane.GeodeticObserver(10.0, 50.0, 300.0))
    bodies = ["sun", "moon", "mercury", "venus", "mars"]
    instants = [orvane.Instant.tdb(2451545.0 + k) for k in range(4)] + [instant]
    bad_bodies = ["sun", "pallas"]
    bad_instants = [instants[0], 2451545.0]
    mode = orvane.SiderealMode.lahiri()

    results: list = []
    print(f"RSS in KiB after {WARM_UP:,} warm-up calls and after every {STEP:,} of {CALLS:,} calls")
    ok = True
    cases = [
        ("position, geometric", lambda: engine.position(body, instant, geometric), [body, instant, geometric]),
        ("position, apparent topocentric", lambda: engine.position(body, instant, apparent),
         [body, instant, apparent]),
        ("position, out of range (ValueError)", raising(engine.position, body, late, geometric),
         [body, late, geometric]),
        ("position, unknown body (ValueError)", raising(engine.position, "pallas", instant, geometric),
         [instant, geometric]),
        ("sidereal_position, apparent", lambda: engine.sidereal_position(body, instant, apparent, mode),
         [body, instant, apparent, mode]),
        ("positions 5 x 5, geometric", lambda: engine.positions(bodies, instants, geometric),
         [bodies, instants, geometric] + instants),
        ("positions 5 x 5, apparent topocentric", lambda: engine.positions(bodies, instants, apparent),
         [bodies, instants, apparent] + instants),
        ("positions from a tuple, kept in a list", lambda: results.append(engine.positions(
            tuple(bodies), tuple(instants), geometric)) or results.clear(), [geometric] + instants),
        ("positions, unknown body (ValueError)", raising(engine.positions, bad_bodies, instants, geometric),
         [bad_bodies, instants, geometric]),
        ("positions, float among instants (TypeError)", raising(engine.positions, bodies, bad_instants, geometric),
         [bodies, bad_instants, geometric]),
        ("positions, out of range (ValueError)", raising(engine.positions, bodies, [late], geometric),
         [bodies, late, geometric]),
    ]
    for label, call, arguments in cases:
        ok &= measure(label, call, arguments)
    print("no reference leak" if ok else "LEAK FOUND")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
