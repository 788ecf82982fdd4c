"""Calendar dates and time zones to and from orvane Instants.

UTC Julian days follow the engine's convention: a UTC Julian day counts 86400
seconds per calendar day, and a new leap-second offset applies from 00:00 of
the day it takes effect. An inserted second (23:59:60) therefore has no UTC
Julian day of its own: ``to_instant`` reads 23:59:60.x as x seconds into the
next day, which is where the engine puts every TT instant of that second, and
``to_iso`` writes TT or TDB instants inside it as 23:59:60.x again.

Naive datetimes are refused: a date without a time zone is never taken as
local time.
"""
from __future__ import annotations

import datetime
import math
import numbers
import re
from typing import TYPE_CHECKING, Iterable, Literal

import orvane

if TYPE_CHECKING:
    import numpy as np
    import numpy.typing as npt

UNIX_EPOCH_JULIAN_DAY = 2440587.5
SECONDS_PER_DAY = 86400.0

_EPOCH = datetime.datetime(1970, 1, 1, tzinfo=datetime.timezone.utc)
_SCALES = ("utc", "ut1", "tt", "tdb")

Timespec = Literal["seconds", "milliseconds", "microseconds"]

_ISO = re.compile(
    r"\s*(?P<year>[+-]?\d{4,})-(?P<month>\d{2})-(?P<day>\d{2})"
    r"(?:[T ](?P<hour>\d{2})(?::(?P<minute>\d{2})(?::(?P<second>\d{2})(?:[.,](?P<fraction>\d+))?)?)?)?"
    r"(?P<zone>Z|z|[+-]\d{2}(?::?\d{2})?)?\s*")


def _scale(scale: str) -> str:
    normal = scale.strip().lower()
    if normal not in _SCALES:
        raise ValueError(f"unknown time scale {scale!r}: expected one of {', '.join(_SCALES)}")
    return normal


def _aware(moment: datetime.datetime) -> datetime.datetime:
    if moment.tzinfo is None or moment.tzinfo.utcoffset(moment) is None:
        raise ValueError(
            f"naive datetime {moment.isoformat()} has no time zone and is not taken as local time: "
            "give one, e.g. datetime(..., tzinfo=datetime.timezone.utc) or ZoneInfo(\"Europe/London\")")
    return moment


def _julian_day(moment: datetime.datetime, extra_seconds: float = 0.0) -> float:
    """The Julian day of an aware datetime's UTC reading (days and seconds kept apart for precision)."""
    delta = _aware(moment) - _EPOCH
    seconds = delta.seconds + delta.microseconds / 1e6 + extra_seconds
    return (UNIX_EPOCH_JULIAN_DAY + delta.days) + seconds / SECONDS_PER_DAY


def _parse_iso(text: str) -> tuple[datetime.datetime, float]:
    """An aware datetime and the seconds past it (1 inside a leap second 23:59:60, else 0)."""
    match = _ISO.fullmatch(text)
    if match is None:
        raise ValueError(f"not an ISO 8601 date and time: {text!r} (e.g. \"2026-12-07T20:51:00Z\")")
    if match["zone"] is None:
        raise ValueError(f"ISO 8601 text {text!r} has no UTC offset and is not taken as local time: "
                         "end it with Z or an offset such as +05:30")
    zone_text = match["zone"]
    if zone_text in ("Z", "z"):
        zone = datetime.timezone.utc
    else:
        digits = zone_text[1:].replace(":", "")
        offset = datetime.timedelta(hours=int(digits[:2]), minutes=int(digits[2:4] or 0))
        zone = datetime.timezone(-offset if zone_text[0] == "-" else offset)
    fraction = match["fraction"] or ""
    second = int(match["second"] or 0)
    leap = 0.0
    if second == 60:
        second, leap = 59, 1.0
    try:
        moment = datetime.datetime(int(match["year"]), int(match["month"]), int(match["day"]), int(match["hour"] or 0),
                                   int(match["minute"] or 0), second, int((fraction + "000000")[:6]), tzinfo=zone)
    except ValueError as error:
        raise ValueError(f"invalid ISO 8601 date and time {text!r}: {error}") from None
    if leap and moment.astimezone(datetime.timezone.utc).time() != datetime.time(23, 59, 59, moment.microsecond):
        raise ValueError(f"invalid ISO 8601 date and time {text!r}: second 60 exists only at 23:59:60 UTC")
    beyond_microseconds = float("0." + fraction[6:]) * 1e-6 if len(fraction) > 6 else 0.0
    return moment, leap + beyond_microseconds


