"""A map of the sky at a place and time, as SVG.

The dome of the sky is drawn from the zenith (centre) to the horizon (the
rim), altitude falling linearly with the radius (azimuthal equidistant), north
at the top and east on the left, as the sky looks to someone lying on their
back with their head to the north. Stars of the Hipparcos catalogue to a
chosen Hp magnitude (the Hipparcos passband, close to V), the Sun, the Moon
with its phase, the planets, the ecliptic and the cardinal points. Places are
apparent and topocentric, without refraction.
"""

from __future__ import annotations

import math
from typing import NamedTuple

import orvane

from .stars import attach_catalogue

__all__ = ["SkyObject", "sky_map_svg", "sky_objects"]

PLANETS = ("mercury", "venus", "mars", "jupiter", "saturn", "uranus", "neptune")
PLANET_COLOURS = {"mercury": "#b0a090", "venus": "#fff2c0", "mars": "#ff7050", "jupiter": "#f0d8a0",
                  "saturn": "#e8d090", "uranus": "#a0e0f0", "neptune": "#8090ff"}


class SkyObject(NamedTuple):
    """One thing on the map: its label, kind, altitude and azimuth (degrees,
    azimuth from north through east) and magnitude (stars only, Hp)."""

    label: str
    kind: str  # "star", "sun", "moon", "planet"
    altitude_deg: float
    azimuth_deg: float
    magnitude: float


def _horizontal(hour_angle_deg: float, declination_deg: float, latitude_deg: float) -> tuple[float, float]:
    """Altitude and azimuth (from north through east) of an hour angle and declination."""
    h, d, p = (math.radians(v) for v in (hour_angle_deg, declination_deg, latitude_deg))
    x = math.cos(d) * math.cos(h) * math.sin(p) - math.sin(d) * math.cos(p)
    y = math.cos(d) * math.sin(h)
    z = math.cos(d) * math.cos(h) * math.cos(p) + math.sin(d) * math.sin(p)
    altitude = math.degrees(math.atan2(z, math.hypot(x, y)))
    azimuth = (math.degrees(math.atan2(y, x)) + 180.0) % 360.0
    return altitude, azimuth


def _local_sidereal_time_deg(engine: orvane.Engine, observer: orvane.GeodeticObserver,
                             instant: orvane.Instant) -> float:
    """Local apparent sidereal time, read from the Sun's hour angle at the place."""
    altitude, azimuth, _ = engine.altitude_azimuth("sun", observer, instant, refraction=False)
    sun = engine.position("sun", instant, orvane.apparent("topocentric", "equatorial", observer))
    a, z, p = (math.radians(v) for v in (altitude, azimuth, observer.latitude_deg))
    hour_angle = math.degrees(math.atan2(-math.sin(z) * math.cos(a),
                                         math.sin(a) * math.cos(p) - math.cos(a) * math.cos(z) * math.sin(p)))
    return (sun.longitude_deg + hour_angle) % 360.0


def sky_objects(engine: orvane.Engine, observer: orvane.GeodeticObserver, instant: orvane.Instant,
                magnitude_limit: float = 5.0) -> list[SkyObject]:
    """The stars to the magnitude limit, the Sun, the Moon and the planets above the horizon.

    >>> from orvane_tools.data import default_engine
    >>> engine = default_engine()
    >>> objects = sky_objects(engine, orvane.GeodeticObserver(-0.0015, 51.4779), orvane.Instant.utc(2461000.5), 2.0)
    >>> all(o.altitude_deg >= 0.0 for o in objects)
    True
    """
    from .stars import star_names

    names = {hip: name for name, hip in star_names().items()}
    lst = _local_sidereal_time_deg(engine, observer, instant)
    options = orvane.apparent("topocentric", "equatorial", observer)
    objects: list[SkyObject] = []
    try:
        catalogue = engine.catalogue_stars(magnitude_limit)
    except ValueError:
        attach_catalogue(engine)
        catalogue = engine.catalogue_stars(magnitude_limit)
    if catalogue:
        places = engine.star_positions([hip for hip, *_ in catalogue], [instant], options)[0]
        for (hip, magnitude, _, _), (ra, dec, _, _) in zip(catalogue, places):
            altitude, azimuth = _horizontal(lst - ra, dec, observer.latitude_deg)
            if altitude >= 0.0:
                objects.append(SkyObject(names.get(hip, ""), "star", altitude, azimuth, magnitude))
    for body in ("sun", "moon", *PLANETS):
        try:
            place = engine.position(body, instant, options)
        except ValueError:
            continue  # a planet the kernels do not serve
        altitude, azimuth = _horizontal(lst - place.longitude_deg, place.latitude_deg, observer.latitude_deg)
        if altitude >= 0.0:
            kind = body if body in ("sun", "moon") else "planet"
            objects.append(SkyObject(body.capitalize(), kind, altitude, azimuth, math.nan))
    return objects


