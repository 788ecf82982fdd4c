"""Events over a range of time and phenomena at an instant, as records with
calendar times, over the engine's one event search (``Engine.events``) and
its horizon events for any body of the kernels.

    >>> from orvane_tools.data import default_engine
    >>> from orvane_tools.events import search_events
    >>> engine = default_engine()
    >>> quarters = search_events(engine, "moon_quarters", "2026-01-01Z", "2026-02-01Z")
    >>> [event.name for event in quarters][:2]
    ['full_moon', 'last_quarter']
"""

from __future__ import annotations

import math
from dataclasses import dataclass
from datetime import datetime

import orvane

from orvane_tools.dates import to_datetime, to_instant
from orvane_tools.magnitudes import planet_magnitude
from orvane_tools.radii import apparent_diameter_arcsec

#: The kinds ``Engine.events`` searches for, in its table's order.
SEARCH_KINDS: tuple[str, ...] = orvane.EVENT_KINDS
#: The refracted horizon of a planet's centre, degrees.
PLANET_HORIZON_DEG = -34.0 / 60.0

#: What a search takes for an instant: an ISO text with an offset, a datetime, a UTC Julian day or an Instant.
When = datetime | str | float | orvane.Instant
_When = When


@dataclass(frozen=True)
class EventRecord:
    """One occurrence: its UTC time, its TT Julian day, the kind searched and its name."""

    when: datetime
    tt_julian_day: float
    kind: str
    name: str


def search_events(engine: orvane.Engine, kind: str, start: _When, end: _When, body: str | int | None = None,
                  other: str | int | None = None, angle_deg: float | None = None,
                  sidereal: str | orvane.SiderealMode | None = None) -> list[EventRecord]:
    """Every occurrence of a lunar or planetary event from `start` to `end` (ISO texts with an offset, datetimes, UTC Julian days or Instants), in order.

    With a sidereal mode, longitude crossings and sign ingresses are in that zodiac.

    >>> from orvane_tools.data import default_engine
    >>> engine = default_engine()
    >>> [e.name for e in search_events(engine, "station", "2024-01-01Z", "2025-01-01Z", body="mercury")][:2]
    ['station_direct', 'station_retrograde']
    """
    found = engine.events(kind, to_instant(start), to_instant(end), body=body, other=other, angle_deg=angle_deg,
                          sidereal=sidereal)
    return [EventRecord(to_datetime(orvane.Instant.tt(day), engine), day, kind, name) for day, name in found]


def horizon_events(engine: orvane.Engine, body: str | int, observer: orvane.GeodeticObserver, start: _When,
                   end: _When, altitude_deg: float = PLANET_HORIZON_DEG) -> list[EventRecord]:
    """Risings, settings, upper and lower transits of any body of the kernels at a place, in order.

    The centre crosses `altitude_deg` (default -34', the refracted horizon of a
    planet); the Sun's twilights are its crossings of -6, -12 and -18 degrees.

    >>> from orvane_tools.data import default_engine
    >>> engine = default_engine()
    >>> place = orvane.GeodeticObserver(-0.13, 51.5, 0.0)
    >>> [e.name for e in horizon_events(engine, "venus", place, "2026-01-01Z", "2026-01-02Z")]
    ['rise', 'transit', 'set', 'lower_transit']
    """
    found = engine.horizon_events(body, observer, to_instant(start), to_instant(end), altitude_deg)
    return [EventRecord(to_datetime(orvane.Instant.ut1(day), engine),
                        engine.convert_instant(orvane.Instant.ut1(day), "tt").julian_day, "horizon", name)
            for day, name in found]


@dataclass(frozen=True)
class Phenomena:
    """A body's phenomena seen from the Earth's centre at an instant."""

    elongation_deg: float            # angle between the body and the Sun
    phase_angle_deg: float           # Sun-body-Earth angle
    illuminated_fraction: float      # (1 + cos phase angle) / 2
    magnitude: float | None          # Mallama and Hilton (2018); None where it has no formula here
    apparent_diameter_arcsec: float | None = None  # the equatorial diameter's angle; None without a radius


