"""Solar and lunar returns: the moments the Sun or the Moon comes back to its
natal longitude, and the chart of each at a place.

The natal longitude is the natal chart's (apparent, geocentric, true
ecliptic of date, in its zodiac: a sidereal chart gives sidereal returns);
the engine's event search finds the crossing to about a millisecond.

    >>> from datetime import datetime, timezone
    >>> import orvane
    >>> from orvane_tools.chart import chart
    >>> natal = chart(datetime(1990, 5, 17, 12, 30, tzinfo=timezone.utc), orvane.GeodeticObserver(2.35, 48.86))
    >>> solar_return(natal, 2026).when.isoformat(timespec="minutes")
    '2026-05-17T05:32+00:00'
"""

from __future__ import annotations

from dataclasses import dataclass
from datetime import datetime, timedelta, timezone

import orvane

from orvane_tools.chart import Chart, chart
from orvane_tools.data import default_engine
from orvane_tools.dates import to_datetime, to_instant

#: The kinds of return and the body of each.
RETURN_BODIES: dict[str, str] = {"solar": "sun", "lunar": "moon"}
# A window certain to hold the next return: a year and two days, a month and a day.
_WINDOW_DAYS = {"solar": 367.25, "lunar": 28.5}

_When = datetime | str | float | orvane.Instant


@dataclass(frozen=True)
class Return:
    """A return: the moment (UTC), its TT Julian day, the natal longitude
    reached and the chart of that moment at the return's place."""

    kind: str
    when: datetime
    tt_julian_day: float
    natal_longitude_deg: float
    chart: Chart


def _body(kind: str) -> str:
    if kind not in RETURN_BODIES:
        raise ValueError(f"unknown return {kind!r}; the returns are {', '.join(RETURN_BODIES)}")
    return RETURN_BODIES[kind]


def returns_between(kind: str, natal: Chart, start: _When, end: _When, place: orvane.GeodeticObserver | None = None,
                    *, houses: str | None = "placidus", engine: orvane.Engine | None = None) -> list[Return]:
    """Every solar or lunar return from `start` to `end`, each with its chart
    at `place` (the natal place unless given; `houses` as in
    :func:`orvane_tools.chart.chart`, None to leave them out).

    >>> from datetime import datetime, timezone
    >>> from orvane_tools.chart import chart
    >>> natal = chart(datetime(1990, 5, 17, 12, 30, tzinfo=timezone.utc), orvane.GeodeticObserver(2.35, 48.86))
    >>> len(returns_between("lunar", natal, "2026-01-01Z", "2027-01-01Z", houses=None))
    13
    """
    if engine is None:
        engine = default_engine()
    body = _body(kind)
    target = natal.point(body).longitude_deg
    sidereal = None if natal.zodiac == "tropical" else natal.zodiac
    found = engine.events("longitude", to_instant(start), to_instant(end), body=body, angle_deg=target,
                          sidereal=sidereal)
    where = natal.place if place is None else place
    return [Return(kind, to_datetime(orvane.Instant.tt(tt), engine), tt, target,
                   chart(orvane.Instant.tt(tt), where, houses=houses, sidereal=sidereal, engine=engine))
            for tt, _ in found]


def next_return(kind: str, natal: Chart, after: _When, place: orvane.GeodeticObserver | None = None, *,
                houses: str | None = "placidus", engine: orvane.Engine | None = None) -> Return:
    """The first solar or lunar return after a moment, with its chart.

    >>> from datetime import datetime, timezone
    >>> from orvane_tools.chart import chart
    >>> natal = chart(datetime(1990, 5, 17, 12, 30, tzinfo=timezone.utc), orvane.GeodeticObserver(2.35, 48.86))
    >>> next_return("lunar", natal, "2026-03-01Z").when.date().isoformat()
    '2026-03-16'
    """
    if engine is None:
        engine = default_engine()
    _body(kind)
    first = to_instant(after)
    tt = engine.convert_instant(first, "tt").julian_day
    found = returns_between(kind, natal, first, orvane.Instant.tt(tt + _WINDOW_DAYS[kind]), place,
                            houses=houses, engine=engine)
    return found[0]


def solar_return(natal: Chart, year: int, place: orvane.GeodeticObserver | None = None, *,
                 houses: str | None = "placidus", engine: orvane.Engine | None = None) -> Return:
    """The solar return of a year: the first after ten days before the
    birthday (UTC; 28 February for a 29 February) in that year.

    >>> from datetime import datetime, timezone
    >>> from orvane_tools.chart import chart
    >>> natal = chart(datetime(1990, 5, 17, 12, 30, tzinfo=timezone.utc), orvane.GeodeticObserver(2.35, 48.86))
    >>> solar_return(natal, 2030, houses=None).when.date().isoformat()
    '2030-05-17'
    """
    if engine is None:
        engine = default_engine()
    born = to_datetime(orvane.Instant.tt(natal.tt_julian_day), engine)
    day = 28 if (born.month, born.day) == (2, 29) else born.day
    birthday = datetime(year, born.month, day, tzinfo=timezone.utc)
    return next_return("solar", natal, birthday - timedelta(days=10), place, houses=houses, engine=engine)
