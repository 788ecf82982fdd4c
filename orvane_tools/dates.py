"""Calendar dates and time zones to and from orvane Instants.

UTC Julian days follow the engine's convention: a UTC Julian day counts 86400
seconds per calendar day, and a new leap-second offset applies from 00:00 of
the day it takes effect. An inserted second (23:59:60) therefore has no UTC
Julian day of its own: ``to_instant`` reads 23:59:60.x as x seconds into the
next day, which is where the engine puts every TT instant of that second, and
``to_iso`` writes TT or TDB instants inside it as 23:59:60.x again.

Naive datetimes are refused: a date without a time zone is never taken as
local time. A wall-clock time that a zone skips or repeats (a daylight-saving
change) is refused unless the caller says which of the two readings is meant
(``fold=0``, the earlier offset, or ``fold=1``, the later one).

Dates are proleptic Gregorian, as ISO 8601 and ``datetime`` are, unless a
``calendar`` is named: "julian" reads the year, month and day in the Julian
calendar, "auto" reads dates before 1582-10-15 in it and later ones in the
Gregorian calendar (the dates 1582-10-05 to 1582-10-14 do not exist there).
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
Calendar = Literal["gregorian", "julian", "auto"]

_ISO = re.compile(
    r"\s*(?P<year>[+-]?[0-9]{4,})-(?P<month>[0-9]{2})-(?P<day>[0-9]{2})"
    r"(?:[T ](?P<hour>[0-9]{2})(?::(?P<minute>[0-9]{2})(?::(?P<second>[0-9]{2})(?:[.,](?P<fraction>[0-9]+))?)?)?)?"
    r"(?P<zone>Z|z|[+-][0-9]{2}(?::?[0-9]{2})?)?\s*", re.ASCII)
_OFFSET = re.compile(r"\s*(?P<sign>[+-])(?P<hours>[0-9]{2})(?::?(?P<minutes>[0-9]{2}))?\s*", re.ASCII)
_GREGORIAN_START = (1582, 10, 15)
_CALENDARS = ("gregorian", "julian", "auto")


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


def _parse_iso(text: str, calendar: Calendar = "gregorian",
               engine: orvane.Engine | None = None) -> tuple[datetime.datetime, float]:
    """An aware datetime and the seconds past it (1 inside a leap second 23:59:60, else 0)."""
    if any(character.isdigit() and not character.isascii() for character in text):
        raise ValueError(f"digits of a date and time must be ASCII 0-9: {text!r}")
    match = _ISO.fullmatch(text)
    if match is None:
        raise ValueError(f"not an ISO 8601 date and time: {text!r} (e.g. \"2026-12-07T20:51:00Z\")")
    if match["zone"] is None:
        raise ValueError(f"ISO 8601 text {text!r} has no UTC offset and is not taken as local time: "
                         "end it with Z or an offset such as +05:30")
    zone_text = match["zone"]
    zone = datetime.timezone.utc if zone_text in ("Z", "z") else fixed_offset(zone_text)
    fraction = match["fraction"] or ""
    second = int(match["second"] or 0)
    leap = 0.0
    if second == 60:
        second, leap = 59, 1.0
    try:
        moment = civil_datetime(int(match["year"]), int(match["month"]), int(match["day"]), int(match["hour"] or 0),
                                int(match["minute"] or 0), second, int((fraction + "000000")[:6]), zone,
                                calendar=calendar)
    except ValueError as error:
        raise ValueError(f"invalid ISO 8601 date and time {text!r}: {error}") from None
    if leap:
        utc = moment.astimezone(datetime.timezone.utc)
        if utc.time() != datetime.time(23, 59, 59, moment.microsecond):
            raise ValueError(f"invalid ISO 8601 date and time {text!r}: second 60 exists only at 23:59:60 UTC")
        if utc.date() not in leap_second_days(engine):
            raise ValueError(f"invalid ISO 8601 date and time {text!r}: second 60 exists only at the end of a UTC "
                             f"day with a leap second, and {utc.date().isoformat()} had none")
    beyond_microseconds = float("0." + fraction[6:]) * 1e-6 if len(fraction) > 6 else 0.0
    return moment, leap + beyond_microseconds


def to_instant(value: datetime.datetime | str | float | orvane.Instant, scale: str = "utc", *,
               calendar: Calendar = "gregorian", fold: int | None = None,
               engine: orvane.Engine | None = None) -> orvane.Instant:
    """An Instant from an aware datetime, an ISO 8601 text or a Julian day.

    A datetime or text is a calendar reading in ``scale`` (UTC by default)
    after its UTC offset is removed; a number is a Julian day in ``scale``;
    an Instant is returned as it is. "23:59:60.x" (UTC) gives x seconds
    into the next day, and only at the end of a day with a leap second in
    ``engine``'s leap-second kernel (the shipped one without an engine): see
    the module's note on leap seconds. ``calendar`` reads the date's fields
    in the Julian calendar ("julian", or "auto" before 1582-10-15); ``fold``
    chooses the reading of a skipped or repeated wall-clock time.

    >>> to_instant("1600-05-17T10:00:00Z", calendar="julian").julian_day
    2305594.9166666665
    """
    scale = _scale(scale)
    if calendar not in _CALENDARS:
        raise ValueError(f"unknown calendar {calendar!r}: expected one of {', '.join(_CALENDARS)}")
    if isinstance(value, orvane.Instant):
        return value
    if isinstance(value, datetime.datetime):
        moment = _aware(value)
        if calendar != "gregorian" or fold is not None or _wall_clock_gap_or_repeat(moment):
            moment = civil_datetime(moment.year, moment.month, moment.day, moment.hour, moment.minute, moment.second,
                                    moment.microsecond, _zone_of(moment), calendar=calendar,
                                    fold=fold if fold is not None else None)
        return orvane.Instant(_julian_day(moment), scale)
    if isinstance(value, str):
        moment, seconds = _parse_iso(value, calendar, engine)
        if seconds >= 1.0 and scale != "utc":
            raise ValueError(f"second 60 exists only in UTC, not in {scale.upper()}: {value!r}")
        return orvane.Instant(_julian_day(moment, seconds), scale)
    if isinstance(value, datetime.date):
        raise TypeError("a date without a time of day is ambiguous: give an aware datetime")
    if isinstance(value, numbers.Real):
        return orvane.Instant(float(value), scale)
    raise TypeError(f"cannot make an Instant from {type(value).__name__}: "
                    "give an aware datetime, an ISO 8601 text or a Julian day")


def fixed_offset(text: str) -> datetime.timezone:
    """A fixed UTC offset from "+HH:MM", "-HH:MM", "+HHMM" or "+HH" (ASCII digits).

    >>> fixed_offset("-05:30")
    datetime.timezone(datetime.timedelta(days=-1, seconds=66600))
    """
    match = _OFFSET.fullmatch(text)
    if any(character.isdigit() and not character.isascii() for character in text):
        raise ValueError(f"digits of the offset must be ASCII 0-9: {text!r}")
    if match is None:
        raise ValueError(f"not a UTC offset: {text!r} (e.g. +02:00 or -05:30)")
    hours, minutes = int(match["hours"]), int(match["minutes"] or 0)
    if hours >= 24:
        raise ValueError(f"hours of the offset must be below 24: {text!r}")
    if minutes >= 60:
        raise ValueError(f"minutes of the offset must be below 60: {text!r}")
    offset = datetime.timedelta(hours=hours, minutes=minutes)
    return datetime.timezone(-offset if match["sign"] == "-" else offset)


def clock_time(text: str) -> datetime.time:
    """A time of day on the 24-hour clock from "HH:MM" or "HH:MM:SS", as the
    ``orvane chart`` command and the service read it; anything else is a
    ValueError that names the form.

    >>> clock_time("08:30"), clock_time("23:59:59")
    (datetime.time(8, 30), datetime.time(23, 59, 59))
    >>> clock_time("25:00")
    Traceback (most recent call last):
    ...
    ValueError: expected a time HH:MM[:SS], not '25:00'
    """
    try:
        return datetime.datetime.strptime(text, "%H:%M:%S" if text.count(":") == 2 else "%H:%M").time()
    except ValueError:
        raise ValueError(f"expected a time HH:MM[:SS], not {text!r}") from None


def gregorian_date(year: int, month: int, day: int, calendar: Calendar = "gregorian") -> datetime.date:
    """The proleptic Gregorian date of a date read in ``calendar``.

    >>> gregorian_date(1582, 10, 4, "julian")
    datetime.date(1582, 10, 14)
    """
    if calendar not in _CALENDARS:
        raise ValueError(f"unknown calendar {calendar!r}: expected one of {', '.join(_CALENDARS)}")
    julian = calendar == "julian" or (calendar == "auto" and (year, month, day) < _GREGORIAN_START)
    if calendar == "auto" and (1582, 10, 5) <= (year, month, day) < _GREGORIAN_START:
        raise ValueError(f"{year:04d}-{month:02d}-{day:02d} does not exist: the Julian calendar ended on "
                         "1582-10-04 and the Gregorian began on 1582-10-15")
    if not julian:
        return datetime.date(year, month, day)
    if not 1 <= month <= 12:
        raise ValueError("month must be in 1..12")
    leap = year % 4 == 0
    length = (31, 29 if leap else 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31)[month - 1]
    if not 1 <= day <= length:
        raise ValueError(f"day is out of range for month in the Julian calendar: {year:04d}-{month:02d}-{day:02d}")
    # Julian day number of a Julian-calendar date (Meeus, Astronomical
    # Algorithms, ch. 7, with B = 0), then the Gregorian date of that day.
    y, m = (year - 1, month + 12) if month <= 2 else (year, month)
    number = math.floor(365.25 * (y + 4716)) + math.floor(30.6001 * (m + 1)) + day - 1524
    ordinal = number - 1721425
    if ordinal < 1:
        raise ValueError(f"{year:04d}-{month:02d}-{day:02d} (Julian) is before the Gregorian year 1")
    return datetime.date.fromordinal(ordinal)


def _zone_of(moment: datetime.datetime) -> datetime.tzinfo:
    assert moment.tzinfo is not None
    return moment.tzinfo


def _wall_clock_gap_or_repeat(moment: datetime.datetime) -> bool:
    """True when the wall-clock reading of an aware datetime is skipped or repeated in its zone."""
    return moment.replace(fold=0).utcoffset() != moment.replace(fold=1).utcoffset()


def civil_datetime(year: int, month: int, day: int, hour: int = 0, minute: int = 0, second: int = 0,
                   microsecond: int = 0, tz: datetime.tzinfo | str = datetime.timezone.utc, *,
                   calendar: Calendar = "gregorian", fold: int | None = None) -> datetime.datetime:
    """The aware (proleptic Gregorian) datetime of a civil reading in a zone.

    The date is read in ``calendar``; the zone is a tzinfo, an IANA name
    (whose local mean time applies before standard time) or a fixed offset
    such as "+02:00". A wall-clock time the zone skips or repeats is refused
    unless ``fold`` (0: the offset before the change, 1: after) is given;
    the datetime then carries that offset as a fixed zone.

    >>> civil_datetime(2024, 3, 31, 2, 30, tz="Europe/Paris", fold=0).isoformat()
    '2024-03-31T02:30:00+01:00'
    """
    if fold not in (None, 0, 1):
        raise ValueError(f"fold must be 0 or 1, not {fold!r}")
    zone = as_time_zone(tz)
    civil = gregorian_date(year, month, day, calendar)
    moment = datetime.datetime(civil.year, civil.month, civil.day, hour, minute, second, microsecond, tzinfo=zone)
    if _wall_clock_gap_or_repeat(moment):
        if fold is None:
            earlier = moment.replace(fold=0)
            back = earlier.astimezone(datetime.timezone.utc).astimezone(zone)
            kind = "does not exist" if back.replace(tzinfo=None) != earlier.replace(tzinfo=None) else "is ambiguous"
            raise ValueError(f"{moment.replace(tzinfo=None).isoformat()} {kind} in {_zone_name(zone)}: "
                             "say which reading is meant with fold=0 (the offset before the change) or fold=1 (after)")
        # The chosen reading, fixed to its offset so that it stays unambiguous.
        chosen = moment.replace(fold=fold)
        offset = chosen.utcoffset()
        assert offset is not None
        name = chosen.tzname()
        zone_fixed = datetime.timezone(offset, name) if name else datetime.timezone(offset)
        moment = chosen.replace(tzinfo=zone_fixed, fold=0)
    return moment


def _zone_name(zone: datetime.tzinfo) -> str:
    return str(getattr(zone, "key", None) or zone)


_leap_second_days_by_kernel: dict[str, frozenset[datetime.date]] = {}
_DELTA_AT_DATE = re.compile(r"@([0-9]{4})-([A-Z]{3})-([0-9]{1,2})", re.ASCII)
_MONTHS = ("JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC")


def leap_second_days(engine: orvane.Engine | None = None) -> frozenset[datetime.date]:
    """The UTC days that ended with an inserted second 23:59:60.

    From ``engine``'s time kernels when given (the day before each step of
    one second in TAI - UTC), else from the leap-second kernel shipped with
    this package.

    >>> datetime.date(2016, 12, 31) in leap_second_days()
    True
    """
    if engine is not None:
        return _leap_second_days_of(engine)
    from .data import default_leap_seconds

    path = str(default_leap_seconds())
    days = _leap_second_days_by_kernel.get(path)
    if days is None:
        with open(path, encoding="utf-8") as kernel:
            text = kernel.read()
        starts = [datetime.date(int(y), _MONTHS.index(m) + 1, int(d)) for y, m, d in _DELTA_AT_DATE.findall(text)]
        # The first entry (1972-01-01) closes the years of drifting UTC, not a leap second.
        days = frozenset(start - datetime.timedelta(days=1) for start in starts[1:])
        _leap_second_days_by_kernel[path] = days
    return days


def _leap_second_days_of(engine: orvane.Engine) -> frozenset[datetime.date]:
    days = set()
    for day in leap_second_days():
        midnight = _julian_day(datetime.datetime(day.year, day.month, day.day, tzinfo=datetime.timezone.utc))
        before = engine.convert_instant(orvane.Instant.utc(midnight), "tt").julian_day
        after = engine.convert_instant(orvane.Instant.utc(midnight + 1.0), "tt").julian_day
        if abs((after - before - 1.0) * SECONDS_PER_DAY - 1.0) < 1e-3:
            days.add(day)
    return frozenset(days)


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
    """A tzinfo, the IANA zone of that name (zoneinfo) or a fixed offset ("+02:00", "-05:30").

    >>> as_time_zone("+02:00")
    datetime.timezone(datetime.timedelta(seconds=7200))
    """
    if isinstance(tz, str):
        import zoneinfo

        if tz.strip()[:1] in ("+", "-"):
            return fixed_offset(tz)
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
