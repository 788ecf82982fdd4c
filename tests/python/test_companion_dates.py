"""Calendar dates against pyerfa and astropy, 1972-2050, both sides of every leap second."""
from __future__ import annotations

import datetime
import random
import warnings

import erfa
import numpy as np
import pytest

import orvane
import orvane_tools as ot

SECOND = 1.0 / 86400.0


def erfa_tt(y: int, mo: int, d: int, h: int, mi: int, s: float) -> float:
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        u1, u2 = erfa.dtf2d("UTC", y, mo, d, h, mi, s)
        t1, t2 = erfa.taitt(*erfa.utctai(u1, u2))
    return float(t1 + t2)


def leap_second_days() -> list[datetime.date]:
    """The last day before each leap second since 1972 (from ERFA's own table)."""
    table = erfa.leap_seconds.get()
    starts = [datetime.date(int(y), int(m), 1) for y, m, _ in table if y >= 1972][1:]
    return [start - datetime.timedelta(days=1) for start in starts]


def test_readings_around_every_leap_second_against_erfa():
    engine = ot.default_engine()
    worst = 0.0
    for day in leap_second_days():
        after = day + datetime.timedelta(days=1)
        # (reading, its TT less ERFA's in seconds: the engine's UTC has no 23:59:60, so it reads as the next second)
        for date, h, mi, s, shift in ((day, 23, 59, 59.5, 0), (day, 23, 59, 60.5, 1), (after, 0, 0, 0.5, 0)):
            text = f"{date.isoformat()}T{h:02}:{mi:02}:{s:06.3f}Z"
            tt = engine.convert_instant(ot.to_instant(text), "tt").julian_day
            expected = erfa_tt(date.year, date.month, date.day, h, mi, s)
            worst = max(worst, abs((tt - expected) * 86400 - shift))
            # Back from the exact TT instant: second 60 is written as such.
            assert ot.to_iso(orvane.Instant.tt(expected), engine, timespec="milliseconds") == text
    print(f"worst TT difference from ERFA around leap seconds: {worst * 1e6:.1f} microseconds")
    assert worst < 1e-4, worst


def test_calendar_round_trips_against_erfa_and_astropy():
    from astropy.time import Time

    engine = ot.default_engine()
    rng = random.Random(7)
    start, end = datetime.datetime(1972, 1, 1, tzinfo=datetime.timezone.utc), 2050 - 1972
    moments = [start + datetime.timedelta(days=rng.uniform(0, end * 365.25)) for _ in range(300)]
    moments = [m.replace(microsecond=m.microsecond // 1000 * 1000) for m in moments]
    utc = ot.julian_days(moments)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        reference = Time([m.replace(tzinfo=None) for m in moments], scale="utc")
        np.testing.assert_allclose(utc, reference.jd, rtol=0, atol=2e-5 * SECOND)
        np.testing.assert_allclose(ot.julian_days(np.array([m.replace(tzinfo=None) for m in moments],
                                                            dtype="datetime64[ms]")), utc, rtol=0, atol=0)
        tts = reference.tt.jd
    for moment, tt in zip(moments, tts):
        back = ot.to_datetime(orvane.Instant.tt(tt), engine, tz="America/New_York")
        assert abs((back - moment).total_seconds()) < 1e-4
        assert back.utcoffset() in (datetime.timedelta(hours=-5), datetime.timedelta(hours=-4))


@pytest.mark.parametrize("value, message", [
    (datetime.datetime(2026, 12, 7, 20, 51), "naive datetime"),
    ("2026-12-07T20:51:00", "no UTC offset"),
    ("2026-12-07T20:59:60Z", "second 60 exists only at 23:59:60 UTC"),
    ("2026-02-30T00:00:00Z", "day is out of range"),
])
def test_ambiguous_or_invalid_readings_are_refused(value, message):
    with pytest.raises(ValueError, match=message):
        ot.to_instant(value)


def test_offsets_and_zones_name_the_same_instant():
    base = ot.to_instant("2026-12-07T20:51:00Z").julian_day
    kolkata = datetime.datetime(2026, 12, 8, 2, 21, tzinfo=ot.dates.as_time_zone("Asia/Kolkata"))
    for value in ("2026-12-08T02:21:00+05:30", "2026-12-07T15:51-0500", kolkata, "2026-12-07 20:50:59.9999996z"):
        assert abs(ot.to_instant(value).julian_day - base) < 1e-6 * SECOND
    assert ot.to_iso(orvane.Instant.utc(base), tz="Asia/Kolkata") == "2026-12-08T02:21:00+05:30"
