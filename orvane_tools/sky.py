"""The sky at a place: altitude and azimuth, rise, transit and set in local time.

Times come back as aware datetimes in the place's time zone (an IANA name
such as "Europe/London" or any tzinfo), converted from the engine's UT1 by
the engine itself.
"""
from __future__ import annotations

import contextlib
import datetime
import math
from typing import Iterator, NamedTuple

import orvane

from .data import default_engine
from .dates import as_time_zone, to_datetime, to_instant

#: The altitude of a body's centre at its rise and set: the Sun's upper limb, and for
#: the Moon's centre (``moon_edge="centre"``) and other bodies a point with mean refraction.
#: The Moon's upper limb depends on its distance: ``moon_horizon_altitude_deg``.
RISE_SET_ALTITUDE_DEG = {
    "sun": orvane.SUN_UPPER_LIMB_ALTITUDE_DEG,
    "moon": orvane.MEAN_REFRACTION_ALTITUDE_DEG,
}
MOON_RADIUS_KM = 1737.4  # IAU mean radius
ASTRONOMICAL_UNIT_KM = 149597870.7  # IAU 2012 Resolution B2
#: What touches the horizon at moonrise and moonset: the upper limb (almanacs' usage) or the centre.
MOON_EDGES = ("upper_limb", "centre")


def moon_horizon_altitude_deg(topocentric_distance_au: float) -> float:
    """Altitude of the Moon's centre (topocentric, so the horizontal parallax
    is already in the place) when its upper limb touches the horizon: the mean
    refraction of 34 arcmin and the Moon's semidiameter at that distance
    below the horizon (Explanatory Supplement to the Astronomical Almanac,
    3rd ed., section 15.4).

    >>> round(moon_horizon_altitude_deg(0.00257), 3)
    -0.826
    """
    semidiameter = math.degrees(math.asin(MOON_RADIUS_KM / (topocentric_distance_au * ASTRONOMICAL_UNIT_KM)))
    return orvane.MEAN_REFRACTION_ALTITUDE_DEG - semidiameter


def moon_rise_set_altitude_deg(engine: orvane.Engine, observer: orvane.GeodeticObserver, when: orvane.Instant,
                               moon_edge: str = "upper_limb") -> float:
    """The altitude of the Moon's centre at moonrise and moonset near ``when``:
    its upper limb at mean refraction (the default, as almanacs use) or, with
    ``moon_edge="centre"``, its centre at mean refraction.

    >>> moon_rise_set_altitude_deg(default_engine(), orvane.GeodeticObserver(0.0, 51.5),
    ...                            orvane.Instant.utc(2461000.0), "centre") == orvane.MEAN_REFRACTION_ALTITUDE_DEG
    True
    """
    if moon_edge not in MOON_EDGES:
        raise ValueError(f"moon_edge must be one of {', '.join(MOON_EDGES)}, not {moon_edge!r}")
    if moon_edge == "centre":
        return orvane.MEAN_REFRACTION_ALTITUDE_DEG
    distance = engine.position("moon", when, orvane.apparent("topocentric", observer=observer)).distance_au
    return moon_horizon_altitude_deg(distance)


@contextlib.contextmanager
def _earth_orientation_explained() -> Iterator[None]:
    """Adds to an Earth-orientation coverage error the calendar date where the table ends and how to update it."""
    try:
        yield
    except orvane.OutsideEopCoverageError as error:
        end = to_datetime(orvane.Instant.utc(error.end)).date()
        explained = orvane.OutsideEopCoverageError(
            f"{error}: the Earth-orientation table (measured and predicted UT1 and polar motion) ends on "
            f"{end.isoformat()}; a newer one comes with pip install --upgrade astropy-iers-data")
        explained.julian_day, explained.start, explained.end = error.julian_day, error.start, error.end
        raise explained from error


class Horizontal(NamedTuple):
    """Where a body stands in a place's sky: apparent altitude above the horizon,
    azimuth from north through east (degrees), and distance (au)."""

    altitude_deg: float
    azimuth_deg: float
    distance_au: float


def altitude_azimuth(body: str, observer: orvane.GeodeticObserver,
                     when: datetime.datetime | str | float | orvane.Instant, engine: orvane.Engine | None = None,
                     refraction: bool = False) -> Horizontal:
    """Altitude and azimuth of a body at a place and time (any form ``to_instant`` takes; a number is a UTC Julian day).

    ``refraction=True`` adds standard atmospheric refraction to the altitude.
    """
    engine = engine if engine is not None else default_engine()
    with _earth_orientation_explained():
        altitude, azimuth, distance = engine.altitude_azimuth(
            body, observer, to_instant(when), refraction)
    return Horizontal(float(altitude), float(azimuth), float(distance))


class DayEvents(NamedTuple):
    """A body's meridian transit on a local day, with the rise before it and the set after it.

    Rise and set are None when the body stays above or below the horizon.
    """

    rise: datetime.datetime | None
    transit: datetime.datetime
    set: datetime.datetime | None


def day_events(body: str, observer: orvane.GeodeticObserver, day: datetime.date, tz: datetime.tzinfo | str,
               engine: orvane.Engine | None = None, altitude_deg: float | None = None, *,
               moon_edge: str = "upper_limb") -> DayEvents:
    """Rise, transit and set of the Sun or the Moon on a local calendar day at a place.

    The transit is the one nearest local noon of ``day`` in ``tz``; the rise
    and the set are those around that transit (for the Moon they may fall on
    the day before or after). ``altitude_deg`` defaults to the Sun's upper
    limb; for the Moon, to its upper limb at mean refraction as almanacs and
    ``orvane_tools.almanac`` use (``moon_edge="centre"``: its centre), and
    for other bodies to a point with mean refraction.
    """
    engine = engine if engine is not None else default_engine()
    zone = as_time_zone(tz)
    noon = datetime.datetime(day.year, day.month, day.day, 12, tzinfo=zone)
    with _earth_orientation_explained():
        if altitude_deg is None and body.strip().lower() == "moon":
            altitude_deg = moon_rise_set_altitude_deg(engine, observer, to_instant(noon, fold=0), moon_edge)
        elif altitude_deg is None:
            altitude_deg = RISE_SET_ALTITUDE_DEG.get(body.strip().lower(), orvane.MEAN_REFRACTION_ALTITUDE_DEG)
        events = engine.rise_set_transit(body, observer, to_instant(noon, fold=0), altitude_deg)

    def local(ut1_julian_day: float | None) -> datetime.datetime | None:
        if ut1_julian_day is None:
            return None
        return to_datetime(orvane.Instant.ut1(ut1_julian_day), engine, zone)

    transit = local(events.transit_ut1_julian_day)
    assert transit is not None
    return DayEvents(local(events.rise_ut1_julian_day), transit, local(events.set_ut1_julian_day))
