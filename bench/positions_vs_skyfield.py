"""Speed of position requests from Python, beside skyfield on the same machine
and the same kernel (DE421).

- one `position` call, geometric and apparent: microseconds per call;
- `positions` for 10 bodies (the five DE421 bodies twice) by 10,000 instants,
  geometric and apparent: positions per second, and the same work in skyfield's
  vectorised API (longitude, latitude, distance and longitude rate per body).

Run from the repository root with the module on the path:
    PYTHONPATH=build/<dir>/src/python python3 bench/positions_vs_skyfield.py
"""
from __future__ import annotations

import pathlib
import sys
import time

import numpy as np

REPO = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "reference"))

import data_files  # noqa: E402
import orvane  # noqa: E402
from skyfield.api import load, load_file  # noqa: E402
from skyfield.framelib import ecliptic_frame, ecliptic_J2000_frame  # noqa: E402

SHA = "0" * 64  # recorded, never verified
FIVE = ["sun", "moon", "mercury", "venus", "mars"]
TEN = FIVE * 2
REPEATS = 5


def best_of(function, repeats: int = REPEATS) -> float:
    """The shortest of `repeats` timed runs, in seconds."""
    best = float("inf")
    for _ in range(repeats):
        start = time.perf_counter()
        function()
        best = min(best, time.perf_counter() - start)
    return best


def single_calls(engine, eph, ts) -> list[tuple[str, float, float]]:
    """Microseconds per call for one body at one instant, cycling over a year of days."""
    days = 2460000.5 + np.arange(365.0)
    instants = [orvane.Instant.tdb(day) for day in days]
    times = [ts.tdb_jd(day) for day in days]
    earth, mars = eph["earth"], eph["mars"]
    mars_from_earth = mars - earth
    calls = 20_000
    rows = []
    for label, options in [("geometric", orvane.geometric()), ("apparent", orvane.apparent())]:
        position = engine.position

        def ours():
            for k in range(calls):
                position("mars", instants[k % 365], options)

        if label == "geometric":
            def theirs():
                for k in range(calls // 10):
                    mars_from_earth.at(times[k % 365]).frame_latlon_and_rates(ecliptic_J2000_frame)
        else:
            def theirs():
                for k in range(calls // 10):
                    earth.at(times[k % 365]).observe(mars).apparent().frame_latlon_and_rates(ecliptic_frame)

        rows.append((label, best_of(ours) / calls * 1e6, best_of(theirs) / (calls // 10) * 1e6))
    return rows


def batch_calls(engine, eph, ts) -> list[tuple[str, float, float]]:
    """Positions per second for 10 bodies by 10,000 instants."""
    days = np.linspace(2433282.5, 2469807.5, 10_000)  # 1950 to 2050
    instants = [orvane.Instant.tdb(day) for day in days]
    t = ts.tdb_jd(days)
    earth = eph["earth"]
    count = len(TEN) * len(days)
    rows = []
    for label, options in [("geometric", orvane.geometric()), ("apparent", orvane.apparent())]:
        def ours():
            engine.positions(TEN, instants, options)

        if label == "geometric":
            def theirs():
                for body in TEN:
                    (eph[body] - earth).at(t).frame_latlon_and_rates(ecliptic_J2000_frame)
        else:
            def theirs():
                observer = earth.at(t)
                for body in TEN:
                    observer.observe(eph[body]).apparent().frame_latlon_and_rates(ecliptic_frame)

        rows.append((label, count / best_of(ours), count / best_of(theirs, 3)))
    return rows


def main() -> None:
    path = str(data_files.de421())
    engine = orvane.open(path, SHA)
    eph = load_file(path)
    ts = load.timescale(builtin=True)
    import skyfield

    print(f"orvane beside skyfield {skyfield.__version__}, numpy {np.__version__}, Python {sys.version.split()[0]}")
    print(f"kernel {path}; best of {REPEATS} runs")
    print()
    print("one position call (Mars, geocentric ecliptic)   orvane us/call   skyfield us/call   ratio")
    for label, ours, theirs in single_calls(engine, eph, ts):
        print(f"  {label:10s}                                   {ours:10.2f}        {theirs:10.1f}     {theirs / ours:6.0f}x")
    print()
    print("positions, 10 bodies x 10,000 instants        orvane pos/s     skyfield pos/s     ratio")
    for label, ours, theirs in batch_calls(engine, eph, ts):
        print(f"  {label:10s}                                {ours:12,.0f}     {theirs:12,.0f}   {ours / theirs:6.1f}x")


if __name__ == "__main__":
    main()
