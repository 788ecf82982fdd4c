"""Apparent visual magnitudes of the planets: Mallama and Hilton, "Computing
apparent planetary magnitudes for The Astronomical Almanac", Astronomy and
Computing 25 (2018) 10-24, eqs. 2-17, as skyfield's magnitudelib evaluates
them (Saturn with its rings, eq. 10; the Sun taken at the planet's
heliocentric vectors as given).

    >>> round(planet_magnitude(599, [4.0, 3.0, 0.0], [5.0, 3.0, 0.0], 2451545.0), 2)
    -2.05
"""

from __future__ import annotations

import math
from collections.abc import Sequence

# The directions of the north poles of Saturn and Uranus at J2000 in the ICRS,
# from the IAU WGCCRE pole right ascensions and declinations (Archinal et al.
# 2018, Celest. Mech. Dyn. Astr. 130:22, Table 2): Saturn 40.589, 83.537 deg;
# Uranus 257.311, -15.175 deg (the century terms left out, as skyfield does).
_POLE_RA_DEC_DEG = {699: (40.589, 83.537), 799: (257.311, -15.175)}
_JULIAN_YEAR_DAYS = 365.25


def pole_direction(code: int) -> tuple[float, float, float]:
    """The unit vector of the north pole of Saturn (699) or Uranus (799), ICRS.

    >>> [round(x, 4) for x in pole_direction(699)]
    [0.0855, 0.0732, 0.9936]
    """
    ra, dec = (math.radians(a) for a in _POLE_RA_DEC_DEG[code])
    return (math.cos(dec) * math.cos(ra), math.cos(dec) * math.sin(ra), math.sin(dec))


def _angle_deg(a: Sequence[float], b: Sequence[float]) -> float:
    cross = [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]
    return math.degrees(math.atan2(math.hypot(*cross), sum(x * y for x, y in zip(a, b))))


def _sub_latitudes(code: int, from_sun: Sequence[float], from_earth: Sequence[float]) -> tuple[float, float]:
    """The planetocentric latitudes of the sub-solar and sub-Earth points, degrees."""
    pole = pole_direction(code)
    return _angle_deg(pole, from_sun) - 90.0, _angle_deg(pole, from_earth) - 90.0


def planet_magnitude(code: int, from_sun: Sequence[float], from_earth: Sequence[float],
                     tt_julian_day: float) -> float | None:
    """The magnitude of the planet `code` (199 to 899) from its vectors from
    the Sun and from the Earth (au, ICRS), or None where the formulae have no
    value (Saturn beyond 6.5 degrees of phase or 27 of ring opening, Neptune
    beyond 1.9 degrees of phase before 2000, or a body without a formula).

    >>> planet_magnitude(301, [1.0, 0.0, 0.0], [0.0026, 0.0, 0.0], 2451545.0) is None
    True
    """
    if code not in (199, 299, 499, 599, 699, 799, 899):
        return None
    r, delta = math.hypot(*from_sun), math.hypot(*from_earth)
    i = _angle_deg(from_sun, from_earth)
    distance = 5.0 * math.log10(r * delta)
    if code == 199:
        return -0.613 + distance + (6.3280e-02 * i - 1.6336e-03 * i**2 + 3.3644e-05 * i**3 - 3.4265e-07 * i**4
                                    + 1.6893e-09 * i**5 - 3.0334e-12 * i**6)
    if code == 299:
        if i < 163.7:
            return -4.384 + distance + (((8.938e-09 * i - 2.814e-06) * i + 3.687e-04) * i - 1.044e-03) * i
        return -4.384 + distance + (8.39034e-03 * i - 2.81914) * i + 236.05828 + 4.384
    if code == 499:
        if i <= 50.0:
            return -1.601 + distance + 2.267e-02 * i - 1.302e-04 * i**2
        return -0.367 + distance - 0.02573 * i + 0.0003445 * i**2
    if code == 599:
        if i <= 12.0:
            return -9.395 + distance + (6.16e-04 * i - 3.7e-04) * i
        x = i / 180.0
        return -9.428 + distance - 2.5 * math.log10(((((-1.876 * x + 2.809) * x - 0.062) * x - 0.363) * x - 1.507) * x
                                                     + 1.0)
    if code == 699:  # globe and rings, eq. 10, within its geocentric bounds
        sun_lat, earth_lat = _sub_latitudes(code, from_sun, from_earth)
        product = sun_lat * earth_lat
        opening = math.sqrt(product) if product >= 0.0 else 0.0
        if i > 6.5 or opening > 27.0:
            return None
        s = math.sin(math.radians(opening))
        return -8.914 - 1.825 * s + 0.026 * i - 0.378 * s * math.exp(-2.25 * i) + distance
    if code == 799:  # eq. 14 with the phase term of eq. 15 beyond 3.1 degrees
        sun_lat, earth_lat = _sub_latitudes(code, from_sun, from_earth)
        magnitude = -7.110 + distance - 0.00084 * (abs(sun_lat) + abs(earth_lat)) / 2.0
        return magnitude + ((1.045e-4 * i + 6.587e-3) * i if i > 3.1 else 0.0)
    if code == 899:  # eq. 16, brightening with time, and eq. 17's phase term after 2000
        year = 2000.0 + (tt_julian_day - 2451545.0) / _JULIAN_YEAR_DAYS
        magnitude = min(max(-6.89 - 0.0054 * (year - 1980.0), -7.00), -6.89) + distance
        if i <= 1.9:
            return magnitude
        return magnitude + 7.944e-3 * i + 9.617e-5 * i**2 if year >= 2000.0 else None
    return None
