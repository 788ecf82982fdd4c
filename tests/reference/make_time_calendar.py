"""Julian days of 00:00 of proleptic Gregorian dates by pyerfa (cal2jd), for the
date literals of text kernels.

calendar_days.csv: year, month, day, jd (Julian day of 00:00 of that date).
"""
import csv
import pathlib
import random

import erfa


def write(out_dir: pathlib.Path) -> None:
    rng = random.Random(20260103)
    dates = [(2000, 1, 1), (1972, 1, 1), (1600, 3, 1), (1900, 2, 28), (2000, 2, 29), (2100, 3, 1), (-4712, 1, 1)]
    dates += [(rng.randrange(-4700, 10000), rng.randrange(1, 13), rng.randrange(1, 29)) for _ in range(300)]
    with open(out_dir / "calendar_days.csv", "w", newline="") as f:
        writer = csv.writer(f, lineterminator="\n")
        writer.writerow(["year", "month", "day", "jd"])
        for year, month, day in dates:
            djm0, djm = erfa.cal2jd(year, month, day)
            writer.writerow([year, month, day, repr(float(djm0) + float(djm))])
