"""The chart's computed points: the osculating lunar apogee (true Lilith), the
Part of Fortune, the Vertex and the East Point."""

from __future__ import annotations

import math
from collections.abc import Sequence

# Geocentric gravitational constant GM(Earth), km^3/s^2 (IERS Conventions 2010,
# table 1.1), and the Moon-Earth mass ratio (IAU 2009 system of astronomical
# constants): GM(Earth) + GM(Moon) is the osculating lunar orbit's parameter.
_GM_EARTH_KM3_S2 = 398600.4418
_MOON_EARTH_MASS_RATIO = 0.0123000371
_AU_KM = 149597870.700  # IAU 2012 Resolution B2
_DAY_S = 86400.0
_GM_EARTH_MOON_AU3_DAY2 = _GM_EARTH_KM3_S2 * (1.0 + _MOON_EARTH_MASS_RATIO) * _DAY_S**2 / _AU_KM**3


def _cartesian(place: Sequence[float]) -> tuple[float, float, float]:
    lon, lat, dist = math.radians(place[0]), math.radians(place[1]), place[2]
    return (dist * math.cos(lat) * math.cos(lon), dist * math.cos(lat) * math.sin(lon), dist * math.sin(lat))


def _cross(a: Sequence[float], b: Sequence[float]) -> tuple[float, float, float]:
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def osculating_lunar_apogee(before: Sequence[float], now: Sequence[float], after: Sequence[float],
                            step_days: float) -> tuple[float, float, float]:
    """Longitude, latitude (degrees) and distance (au) of the apogee of the
    Moon's osculating geocentric orbit ("true Lilith"), from three (longitude,
    latitude, distance) places of the Moon a step apart on the ecliptic of
    date. The apogee lies opposite the eccentricity vector
    e = v x h / mu - r / |r| (h = r x v, mu = GM(Earth) + GM(Moon)), at the
    distance a (1 + e) with a = 1 / (2 / |r| - v^2 / mu) (the vis-viva law).
    Vallado, Fundamentals of Astrodynamics and Applications (4th ed.), alg. 9.

    >>> moon = [(-0.015, 0.0, 0.0024), (0.0, 0.0, 0.0024), (0.015, 0.0, 0.0024)]  # fast: at perigee
    >>> round(osculating_lunar_apogee(*moon, 0.001)[0], 6)
    180.0
    """
    r = _cartesian(now)
    r_before, r_after = _cartesian(before), _cartesian(after)
    v = [(a - b) / (2.0 * step_days) for a, b in zip(r_after, r_before)]
    mu = _GM_EARTH_MOON_AU3_DAY2
    radius = math.sqrt(sum(c * c for c in r))
    h = _cross(r, v)
    v_cross_h = _cross(v, h)
    e = [vh / mu - rc / radius for vh, rc in zip(v_cross_h, r)]
    eccentricity = math.sqrt(sum(c * c for c in e))
    semi_major_axis = 1.0 / (2.0 / radius - sum(c * c for c in v) / mu)
    longitude = math.degrees(math.atan2(-e[1], -e[0])) % 360.0
    latitude = math.degrees(math.asin(-e[2] / eccentricity))
    return longitude, latitude, semi_major_axis * (1.0 + eccentricity)


def _unit(vector: Sequence[float]) -> tuple[float, float, float]:
    norm = math.sqrt(sum(c * c for c in vector))
    return (vector[0] / norm, vector[1] / norm, vector[2] / norm)


def _triad(first: Sequence[float], second: Sequence[float]) -> tuple[tuple[float, float, float], ...]:
    one = _unit(first)
    two = _unit(_cross(first, second))
    return one, two, _cross(one, two)