def _unit(altitude_deg: float, azimuth_deg: float) -> tuple[float, float, float]:
    a, z = math.radians(altitude_deg), math.radians(azimuth_deg)
    return math.cos(a) * math.cos(z), math.cos(a) * math.sin(z), math.sin(a)


def _moon_phase(moon: tuple[float, float], sun: tuple[float, float], centre: float,
                radius: float) -> tuple[float, float]:
    """The Moon's illuminated fraction and the direction of its bright limb on the map
    (degrees, SVG rotation of the +x axis), from the altitudes and azimuths of both:
    a point a tenth of a degree from the Moon toward the Sun, projected."""
    m, s = _unit(*moon), _unit(*sun)
    cosine = sum(a * b for a, b in zip(m, s))
    toward = [b - cosine * a for a, b in zip(m, s)]
    norm = math.sqrt(sum(v * v for v in toward)) or 1.0
    step = math.radians(0.1)
    p = [math.cos(step) * a + math.sin(step) * t / norm for a, t in zip(m, toward)]
    x0, y0 = _xy(*moon, centre, radius)
    x1, y1 = _xy(math.degrees(math.asin(max(-1.0, min(1.0, p[2])))), math.degrees(math.atan2(p[1], p[0])) % 360.0,
                 centre, radius)
    return (1.0 - cosine) / 2.0, math.degrees(math.atan2(y1 - y0, x1 - x0))


def _xy(altitude_deg: float, azimuth_deg: float, centre: float, radius: float) -> tuple[float, float]:
    r = radius * (90.0 - altitude_deg) / 90.0
    a = math.radians(azimuth_deg)
    return centre - r * math.sin(a), centre - r * math.cos(a)  # north up, east left


def _ecliptic_points(engine: orvane.Engine, observer: orvane.GeodeticObserver, instant: orvane.Instant,
                     lst: float) -> list[tuple[float, float]]:
    """Altitude and azimuth of the ecliptic of date every 2 degrees (mean obliquity, IAU 2006)."""
    tt = engine.convert_instant(instant, "tt").julian_day
    t = (tt - 2451545.0) / 36525.0
    obliquity = math.radians((84381.406 - 46.836769 * t) / 3600.0)
    points = []
    for k in range(181):
        lon = math.radians(2.0 * k)
        ra = math.degrees(math.atan2(math.sin(lon) * math.cos(obliquity), math.cos(lon)))
        dec = math.degrees(math.asin(math.sin(lon) * math.sin(obliquity)))
        points.append(_horizontal(lst - ra, dec, observer.latitude_deg))
    return points


