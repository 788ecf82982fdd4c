"""UTC instants from 1972 to 2030 converted to TT and TDB seconds past J2000 by
SPICE (spiceypy), with the repository's leap-second kernel furnished.

Every instant is a UTC midnight plus k / 2**20 of a day, so its Julian day is an
exact double and its calendar text is exact too: both sides start from the
same instant without rounding. Besides random instants the table holds, for
every leap-second date, instants in the last second before it and the first
second after it.

utc_instants.csv: day_jd (UTC midnight), k, jd (= day_jd + k / 2**20), utc
(the calendar text given to SPICE), tdb_seconds (str2et), tt_seconds (unitim
TDB -> TDT).
"""
import csv
import datetime
import decimal
import pathlib
import random

import spiceypy

from data_files import leap_seconds

FRACTION_BITS = 20
STEPS_PER_DAY = 2**FRACTION_BITS
JD_OF_2000_JAN_1 = 2451544.5  # 00:00 UTC
DATE_OF_2000_JAN_1 = datetime.date(2000, 1, 1)


def midnight_jd(date: datetime.date) -> float:
    return JD_OF_2000_JAN_1 + (date - DATE_OF_2000_JAN_1).days


def calendar_text(date: datetime.date, k: int) -> str:
    # k / 2**20 of 86400 s = k * 675 / 8192 s, a finite decimal.
    with decimal.localcontext() as context:
        context.prec = 40
        seconds = decimal.Decimal(k * 675) / decimal.Decimal(8192)
    whole = int(seconds)
    hours, rest = divmod(whole, 3600)
    minutes, secs = divmod(rest, 60)
    fraction = format(seconds - whole, "f")[1:] if seconds != whole else ""
    return f"{date.isoformat()}T{hours:02d}:{minutes:02d}:{secs:02d}{fraction}"


def leap_second_dates() -> list[datetime.date]:
    dates = []
    months = {m: i + 1 for i, m in enumerate(
        ["JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"])}
    values = spiceypy.gdpool("DELTET/DELTA_AT", 0, 200)
    # The pool holds (delta, date) pairs; the dates are ET seconds of the
    # literal's midnight read as UTC without leap seconds, so take them back
    # through the calendar text SPICE gives for them.
    for date_seconds in values[1::2]:
        text = spiceypy.etcal(date_seconds)  # e.g. "1972 JAN 01 00:00:00.000"
        year, month, day = text.split()[:3]
        dates.append(datetime.date(int(year), months[month], int(day)))
    return dates


def instants() -> list[tuple[datetime.date, int]]:
    rng = random.Random(20260101)
    chosen = []
    first = datetime.date(1972, 1, 1)
    last = datetime.date(2030, 12, 31)
    span = (last - first).days
    for _ in range(1000):
        chosen.append((first + datetime.timedelta(days=rng.randrange(span + 1)), rng.randrange(STEPS_PER_DAY)))
    one_second = STEPS_PER_DAY // 86400 + 1  # steps just over one second
    for date in leap_second_dates():
        before = date - datetime.timedelta(days=1)
        if before >= first:
            for k in (STEPS_PER_DAY // 2, STEPS_PER_DAY - one_second, STEPS_PER_DAY - 3, STEPS_PER_DAY - 1):
                chosen.append((before, k))
        for k in (0, 1, one_second // 2, one_second, STEPS_PER_DAY // 2):
            chosen.append((date, k))
    return chosen


def write(out_dir: pathlib.Path) -> None:
    kernel = str(leap_seconds())
    spiceypy.furnsh(kernel)
    try:
        rows = []
        for date, k in instants():
            day_jd = midnight_jd(date)
            jd = day_jd + k / STEPS_PER_DAY
            assert jd - day_jd == k / STEPS_PER_DAY  # exact
            text = calendar_text(date, k)
            tdb = spiceypy.str2et(text)
            tt = spiceypy.unitim(tdb, "TDB", "TDT")
            rows.append((repr(day_jd), k, repr(jd), text, repr(tdb), repr(tt)))
    finally:
        spiceypy.unload(kernel)
    with open(out_dir / "utc_instants.csv", "w", newline="") as f:
        writer = csv.writer(f, lineterminator="\n")
        writer.writerow(["day_jd", "k", "jd", "utc", "tdb_seconds", "tt_seconds"])
        writer.writerows(rows)
