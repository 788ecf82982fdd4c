"""Secondary progressions (a day of ephemeris for a year of life) and
solar-arc directions of a natal chart.

The progressed date is the birth plus the age divided by the year's length
(in days of the ephemeris per day of progression); the progressed angles
follow one of the common rules:

- ``"solar_arc_mc"`` (the default): the natal midheaven advanced in longitude
  by the solar arc (the progressed Sun less the natal Sun), the ascendant and
  cusps drawn from that midheaven at the birth latitude;
- ``"solar_arc_ra"``: the natal RAMC advanced by the solar arc in right ascension;
- ``"naibod_ra"``: the natal RAMC advanced by the Sun's mean motion (360
  degrees a year of ``year_days``) times the age in years (Naibod's rate);
- ``"true"``: the houses of the progressed date itself at the birth place
  (the sidereal time of the progressed day).

Returns and transits belong to the events search; a progressed chart is a
:class:`orvane_tools.chart.Chart` so either can be laid on it.
"""

from __future__ import annotations

import dataclasses
import math
from collections.abc import Mapping
from dataclasses import dataclass
from datetime import datetime

import orvane

from orvane_tools.aspects import find_aspects
from orvane_tools.chart import Chart, Houses, Point, chart, chart_angles, house_cusps_or_fallback
from orvane_tools.data import default_engine
from orvane_tools.dates import to_instant

#: Days in a year of life: the mean tropical year at J2000 (the default;
#: Laskar 1986, 365.2421897 days), the Julian year and the sidereal year.
YEAR_DAYS: dict[str, float] = {"tropical": 365.2421897, "julian": 365.25, "sidereal": 365.256363}
ANGLE_RULES: tuple[str, ...] = ("solar_arc_mc", "solar_arc_ra", "naibod_ra", "true")
# The Earth's rotation in degrees per UT1 day (the ERA's rate, IERS Conventions
# 2010 eq. 5.15), to find a UT1 with a wanted RAMC.
_ROTATION_DEG_PER_DAY = 360.98564736629


@dataclass(frozen=True)
class Progression:
    """A progressed chart: the natal chart's points at `progressed_tt`, the
    angles and cusps by `angle_rule`, with the solar arc and the age."""

    natal: Chart
    progressed_tt: float
    age_years: float
    year_days: float
    angle_rule: str
    solar_arc_deg: float
    chart: Chart


def _instant(when: datetime | orvane.Instant) -> orvane.Instant:
    return when if isinstance(when, orvane.Instant) else to_instant(when)


def progressed_julian_day(natal_tt: float, target_tt: float, year_days: float) -> float:
    """The TT Julian day whose ephemeris stands for `target_tt`: a day for each year of `year_days` days.

    >>> progressed_julian_day(2451545.0, 2451545.0 + 3652.421897, 365.2421897)
    2451555.0
    """
    if not year_days > 0.0:
        raise ValueError("the year must be a positive number of days")
    return natal_tt + (target_tt - natal_tt) / year_days


def right_ascension_deg(longitude_deg: float, latitude_deg: float, obliquity_deg: float) -> float:
    """Right ascension of an ecliptic place (Meeus, Astronomical Algorithms, 2nd ed., eq. 13.3).

    >>> round(right_ascension_deg(90.0, 0.0, 23.44), 6)
    90.0
    """
    lon, lat, eps = math.radians(longitude_deg), math.radians(latitude_deg), math.radians(obliquity_deg)
    return math.degrees(math.atan2(math.sin(lon) * math.cos(eps) - math.tan(lat) * math.sin(eps), math.cos(lon))) % 360.0


def _ut1_for_ramc(place: orvane.GeodeticObserver, ut1: float, tt: float, ramc_deg: float) -> float:
    """A UT1 near `ut1` at which the place's RAMC (with the obliquity and
    nutation of `tt`) is `ramc_deg`: Newton's method on the Earth's rotation."""
    for _ in range(4):
        have = orvane.house_cusps(place, ut1, tt, "porphyry").ramc_deg
        step = ((ramc_deg - have + 180.0) % 360.0 - 180.0) / _ROTATION_DEG_PER_DAY
        ut1 += step
        if abs(step) < 1e-12:
            break
    return ut1