def same_direction_in(place: Sequence[float], reference: Sequence[Sequence[float]],
                      reference_there: Sequence[Sequence[float]]) -> tuple[float, float]:
    """Longitude and latitude (degrees) in another frame of a direction given
    as (longitude, latitude) in this one, the rotation between the frames
    fixed by two directions known in both, (longitude, latitude, ...) each
    (the TRIAD construction: Black, AIAA Journal 2, 1964, 1350).

    >>> round(same_direction_in((10.0, 0.0), [(0.0, 0.0, 1.0), (90.0, 0.0, 1.0)], [(5.0, 0.0, 1.0), (95.0, 0.0, 1.0)])[0], 9)
    15.0
    """
    here = _triad(_cartesian((*reference[0][:2], 1.0)), _cartesian((*reference[1][:2], 1.0)))
    there = _triad(_cartesian((*reference_there[0][:2], 1.0)), _cartesian((*reference_there[1][:2], 1.0)))
    vector = _cartesian((place[0], place[1], 1.0))
    components = [sum(h * v for h, v in zip(axis, vector)) for axis in here]
    rotated = [sum(components[k] * there[k][i] for k in range(3)) for i in range(3)]
    return math.degrees(math.atan2(rotated[1], rotated[0])) % 360.0, math.degrees(math.asin(max(-1.0, min(1.0, rotated[2]))))


def ascendant_deg(ramc_deg: float, obliquity_deg: float, latitude_deg: float) -> float:
    """The ecliptic longitude rising in the east for a sidereal time (RAMC),
    obliquity and geographic latitude (Meeus, Astronomical Algorithms, 2nd
    ed., ch. 14 and eq. 13.5 turned to the horizon).

    >>> round(ascendant_deg(0.0, 23.44, 0.0), 6)  # the equator at RAMC 0: the first point of Cancer
    90.0
    """
    ramc, obliquity, latitude = math.radians(ramc_deg), math.radians(obliquity_deg), math.radians(latitude_deg)
    return math.degrees(math.atan2(math.cos(ramc), -(math.sin(ramc) * math.cos(obliquity)
                                                   + math.tan(latitude) * math.sin(obliquity)))) % 360.0


def east_point_deg(ramc_deg: float, obliquity_deg: float) -> float:
    """The East Point (equatorial ascendant): the ecliptic longitude rising in
    the east at the equator, the ecliptic point of right ascension RAMC + 90.

    >>> round(east_point_deg(90.0, 23.44), 6)
    180.0
    """
    return ascendant_deg(ramc_deg, obliquity_deg, 0.0)


def vertex_deg(ramc_deg: float, obliquity_deg: float, latitude_deg: float) -> float:
    """The Vertex: where the prime vertical meets the ecliptic in the west.
    The prime vertical is the horizon of the co-latitude turned half a day,
    so the ecliptic meets it at the ascendant of RAMC + 180 for latitude
    90 - latitude and at the point opposite; the Vertex is the one west of
    the meridian (less than 180 degrees of longitude behind the midheaven).

    >>> round(vertex_deg(30.0, 23.44, 50.0), 4), round(vertex_deg(30.0, 23.44, 5.0), 4)
    (278.2103, 11.961)
    """
    candidate = ascendant_deg(ramc_deg + 180.0, obliquity_deg, 90.0 - latitude_deg)
    ramc, obliquity = math.radians(ramc_deg), math.radians(obliquity_deg)
    midheaven = math.degrees(math.atan2(math.sin(ramc), math.cos(ramc) * math.cos(obliquity)))
    return candidate if (candidate - midheaven) % 360.0 >= 180.0 else (candidate + 180.0) % 360.0


def is_day_chart(sun_house: int) -> bool:
    """A day chart has the Sun above the horizon: in houses 7 to 12.

    >>> is_day_chart(10), is_day_chart(4)
    (True, False)
    """
    return 7 <= sun_house <= 12


def part_of_fortune_deg(ascendant: float, sun: float, moon: float, day: bool) -> float:
    """The Part of Fortune: ascendant + Moon - Sun by day, ascendant + Sun - Moon by night.

    >>> part_of_fortune_deg(100.0, 10.0, 40.0, day=True), part_of_fortune_deg(100.0, 10.0, 40.0, day=False)
    (130.0, 70.0)
    """
    return (ascendant + (moon - sun if day else sun - moon)) % 360.0
