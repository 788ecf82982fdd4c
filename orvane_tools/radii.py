"""Radii of the Sun, the Moon and the planets, and the apparent diameter they give.

Equatorial radii of the planets and Pluto's radius from the report of the
IAU Working Group on Cartographic Coordinates and Rotational Elements: 2015
(Archinal et al. 2018, Celest. Mech. Dyn. Astr. 130:22, Tables 4 and 5),
the values the Astronomical Almanac's apparent diameters use; the Moon's
mean radius from the same report; the Sun's the nominal solar radius of IAU
2015 Resolution B3.
"""

from __future__ import annotations

import math

#: Radii in km by NAIF id of the body (the Sun 10, the Moon 301, the planets x99).
EQUATORIAL_RADII_KM: dict[int, float] = {
    10: 695700.0, 301: 1737.4, 199: 2440.53, 299: 6051.8, 399: 6378.1366, 499: 3396.19,
    599: 71492.0, 699: 60268.0, 799: 25559.0, 899: 24764.0, 999: 1188.3,
}
AU_KM = 149597870.7  # IAU 2012 Resolution B2


def apparent_diameter_arcsec(code: int, distance_au: float) -> float | None:
    """The angle a body's equatorial diameter subtends at a distance (its
    radius over the distance, as a sine), arcseconds; None for a body
    without a radius here.

    >>> round(apparent_diameter_arcsec(599, 4.2), 2)
    46.94
    """
    radius = EQUATORIAL_RADII_KM.get(code)
    if radius is None:
        return None
    return 2.0 * math.degrees(math.asin(min(1.0, radius / (distance_au * AU_KM)))) * 3600.0
