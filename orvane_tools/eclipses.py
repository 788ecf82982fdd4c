"""Lunar and solar eclipses as records in calendar time (UTC datetimes),
over the engine's searches ``Engine.lunar_eclipses``,
``Engine.solar_eclipses`` and ``Engine.local_solar_eclipses``.

The Sun and Moon are the kernel's apparent ones; the Earth is the GRS80
ellipsoid; the Moon's radius is k = 0.2725076 Earth equatorial radii (IAU),
the Sun's 696,000 km. A lunar eclipse's shadow is enlarged by Danjon's rule
(1.01 times the Moon's parallax, as Skyfield and the French almanac take it)
or by Chauvenet's (1/50 on both radii, the Astronomical Almanac's).

    >>> from orvane_tools.data import default_engine
    >>> from orvane_tools.eclipses import lunar_eclipses
    >>> engine = default_engine()
    >>> [e.kind for e in lunar_eclipses(engine, "2025-01-01Z", "2026-01-01Z")]
    ['total', 'total']
"""

from __future__ import annotations

from dataclasses import dataclass
from datetime import datetime

import orvane

from orvane_tools.dates import to_datetime, to_instant

_When = datetime | str | float | orvane.Instant

#: The shadow rules of lunar eclipses; the first is the default.
SHADOW_RULES: tuple[str, ...] = orvane.SHADOW_RULES


@dataclass(frozen=True)
class LunarEclipse:
    """One lunar eclipse: its kind ("penumbral", "partial", "total"), the
    UTC time of greatest eclipse and its TT Julian day, the contacts with
    the penumbra (P1, P4) and the umbra (U1 to U4; None where not reached),
    the umbral and penumbral magnitudes and gamma (Earth radii, north
    positive)."""

    kind: str
    greatest: datetime
    tt_julian_day: float
    p1: datetime
    u1: datetime | None
    u2: datetime | None
    u3: datetime | None
    u4: datetime | None
    p4: datetime
    umbral_magnitude: float
    penumbral_magnitude: float
    gamma: float


@dataclass(frozen=True)
class SolarEclipse:
    """One solar eclipse over the whole Earth: its kind ("partial",
    "annular", "total", "hybrid"), whether central, the UTC time of greatest
    eclipse and its TT Julian day, the place then (where the axis meets the
    Earth, or the nearest point of its limb), the magnitude there, gamma
    (Earth radii, north positive) and the central path's width in km (0 when
    not central)."""

    kind: str
    central: bool
    greatest: datetime
    tt_julian_day: float
    longitude_east_deg: float
    latitude_deg: float
    magnitude: float
    gamma: float
    path_width_km: float


@dataclass(frozen=True)
class LocalSolarEclipse:
    """A solar eclipse at a place: its kind there ("partial", "annular",
    "total"), the UTC times of maximum (and its TT Julian day) and of the
    contacts C1 to C4 (C2, C3 None unless annular or total), the magnitude
    and obscuration at maximum, the Sun's geometric altitude in degrees at
    C1, C2, maximum, C3, C4 (None where no contact), and whether the Sun is
    up (upper limb above the horizon) at some moment of it."""

    kind: str
    maximum: datetime
    tt_julian_day: float
    c1: datetime
    c2: datetime | None
    c3: datetime | None
    c4: datetime
    magnitude: float
    obscuration: float
    altitudes_deg: tuple[float, float | None, float, float | None, float]
    visible: bool


def _utc(engine: orvane.Engine, tt_julian_day: float) -> datetime:
    return to_datetime(orvane.Instant.tt(tt_julian_day), engine)


def _maybe(engine: orvane.Engine, tt_julian_day: float | None) -> datetime | None:
    return None if tt_julian_day is None else _utc(engine, tt_julian_day)


