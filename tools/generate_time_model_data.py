"""Writes the two tables of the time model into data/:

- data/delta_t_spline.txt: the cubic splines of Delta T (TT - UT1) of
  Morrison, Stephenson, Hohenkerk and Zawilski, "Addendum 2020 to
  'Measurement of the Earth's rotation: 720 BC to AD 2015'", Proc. R. Soc. A
  477 (2021), table S15, as Skyfield ships it in skyfield/data/delta_t.npz
  (array "Table-S15.2020.txt": rows year start, year end, a3, a2, a1, a0).
- data/utc_1960_1972.txt: UTC as defined from 1960 to 1972 (TAI - UTC =
  offset + (MJD - reference MJD) x rate), the IERS table as ERFA's dat.c
  holds it, read from the source distribution of pyerfa.

Usage: python3 tools/generate_time_model_data.py [path/to/dat.c]

Without a path, dat.c is taken from pyerfa's source distribution, fetched with
`pip download --no-deps --no-binary pyerfa pyerfa` into a temporary directory.
The output is committed; run this again only when a source changes.
"""
from __future__ import annotations

import os
import pathlib
import re
import subprocess
import sys
import tarfile
import tempfile

REPO = pathlib.Path(__file__).resolve().parents[1]
SPLINE_OUTPUT = REPO / "data" / "delta_t_spline.txt"
UTC_OUTPUT = REPO / "data" / "utc_1960_1972.txt"
DAT_C = "liberfa/erfa/src/dat.c"


def spline_rows() -> list[list[float]]:
    import numpy as np
    import skyfield

    table = np.load(pathlib.Path(skyfield.__file__).parent / "data" / "delta_t.npz")["Table-S15.2020.txt"]
    if table.shape[0] != 6:
        raise SystemExit(f"Table-S15.2020.txt has {table.shape[0]} rows, expected 6")
    return [[float(value) for value in column] for column in table.T]


def fetch_dat_c(directory: pathlib.Path) -> str:
    import erfa

    version = erfa.__version__.split("+")[0]
    environment = dict(os.environ, SETUPTOOLS_SCM_PRETEND_VERSION_FOR_PYERFA=version,
                       SETUPTOOLS_SCM_PRETEND_VERSION=version)
    subprocess.run([sys.executable, "-m", "pip", "download", "--quiet", "--no-deps", "--no-binary", "pyerfa",
                    f"pyerfa=={version}", "-d", str(directory)], check=True, env=environment)
    archive = next(directory.glob("pyerfa-*.tar.gz"))
    with tarfile.open(archive) as tar:
        member = next(m for m in tar.getmembers() if m.name.endswith(DAT_C))
        extracted = tar.extractfile(member)
        assert extracted is not None
        return extracted.read().decode("utf-8")


def drift_rows(source: str) -> list[tuple[int, int, float, float, float]]:
    """(year, month, offset, reference MJD, rate) of each pre-1972 change."""
    drift_block = re.search(r"drift\[\]\[2\]\s*=\s*\{(.*?)\};", source, re.S)
    changes_block = re.search(r"_changes\[\]\s*=\s*\{(.*?)\};", source, re.S)
    if drift_block is None or changes_block is None:
        raise SystemExit("dat.c has no drift[][2] or _changes[] table")
    number = r"([-+]?[0-9]+(?:\.[0-9]*)?)"
    drifts = re.findall(r"\{\s*" + number + r"\s*,\s*" + number + r"\s*\}", drift_block[1])
    changes = re.findall(r"\{\s*([0-9]+)\s*,\s*([0-9]+)\s*,\s*" + number + r"\s*\}", changes_block[1])
    if not drifts or len(changes) < len(drifts):
        raise SystemExit("dat.c: fewer changes than drift rows")
    rows = []
    for (year, month, offset), (reference, rate) in zip(changes, drifts):
        rows.append((int(year), int(month), float(offset), float(reference), float(rate)))
    first_leap = changes[len(drifts)]
    if (int(first_leap[0]), int(first_leap[1])) != (1972, 1):
        raise SystemExit(f"dat.c: the drifting rows end at {first_leap[:2]}, not 1972-01")
    return rows


def modified_julian_day(year: int, month: int) -> int:
    """MJD of the first of a Gregorian month (Fliegel and Van Flandern 1968)."""
    a = (14 - month) // 12
    y = year + 4800 - a
    m = month + 12 * a - 3
    jdn = 1 + (153 * m + 2) // 5 + 365 * y + y // 4 - y // 100 + y // 400 - 32045
    return jdn - 2400001


def main() -> None:
    if len(sys.argv) > 1:
        source = pathlib.Path(sys.argv[1]).read_text()
    else:
        with tempfile.TemporaryDirectory() as directory:
            source = fetch_dat_c(pathlib.Path(directory))
    rows = spline_rows()
    with SPLINE_OUTPUT.open("w") as out:
        out.write("# Delta T = TT - UT1 (seconds): cubic splines of Morrison, Stephenson, Hohenkerk and\n"
                  "# Zawilski, Proc. R. Soc. A 477 (2021), table S15 (from skyfield/data/delta_t.npz).\n"
                  "# Columns: year start, year end, a3, a2, a1, a0; with t = (y - start) / (end - start),\n"
                  "# Delta T = ((a3 t + a2) t + a1) t + a0, y = (TT Julian day - 1721045) / 365.25.\n"
                  "# Written by tools/generate_time_model_data.py.\n")
        for row in rows:
            out.write(" ".join(repr(value) for value in row) + "\n")
    with UTC_OUTPUT.open("w") as out:
        out.write("# UTC from 1960-01-01 to 1972-01-01: TAI - UTC = offset + (MJD - reference MJD) x rate\n"
                  "# seconds from 00:00 UTC of the first day, as the IERS table in ERFA's dat.c holds it.\n"
                  "# Columns: first MJD, offset (s), reference MJD, rate (s/day); the last row is the\n"
                  "# day the leap-second kernel takes over.\n"
                  "# Written by tools/generate_time_model_data.py.\n")
        for year, month, offset, reference, rate in drift_rows(source):
            out.write(f"{modified_julian_day(year, month)} {offset!r} {reference!r} {rate!r}\n")
        out.write(f"{modified_julian_day(1972, 1)} 10.0 0.0 0.0\n")
    print(f"wrote {SPLINE_OUTPUT.relative_to(REPO)} ({len(rows)} intervals) and {UTC_OUTPUT.relative_to(REPO)}")


if __name__ == "__main__":
    main()
