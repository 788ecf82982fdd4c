"""The service's inputs: query texts read with the command line's own parsers,
each refusal naming the field it came from, and the limits on one request's work."""

from __future__ import annotations

import argparse
import math
from collections.abc import Callable
from datetime import date, datetime, time, timezone, tzinfo
from typing import TypeVar

import orvane

from orvane_tools import cli
from orvane_tools.choices import body_list, kind_list, names_of, one_of
from orvane_tools.dates import civil_datetime, clock_time, to_instant
from orvane_tools.events import SEARCH_KINDS
from orvane_tools.places import parse_place
from orvane_tools.sky import MOON_EDGES

#: Instants in one positions request (a day in minutes is 1,440).
MAX_INSTANTS = 10_000
#: Rows (instants times bodies) in one positions request (about 4 MB of JSON).
MAX_ROWS = 20_000
#: Bodies in one positions request.
MAX_BODIES = 32
#: Local days in one almanac request: a leap year.
MAX_ALMANAC_DAYS = 366
#: Days searched in one events request: a century.
MAX_EVENT_DAYS = 36_525
#: Characters in one query text.
MAX_TEXT = 200

ORIGINS = ("geocentric", "topocentric", "heliocentric", "barycentric")
FRAMES = ("ecliptic", "equatorial")
EPOCHS = ("of_date", "j2000")
CALENDARS = ("gregorian", "julian", "auto")
EVENT_KINDS: tuple[str, ...] = (*names_of(orvane.SeasonEvent), *names_of(orvane.LunationEvent), *SEARCH_KINDS)

T = TypeVar("T")


class InputError(ValueError):
    """A request refused before any work: ``field`` names the query parameter.

    >>> InputError("tz", "unknown time zone 'Mars/Olympus'").field
    'tz'
    """

    def __init__(self, field: str, message: str) -> None:
        super().__init__(message)
        self.field = field
        self.message = message


def read(field: str, text: str | None, parse: Callable[[str], T], *, required: bool = True,
         default: T | None = None) -> T:
    """``parse(text)``, or the default where the field is absent; any refusal
    (a ValueError, TypeError or argparse's error) becomes an InputError naming ``field``.

    >>> read("place", "48.85N,2.35E", parse_place).latitude_deg
    48.85
    """
    if text is None or text.strip() == "":
        if required and default is None:
            raise InputError(field, f"{field} is required")
        return default  # type: ignore[return-value]
    if len(text) > MAX_TEXT:
        raise InputError(field, f"{field} is longer than {MAX_TEXT} characters")
    try:
        return parse(text)
    except (ValueError, TypeError, OverflowError, argparse.ArgumentTypeError) as error:
        raise InputError(field, str(error).splitlines()[0] if str(error) else f"bad {field}") from None


def place(text: str) -> orvane.GeodeticObserver:
    """A place as the command line takes it: "LAT,LON[,HEIGHT_M]".

    >>> place("33.87S,151.21E").longitude_east_deg
    151.21
    """
    return parse_place(text)


zone: Callable[[str], tzinfo] = cli.zone_or_offset
clock: Callable[[str], time] = clock_time
date_fields: Callable[[str], tuple[int, int, int]] = cli.date_fields
step_days: Callable[[str], float] = cli.step_days
bodies: Callable[[str], list[str]] = body_list
house_system: Callable[[str], str] = cli.house_system
sidereal_mode: Callable[[str], str] = cli.sidereal_mode
origin = one_of("origin", ORIGINS)
frame = one_of("frame", FRAMES)
epoch = one_of("epoch", EPOCHS)
calendar = one_of("calendar", CALENDARS)
moon_edge = one_of("moon edge", MOON_EDGES)
event_kinds = kind_list(EVENT_KINDS)


def angle(text: str) -> float:
    """A finite angle in degrees.

    >>> angle("90")
    90.0
    """
    value = float(text)
    if not math.isfinite(value):
        raise ValueError(f"angle must be finite, not {text!r}")
    return value


def body(text: str) -> str | int:
    """One body, by name or NAIF id.

    >>> body("499")
    499
    """
    names = body_list(text)
    if len(names) != 1:
        raise ValueError("one body, by name or NAIF id")
    return int(names[0]) if str(names[0]).lstrip("-").isdigit() else names[0]


def boolean(text: str) -> bool:
    """true/false, 1/0, yes/no.

    >>> boolean("Yes")
    True
    """
    value = text.strip().lower()
    if value in ("true", "1", "yes"):
        return True
    if value in ("false", "0", "no"):
        return False
    raise ValueError(f"expected true or false, not {text!r}")


def instant(text: str) -> orvane.Instant:
    """An ISO 8601 date-time, UTC unless it carries an offset (a date alone is its midnight UTC).

    >>> instant("2000-01-01T12:00:00Z").julian_day
    2451545.0
    """
    value = cli.moment(text)
    if isinstance(value, datetime):
        return to_instant(value if value.tzinfo is not None else value.replace(tzinfo=timezone.utc))
    return to_instant(datetime(value.year, value.month, value.day, tzinfo=timezone.utc))


def day(text: str) -> date:
    """A date YYYY-MM-DD (a date-time gives its date).

    >>> day("2026-03-20")
    datetime.date(2026, 3, 20)
    """
    value = cli.moment(text)
    return value.date() if isinstance(value, datetime) else value


def local_moment(field_date: str | None, field_time: str | None, tz: tzinfo, calendar_name: str,
                 fold: int | None) -> datetime:
    """The aware datetime of a local date and time in ``tz`` (field "date" or "time" named on refusal).

    >>> local_moment("2000-01-01", "12:00", timezone.utc, "gregorian", None).isoformat()
    '2000-01-01T12:00:00+00:00'
    """
    year, month, day_ = read("date", field_date, date_fields)
    clock_ = read("time", field_time, clock)
    try:
        return civil_datetime(year, month, day_, clock_.hour, clock_.minute, clock_.second, tz=tz,
                              calendar=calendar_name, fold=fold)  # type: ignore[arg-type]
    except (ValueError, OverflowError) as error:
        raise InputError("date", str(error)) from None


def instant_count(start: orvane.Instant, end: orvane.Instant, step: float) -> int:
    """How many instants from ``start`` to ``end`` in steps of ``step`` days, refused past MAX_INSTANTS.

    >>> instant_count(orvane.Instant.utc(2451545.0), orvane.Instant.utc(2451546.0), 0.25)
    5
    """
    if end.julian_day < start.julian_day:
        raise InputError("to", "to is before from")
    steps = (end.julian_day - start.julian_day) / step
    if not math.isfinite(steps) or steps >= MAX_INSTANTS:
        raise InputError("step", f"more than {MAX_INSTANTS} instants: choose a longer step or a shorter range")
    return math.floor(steps + max(1e-6, 4.0 * math.ulp(end.julian_day) / step)) + 1