def lunar_eclipses(engine: orvane.Engine, start: _When, end: _When, shadow_rule: str = "danjon") -> list[LunarEclipse]:
    """Every lunar eclipse whose greatest eclipse falls from `start` to `end`
    (ISO texts with an offset, datetimes, UTC Julian days or Instants), in order.

    >>> from orvane_tools.data import default_engine
    >>> engine = default_engine()
    >>> eclipse = lunar_eclipses(engine, "2025-03-01Z", "2025-04-01Z")[0]
    >>> eclipse.kind, eclipse.greatest.strftime("%Y-%m-%d %H:%M"), round(eclipse.umbral_magnitude, 3)
    ('total', '2025-03-14 06:58', 1.178)
    """
    found = engine.lunar_eclipses(to_instant(start), to_instant(end), shadow_rule)
    return [
        LunarEclipse(kind, _utc(engine, greatest), greatest, _utc(engine, p1), _maybe(engine, u1), _maybe(engine, u2),
                     _maybe(engine, u3), _maybe(engine, u4), _utc(engine, p4), umbral, penumbral, gamma)
        for kind, greatest, p1, u1, u2, u3, u4, p4, umbral, penumbral, gamma in found
    ]


def solar_eclipses(engine: orvane.Engine, start: _When, end: _When) -> list[SolarEclipse]:
    """Every solar eclipse whose greatest eclipse falls from `start` to `end`, in order.

    >>> from orvane_tools.data import default_engine
    >>> engine = default_engine()
    >>> eclipse = solar_eclipses(engine, "2024-04-01Z", "2024-05-01Z")[0]
    >>> eclipse.kind, eclipse.greatest.strftime("%H:%M"), round(eclipse.latitude_deg), round(eclipse.path_width_km)
    ('total', '18:17', 25, 201)
    """
    found = engine.solar_eclipses(to_instant(start), to_instant(end))
    return [
        SolarEclipse(kind, central, _utc(engine, greatest), greatest, longitude, latitude, magnitude, gamma, width)
        for kind, greatest, central, longitude, latitude, magnitude, gamma, width in found
    ]


def local_solar_eclipses(engine: orvane.Engine, observer: orvane.GeodeticObserver, start: _When, end: _When,
                         *, visible_only: bool = True,
                         horizon_altitude_deg: float = orvane.SUN_UPPER_LIMB_ALTITUDE_DEG) -> list[LocalSolarEclipse]:
    """Every solar eclipse the place sees whose maximum falls from `start` to
    `end`, in order; with ``visible_only=False`` also those under its horizon.

    An eclipse is visible when the geometric altitude of the Sun's centre
    (no refraction) exceeds `horizon_altitude_deg` at C1, C2, maximum, C3, C4
    or one of twelve equal steps from C1 to C4. The default, -50', puts the
    upper limb on a sea horizon with standard refraction (34') and the
    Sun's semi-diameter (16'); an eclipse seen only in part at sunrise or
    sunset thus counts, which other almanacs may leave out. Pass 0.0 to ask
    for the Sun's centre above the geometric horizon.

    >>> from orvane_tools.data import default_engine
    >>> engine = default_engine()
    >>> madrid = orvane.GeodeticObserver(-3.70, 40.42, 650.0)
    >>> eclipse = local_solar_eclipses(engine, madrid, "2026-01-01Z", "2027-01-01Z")[0]
    >>> eclipse.kind, eclipse.maximum.strftime("%Y-%m-%d"), round(eclipse.magnitude, 2)
    ('partial', '2026-08-12', 1.0)
    """
    found = engine.local_solar_eclipses(observer, to_instant(start), to_instant(end), horizon_altitude_deg)
    records = []
    for (kind, maximum, c1, c2, c3, c4, magnitude, obscuration, a1, a2, am, a3, a4, visible) in found:
        if visible_only and not visible:
            continue
        records.append(LocalSolarEclipse(kind, _utc(engine, maximum), maximum, _utc(engine, c1), _maybe(engine, c2),
                                         _maybe(engine, c3), _utc(engine, c4), magnitude, obscuration,
                                         (a1, a2, am, a3, a4), visible))
    return records