def progress(natal_when: datetime | orvane.Instant, place: orvane.GeodeticObserver,
             target: datetime | orvane.Instant, *, year_days: float = YEAR_DAYS["tropical"],
             angle_rule: str = "solar_arc_mc", houses: str = "placidus", sidereal: str | None = None,
             orbs: Mapping[str, float | None] | None = None, engine: orvane.Engine | None = None) -> Progression:
    """The secondary progression of a birth at `place` to the moment `target`.

    Points are those of :func:`orvane_tools.chart.chart` at the progressed
    date (the Part of Fortune left out); the angles and cusps follow
    `angle_rule` (one of :data:`ANGLE_RULES`), the year has `year_days` days
    (the mean tropical year unless given).

    >>> p = progress(datetime(1990, 5, 17, 12, tzinfo=timezone.utc), paris,
    ...              datetime(2026, 1, 1, tzinfo=timezone.utc))  # doctest: +SKIP
    >>> p.chart.point("sun").longitude_deg  # doctest: +SKIP
    """
    if angle_rule not in ANGLE_RULES:
        raise ValueError(f"unknown angle rule {angle_rule!r}: expected one of {', '.join(ANGLE_RULES)}")
    if engine is None:
        engine = default_engine()
    natal = chart(natal_when, place, houses=houses, sidereal=sidereal, orbs=orbs, engine=engine)
    target_tt = engine.convert_instant(_instant(target), "tt").julian_day
    progressed_tt = progressed_julian_day(natal.tt_julian_day, target_tt, year_days)
    moved = chart(orvane.Instant.tt(progressed_tt), place, houses=None, sidereal=sidereal, engine=engine)
    age_years = (target_tt - natal.tt_julian_day) / year_days
    arc = moved.point("sun").longitude_deg - natal.point("sun").longitude_deg
    arc = (arc + 180.0) % 360.0 - 180.0  # the Sun moves under 180 degrees in 180 years of life

    assert natal.ut1_julian_day is not None
    natal_ut1 = natal.ut1_julian_day
    natal_cusps = orvane.house_cusps(place, natal_ut1, natal.tt_julian_day, "porphyry")
    progressed_ut1 = engine.convert_instant(orvane.Instant.tt(progressed_tt), "ut1").julian_day
    obliquity = orvane.house_cusps(place, progressed_ut1, progressed_tt, "porphyry").true_obliquity_deg
    if angle_rule == "true":
        ut1 = progressed_ut1
    else:
        if angle_rule == "solar_arc_mc":
            tropical_arc = arc + moved.ayanamsha_deg - natal.ayanamsha_deg
            ramc = right_ascension_deg(natal_cusps.midheaven_deg + tropical_arc, 0.0, obliquity)
        elif angle_rule == "solar_arc_ra":
            sun_n, sun_p = natal.point("sun"), moved.point("sun")
            ra_n = right_ascension_deg(sun_n.longitude_deg + natal.ayanamsha_deg, sun_n.latitude_deg,
                                       natal_cusps.true_obliquity_deg)
            ra_p = right_ascension_deg(sun_p.longitude_deg + moved.ayanamsha_deg, sun_p.latitude_deg, obliquity)
            ramc = natal_cusps.ramc_deg + ra_p - ra_n
        else:
            ramc = natal_cusps.ramc_deg + naibod_arc_deg(age_years)
        ut1 = _ut1_for_ramc(place, progressed_ut1, progressed_tt, ramc)
    house_result = house_cusps_or_fallback(place, ut1, progressed_tt, houses, "porphyry", moved.ayanamsha_deg)
    angles = chart_angles(place, ut1, progressed_tt, moved.ayanamsha_deg)
    points = (*moved.points, *angles[2:])
    angle_points = tuple(dataclasses.replace(a, speed_deg_per_day=None) for a in angles[:2])
    result = dataclasses.replace(moved, ut1_julian_day=ut1, houses=house_result, angles=angle_points, points=points,
                                 aspects=find_aspects([*points, *angle_points], orbs))
    return Progression(natal, progressed_tt, age_years, year_days, angle_rule, arc, result)


def solar_arc_directions(natal: Chart, arc_deg: float) -> Chart:
    """Every point, angle and cusp of a natal chart advanced by `arc_deg` in
    longitude (the solar arc: a :class:`Progression`'s ``solar_arc_deg``).

    >>> directed = solar_arc_directions(natal, progression.solar_arc_deg)  # doctest: +SKIP
    """
    def moved(point: Point) -> Point:
        return dataclasses.replace(point, longitude_deg=(point.longitude_deg + arc_deg) % 360.0, speed_deg_per_day=None)

    points = tuple(moved(p) for p in natal.points)
    angles = tuple(moved(p) for p in natal.angles)
    houses: Houses | None = None
    if natal.houses is not None:
        h = natal.houses
        houses = dataclasses.replace(h, cusps_deg=tuple((c + arc_deg) % 360.0 for c in h.cusps_deg),
                                     ascendant_deg=(h.ascendant_deg + arc_deg) % 360.0,
                                     midheaven_deg=(h.midheaven_deg + arc_deg) % 360.0)
    return dataclasses.replace(natal, points=points, angles=angles, houses=houses,
                               aspects=find_aspects([*points, *angles]))


def naibod_arc_deg(age_years: float, year_days: float = YEAR_DAYS["tropical"]) -> float:
    """Naibod's arc: the Sun's mean daily motion (360 degrees in `year_days`
    days, the mean tropical year unless given) for each year of age.

    >>> round(naibod_arc_deg(1.0), 6)
    0.985647
    """
    return age_years * 360.0 / year_days
