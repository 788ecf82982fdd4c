"""Places on the Earth given so that latitude and longitude cannot be swapped
by accident: a keyword-only constructor, and text with hemisphere letters."""

from __future__ import annotations

import math
import re

import orvane

#: Heights a place may have, in metres: from below the deepest ocean floor (the
#: Mariana Trench, about 11,000 m) to 100,000 km, beyond geostationary orbit.
HEIGHT_RANGE_M = (-12_000.0, 1.0e8)
PLACE_FORMS = "LAT,LON[,HEIGHT_M]: latitude first, in degrees north (or 48.85N, 33.87S), then longitude east (or 2.35E, 74.01W)"
_ANGLE = re.compile(r"^\s*([-+]?(?:\d+(?:\.\d*)?|\.\d+)(?:[eE][-+]?\d+)?|[-+]?(?:nan|inf))\s*([nsewNSEW]?)\s*$")


def place(*, lat: float, lon: float, height_m: float = 0.0) -> orvane.GeodeticObserver:
    """A place from its latitude (degrees north), longitude (degrees east) and
    height above the GRS80 ellipsoid (metres), named so they cannot be swapped.

    Raises ``ValueError`` for a value that is not finite or outside its range
    (latitude [-90, 90], longitude [-180, 360], height [-12 km, 100,000 km]).

    >>> greenwich = place(lat=51.4779, lon=-0.0015, height_m=46.0)
    >>> greenwich.latitude_deg, greenwich.longitude_east_deg
    (51.4779, -0.0015)
    """
    if not all(math.isfinite(value) for value in (lat, lon, height_m)):
        raise ValueError(f"place must be finite numbers, not lat={lat}, lon={lon}, height_m={height_m}")
    if not -90.0 <= lat <= 90.0:
        raise ValueError(f"latitude must be within [-90, 90] degrees, not {lat:g}")
    if not -180.0 <= lon <= 360.0:
        raise ValueError(f"longitude must be within [-180, 360] degrees east, not {lon:g}")
    if not HEIGHT_RANGE_M[0] <= height_m <= HEIGHT_RANGE_M[1]:
        raise ValueError(f"height must be within [{HEIGHT_RANGE_M[0]:.0f}, {HEIGHT_RANGE_M[1]:.0f}] metres, "
                         f"not {height_m:g}")
    return orvane.GeodeticObserver(float(lon), float(lat), float(height_m))


def _angle(text: str, axis: str, whole: str) -> float:
    match = _ANGLE.match(text)
    if match is None:
        raise ValueError(f"place must be {PLACE_FORMS}; not {whole!r}")
    value, letter = float(match.group(1)), match.group(2).upper()
    if not letter:
        return value
    if value < 0.0 or match.group(1).startswith(("-", "+")):
        raise ValueError(f"a hemisphere letter takes an unsigned angle, not {text.strip()!r}")
    wanted = "NS" if axis == "latitude" else "EW"
    if letter not in wanted:
        other = "longitude" if axis == "latitude" else "latitude"
        raise ValueError(f"{text.strip()!r} is a {other}, but the {axis} comes "
                         f"{'first' if axis == 'latitude' else 'second'}: LAT,LON as in 48.85N,2.35E")
    return -value if letter in "SW" else value


def parse_place(text: str) -> orvane.GeodeticObserver:
    """A place from "LAT,LON" or "LAT,LON,HEIGHT_M": signed degrees (north and
    east positive) or unsigned with hemisphere letters.

    >>> sydney = parse_place("33.87S,151.21E,40")
    >>> sydney.latitude_deg, sydney.longitude_east_deg, sydney.height_m
    (-33.87, 151.21, 40.0)
    """
    parts = text.split(",")
    if len(parts) not in (2, 3):
        raise ValueError(f"place must be {PLACE_FORMS}; not {text!r}")
    lat = _angle(parts[0], "latitude", text)
    lon = _angle(parts[1], "longitude", text)
    try:
        height = float(parts[2]) if len(parts) == 3 else 0.0
    except ValueError:
        raise ValueError(f"height must be a number of metres, not {parts[2].strip()!r}") from None
    return place(lat=lat, lon=lon, height_m=height)