def sky_map_svg(engine: orvane.Engine, observer: orvane.GeodeticObserver, instant: orvane.Instant,
                magnitude_limit: float = 5.0, size: int = 800, title: str = "") -> str:
    """The map as an SVG document of ``size`` pixels square.

    >>> from orvane_tools.data import default_engine
    >>> svg = sky_map_svg(default_engine(), orvane.GeodeticObserver(-0.0015, 51.4779),
    ...                   orvane.Instant.utc(2461000.5), 3.0)
    >>> svg.startswith("<svg") and 'class="horizon"' in svg
    True
    """
    centre = size / 2.0
    radius = size / 2.0 - 40.0
    lst = _local_sidereal_time_deg(engine, observer, instant)
    parts = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size}" '
             f'viewBox="0 0 {size} {size}" font-family="sans-serif">',
             f'<rect width="{size}" height="{size}" fill="#ffffff"/>',
             f'<circle class="horizon" cx="{centre}" cy="{centre}" r="{radius}" fill="#0b1030" stroke="#404860"/>']
    for altitude in (30.0, 60.0):
        parts.append(f'<circle class="altitude" cx="{centre}" cy="{centre}" r="{radius * (90 - altitude) / 90:.1f}" '
                     'fill="none" stroke="#283058" stroke-dasharray="3 5"/>')
    ecliptic = _ecliptic_points(engine, observer, instant, lst)
    runs: list[list[str]] = [[]]
    for altitude, azimuth in ecliptic:
        if altitude < 0.0:
            runs.append([])
            continue
        x, y = _xy(altitude, azimuth, centre, radius)
        runs[-1].append(f"{x:.1f},{y:.1f}")
    for run in runs:
        if len(run) > 1:
            parts.append(f'<polyline class="ecliptic" points="{" ".join(run)}" fill="none" stroke="#c0a040" '
                         'stroke-width="1.2" stroke-dasharray="6 4"/>')
    for label, azimuth in (("N", 0.0), ("E", 90.0), ("S", 180.0), ("W", 270.0)):
        x, y = _xy(-90.0 * 20.0 / radius, azimuth, centre, radius)  # 20 pixels beyond the rim
        parts.append(f'<text class="cardinal" x="{x:.1f}" y="{y + 7:.1f}" text-anchor="middle" font-size="20" '
                     f'font-weight="bold" fill="#203060">{label}</text>')
    for sky_object in sorted(sky_objects(engine, observer, instant, magnitude_limit),
                             key=lambda o: -o.magnitude if o.kind == "star" else -99.0):
        x, y = _xy(sky_object.altitude_deg, sky_object.azimuth_deg, centre, radius)
        if sky_object.kind == "star":
            r = max(0.6, 0.9 * (magnitude_limit + 1.0 - sky_object.magnitude))
            parts.append(f'<circle class="star" cx="{x:.1f}" cy="{y:.1f}" r="{r:.2f}" fill="#ffffff"/>')
            if sky_object.label and sky_object.magnitude < 1.6:
                parts.append(f'<text class="star-name" x="{x + r + 2:.1f}" y="{y + 4:.1f}" font-size="11" '
                             f'fill="#a0b0d0">{sky_object.label}</text>')
        elif sky_object.kind == "moon":
            sun = engine.position("sun", instant, orvane.apparent("topocentric", "equatorial", observer))
            sun_place = _horizontal(lst - sun.longitude_deg, sun.latitude_deg, observer.latitude_deg)
            fraction, limb = _moon_phase((sky_object.altitude_deg, sky_object.azimuth_deg), sun_place, centre, radius)
            parts.append(_moon_svg(fraction, limb, x, y, 9.0))
        else:
            colour = "#ffd030" if sky_object.kind == "sun" else PLANET_COLOURS.get(sky_object.label.lower(), "#ffffff")
            r = 9.0 if sky_object.kind == "sun" else 4.0
            parts.append(f'<circle class="{sky_object.kind}" cx="{x:.1f}" cy="{y:.1f}" r="{r}" fill="{colour}"/>')
            parts.append(f'<text class="body-name" x="{x + r + 3:.1f}" y="{y + 4:.1f}" font-size="12" '
                         f'fill="{colour}">{sky_object.label}</text>')
    if title:
        parts.append(f'<text class="title" x="8" y="{size - 8}" font-size="13" '
                     f'fill="#203060">{_escape(title)}</text>')
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def _moon_svg(fraction: float, limb: float, x: float, y: float, r: float) -> str:
    """The Moon as a dark disk with its lit part: a half disk on the bright limb's side
    (``limb``, the rotation of the +x axis onto it) and the terminator as a half ellipse."""
    k = 2.0 * fraction - 1.0  # terminator ellipse: -1 new, 0 quarter, 1 full
    lit = (f'<path class="moon-lit" d="M 0 {-r} A {r} {r} 0 0 1 0 {r} A {abs(k) * r:.2f} {r} 0 0 '
           f'{1 if k > 0 else 0} 0 {-r} Z" fill="#f0f0e0" transform="translate({x:.1f} {y:.1f}) '
           f'rotate({limb:.1f})"/>')
    return (f'<g class="moon" data-illuminated="{fraction:.3f}"><circle cx="{x:.1f}" cy="{y:.1f}" r="{r}" '
            f'fill="#404040"/>{lit}<text class="body-name" x="{x + r + 3:.1f}" y="{y + 4:.1f}" font-size="12" '
            f'fill="#f0f0e0">Moon</text></g>')


def _escape(text: str) -> str:
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
