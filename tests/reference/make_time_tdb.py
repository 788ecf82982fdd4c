"""TT <-> TDB by SPICE (spiceypy) with the repository's leap-second kernel.

Each row is one epoch E in seconds past J2000, E = (jd - 2451545) * 86400 for a
Julian day jd on a grid of 2**-20 day (so E is exact), read once as TT and once
as TDB:

- tdb_from_tt: unitim(E, TDT, TDB); tt_from_tdb: unitim(E, TDB, TDT);
- periodic_term: K sin(E) with the mean anomaly taken at E, from deltet
  (ET - UTC less DELTA_T_A and the integral TAI - UTC), which carries none of
  the rounding of a 1e9-second epoch. SPICE uses this one term for both
  directions.

The first 400 rows span 1950 to 2050; the other 200 lie within 48 days of
J2000, where |E| < 2**22 s and a result's own rounding stays below 5e-10 s.

tt_tdb.csv: jd, seconds, tdb_from_tt, tt_from_tdb, periodic_term.
"""
import csv
import pathlib
import random

import spiceypy

from data_files import leap_seconds

STEPS_PER_DAY = 2**20
J2000 = 2451545.0


def write(out_dir: pathlib.Path) -> None:
    kernel = str(leap_seconds())
    spiceypy.furnsh(kernel)
    try:
        delta_t_a = float(spiceypy.gdpool("DELTET/DELTA_T_A", 0, 1)[0])
        rng = random.Random(20260102)
        days = [J2000 + rng.randrange(-50 * 366, 50 * 366) - 0.5 + rng.randrange(STEPS_PER_DAY) / STEPS_PER_DAY
                for _ in range(400)]
        days += [J2000 + rng.randrange(-48 * STEPS_PER_DAY, 48 * STEPS_PER_DAY) / STEPS_PER_DAY for _ in range(200)]
        rows = []
        for jd in days:
            seconds = (jd - J2000) * 86400.0
            assert seconds / 86400.0 == jd - J2000
            total = float(spiceypy.deltet(seconds, "ET")) - delta_t_a
            periodic = total - round(total)
            rows.append((repr(jd), repr(seconds), repr(float(spiceypy.unitim(seconds, "TDT", "TDB"))),
                         repr(float(spiceypy.unitim(seconds, "TDB", "TDT"))), repr(periodic)))
    finally:
        spiceypy.unload(kernel)
    with open(out_dir / "tt_tdb.csv", "w", newline="") as f:
        writer = csv.writer(f, lineterminator="\n")
        writer.writerow(["jd", "seconds", "tdb_from_tt", "tt_from_tdb", "periodic_term"])
        writer.writerows(rows)