def to_instant(value: datetime.datetime | str | float | orvane.Instant, scale: str = "utc") -> orvane.Instant:
    """An Instant from an aware datetime, an ISO 8601 text or a Julian day.

    A datetime or text is a calendar reading in ``scale`` (UTC by default)
    after its UTC offset is removed; a number is a Julian day in ``scale``;
    an Instant is returned as it is. "23:59:60.x" (UTC) gives x seconds
    into the next day: see the module's note on leap seconds.
    """
    scale = _scale(scale)
    if isinstance(value, orvane.Instant):
        return value
    if isinstance(value, datetime.datetime):
        return orvane.Instant(_julian_day(value), scale)
    if isinstance(value, str):
        moment, seconds = _parse_iso(value)
        if seconds >= 1.0 and scale != "utc":
            raise ValueError(f"second 60 exists only in UTC, not in {scale.upper()}: {value!r}")
        return orvane.Instant(_julian_day(moment, seconds), scale)
    if isinstance(value, datetime.date):
        raise TypeError("a date without a time of day is ambiguous: give an aware datetime")
    if isinstance(value, numbers.Real):
        return orvane.Instant(float(value), scale)
    raise TypeError(f"cannot make an Instant from {type(value).__name__}: "
                    "give an aware datetime, an ISO 8601 text or a Julian day")


def julian_days(values: npt.ArrayLike | Iterable[datetime.datetime]) -> npt.NDArray[np.float64]:
    """UTC Julian days (float64) from a numpy.datetime64 array (read as UTC) or aware datetimes.

    NaT gives NaN. Whole days and the time of day are converted apart, so
    the result is exact to the float64 resolution of a Julian day (about 40
    microseconds today). Needs NumPy.
    """
    import numpy as np

    if isinstance(values, Iterable) and not isinstance(values, (np.ndarray, list, tuple, str)):
        array = np.asarray(list(values))
    else:
        array = np.asarray(values)
    if array.dtype.kind == "O" or array.dtype.kind not in "M":
        flat = [_julian_day(item) if isinstance(item, datetime.datetime) else _not_datetime(item)
                for item in array.ravel()]
        return np.asarray(flat, dtype=np.float64).reshape(array.shape)
    days = array.astype("datetime64[D]")
    remainder = (array - days) / np.timedelta64(1, "ns")
    result = UNIX_EPOCH_JULIAN_DAY + days.astype(np.int64).astype(np.float64) + remainder / 86400e9
    result[np.isnat(array)] = np.nan
    return np.asarray(result, dtype=np.float64)


def _not_datetime(item: object) -> float:
    raise TypeError(f"expected numpy.datetime64 values or aware datetimes, got {type(item).__name__}")


def _utc_julian_day(instant: orvane.Instant, engine: orvane.Engine | None) -> float:
    if instant.time_scale == "utc":
        return float(instant.julian_day)
    if engine is None:
        raise ValueError(f"converting a {instant.time_scale.upper()} Instant to a calendar date needs an engine "
                         "with the time kernels (e.g. orvane_tools.default_engine())")
    return float(engine.convert_instant(instant, "utc").julian_day)