def phenomena(engine: orvane.Engine, body: str | int, instant: orvane.Instant) -> Phenomena:
    """Elongation, phase angle, illuminated fraction, apparent magnitude
    (:mod:`orvane_tools.magnitudes`; Saturn with its rings) and apparent
    equatorial diameter (:mod:`orvane_tools.radii`) of a body.

    Directions are astrometric (light time, J2000 equator), the Sun's as the
    planet's: the angles are those of the geometry of the light.

    >>> from orvane_tools.data import default_engine
    >>> engine = default_engine()
    >>> round(phenomena(engine, "venus", orvane.Instant.tt(2460400.5)).illuminated_fraction, 2)
    0.96
    """
    options = orvane.PositionOptions("geocentric", "equatorial", "j2000", light_time=True)
    planet = _vector(engine.position(body, instant, options))
    sun = _vector(engine.position("sun", instant, options))
    from_sun = [p - s for p, s in zip(planet, sun)]
    phase = _angle(from_sun, planet)
    elongation = _angle(planet, sun)
    code = _code(body)
    tt = engine.convert_instant(instant, "tt").julian_day
    return Phenomena(elongation, phase, (1.0 + math.cos(math.radians(phase))) / 2.0,
                     planet_magnitude(code, from_sun, planet, tt),
                     apparent_diameter_arcsec(code, math.hypot(*planet)))


def _vector(position: orvane.Position) -> list[float]:
    lon, lat = math.radians(position.longitude_deg), math.radians(position.latitude_deg)
    d = position.distance_au
    return [d * math.cos(lat) * math.cos(lon), d * math.cos(lat) * math.sin(lon), d * math.sin(lat)]


def _angle(a: list[float], b: list[float]) -> float:
    cross = [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]
    return math.degrees(math.atan2(math.hypot(*cross), sum(x * y for x, y in zip(a, b))))


# NAIF ids of the bodies by name, and the planets' ids for their barycentres.
_CODES = {"sun": 10, "moon": 301, "mercury": 199, "venus": 299, "mars": 499, "jupiter": 599, "saturn": 699,
          "uranus": 799, "neptune": 899, "pluto": 999}


def _code(body: str | int) -> int:
    if isinstance(body, int):
        return body * 100 + 99 if 1 <= body <= 9 else body
    return _CODES.get(body.lower(), 0)


def equation_of_time_minutes(engine: orvane.Engine, instant: orvane.Instant) -> float:
    """Apparent minus mean solar time, in minutes (positive when a sundial is ahead of the clock).

    The Sun's Greenwich hour angle (apparent sidereal time less its apparent
    right ascension) plus half a turn, less the UT1 time of day.

    >>> from orvane_tools.data import default_engine
    >>> engine = default_engine()
    >>> round(equation_of_time_minutes(engine, orvane.Instant.utc(2460617.5)), 1)  # 2024-11-03
    16.5
    """
    sun = engine.position("sun", instant, orvane.apparent("geocentric", "equatorial"))
    gast = engine.sidereal_time(instant)
    ut1 = engine.convert_instant(instant, "ut1").julian_day
    mean_solar_deg = ((ut1 + 0.5) % 1.0) * 360.0
    difference = (gast - sun.longitude_deg + 180.0 - mean_solar_deg + 180.0) % 360.0 - 180.0
    return difference * 4.0


def sidereal_time_hours(engine: orvane.Engine, instant: orvane.Instant, longitude_east_deg: float = 0.0,
                        apparent: bool = True) -> float:
    """Greenwich (or local, at an east longitude) apparent or mean sidereal time in hours.

    >>> from orvane_tools.data import default_engine
    >>> engine = default_engine()
    >>> round(sidereal_time_hours(engine, orvane.Instant.ut1(2451545.0), apparent=False), 4)
    18.6974
    """
    return engine.sidereal_time(instant, longitude_east_deg, apparent) / 15.0