def _from_julian_day(julian_day: float) -> datetime.datetime:
    if not math.isfinite(julian_day):
        raise ValueError("Julian day must be finite")
    shifted = julian_day - UNIX_EPOCH_JULIAN_DAY
    days = math.floor(shifted)
    # A float64 Julian day resolves about 40 microseconds: keep whole 100 microseconds.
    microseconds = round((shifted - days) * 864e6) * 100
    try:
        return _EPOCH + datetime.timedelta(days=days, microseconds=microseconds)
    except OverflowError:
        raise ValueError(f"UTC Julian day {julian_day} is outside the calendar years 1 to 9999") from None


def _in_leap_second(instant: orvane.Instant, engine: orvane.Engine | None, utc_day: float) -> float | None:
    """Seconds into an inserted leap second for a TT or TDB instant inside one, else None."""
    if instant.time_scale not in ("tt", "tdb") or engine is None:
        return None
    back = engine.convert_instant(orvane.Instant.utc(utc_day), instant.time_scale).julian_day
    excess = (back - instant.julian_day) * SECONDS_PER_DAY  # one second inside a leap second, else ~0
    if excess < 0.5:
        return None
    midnight = math.floor(utc_day - 0.5) + 0.5
    return min(max((utc_day - midnight) * SECONDS_PER_DAY, 0.0), 0.999999)


def to_datetime(instant: orvane.Instant, engine: orvane.Engine | None = None,
                tz: datetime.tzinfo | str | None = None) -> datetime.datetime:
    """An aware datetime (UTC, or in ``tz``: a tzinfo or an IANA name) from an Instant in any scale.

    UTC Instants need no engine; other scales are converted by the engine,
    which needs its time kernels (UT1 also its Earth-orientation table). A
    TT instant inside an inserted leap second gives the first second of the
    next day, as the engine's UTC does (a datetime has no second 60).
    """
    moment = _from_julian_day(_utc_julian_day(instant, engine))
    return moment.astimezone(as_time_zone(tz)) if tz is not None else moment


def as_time_zone(tz: datetime.tzinfo | str) -> datetime.tzinfo:
    """A tzinfo, or the IANA zone of that name (zoneinfo)."""
    if isinstance(tz, str):
        import zoneinfo

        return zoneinfo.ZoneInfo(tz)
    return tz


_UNITS = {"seconds": 1_000_000, "milliseconds": 1_000, "microseconds": 1}


def to_iso(instant: orvane.Instant, engine: orvane.Engine | None = None, tz: datetime.tzinfo | str | None = None,
           timespec: Timespec = "seconds") -> str:
    """ISO 8601 text of an Instant in UTC ("...Z") or in ``tz``, rounded to ``timespec``.

    A TT or TDB instant inside an inserted leap second is written with
    second 60 (for example 2016-12-31T23:59:60.5Z).
    """
    unit = _UNITS[timespec]
    utc_day = _utc_julian_day(instant, engine)
    leap = _in_leap_second(instant, engine, utc_day)
    if leap is not None:
        last = _from_julian_day(math.floor(utc_day - 0.5) + 0.5) - datetime.timedelta(seconds=1)
        local = last.astimezone(as_time_zone(tz)) if tz is not None else last
        microseconds = min(round(leap * 1e6 / unit) * unit, 1_000_000 - unit)
        text = _format(local, timespec, microseconds)
        return text[:17] + "60" + text[19:]
    moment = _from_julian_day(utc_day)
    moment = moment + datetime.timedelta(microseconds=_round_to(moment.microsecond, unit) - moment.microsecond)
    local = moment.astimezone(as_time_zone(tz)) if tz is not None else moment
    return _format(local, timespec, local.microsecond)


def _round_to(microseconds: int, unit: int) -> int:
    return (microseconds + unit // 2) // unit * unit


def _format(moment: datetime.datetime, timespec: Timespec, microseconds: int) -> str:
    text = moment.replace(microsecond=microseconds).isoformat(timespec=timespec)
    return text[:-6] + "Z" if text.endswith("+00:00") and moment.tzinfo is datetime.timezone.utc else text
