"""A day's almanac at a place (Sun and Moon rise, set and transit, twilight,
the Moon's phase) and the year's seasons and lunations."""

from __future__ import annotations

import math
from collections.abc import Iterator
from dataclasses import dataclass
from datetime import date, datetime, time, timedelta, tzinfo

import orvane

from orvane_tools.dates import to_datetime, to_instant
from orvane_tools.sky import day_events

MOON_RADIUS_KM = 1737.4  # IAU mean radius
ASTRONOMICAL_UNIT_KM = 149597870.7  # IAU 2012 Resolution B2
TWILIGHTS: tuple[tuple[str, float], ...] = (("civil", -6.0), ("nautical", -12.0), ("astronomical", -18.0))
PHASES: tuple[str, ...] = (
    "new", "waxing crescent", "first quarter", "waxing gibbous",
    "full", "waning gibbous", "last quarter", "waning crescent",
)


@dataclass(frozen=True)
class DayAlmanac:
    day: date
    sunrise: datetime | None
    sun_transit: datetime
    sunset: datetime | None
    twilight: dict[str, tuple[datetime | None, datetime | None]]  # kind -> (dawn, dusk)
    moonrise: datetime | None
    moon_transit: datetime | None
    moonset: datetime | None
    moon_phase: str
    moon_illuminated_fraction: float


@dataclass(frozen=True)
class SkyEvent:
    when: orvane.Instant
    kind: str


def moon_horizon_altitude_deg(topocentric_distance_au: float) -> float:
    """Altitude of the Moon's centre (topocentric, so the horizontal parallax
    is already in the place) when its upper limb touches the horizon: the mean
    refraction of 34 arcmin and the Moon's semidiameter at that distance
    below the horizon."""
    semidiameter = math.degrees(math.asin(MOON_RADIUS_KM / (topocentric_distance_au * ASTRONOMICAL_UNIT_KM)))
    return orvane.MEAN_REFRACTION_ALTITUDE_DEG - semidiameter


def moon_phase(engine: orvane.Engine, instant: orvane.Instant) -> tuple[str, float]:
    """Phase name (by the Moon's longitude from the Sun) and illuminated
    fraction (1 + cos i) / 2, with the phase angle i from the elongation and
    the two distances (Meeus, Astronomical Algorithms, 2nd ed., eqs. 48.2-48.4)."""
    places = engine.positions(["sun", "moon"], [instant], orvane.apparent())[0]
    sun_lon, sun_lat, sun_dist = (math.radians(places[0][0]), math.radians(places[0][1]), float(places[0][2]))
    moon_lon, moon_lat, moon_dist = (math.radians(places[1][0]), math.radians(places[1][1]), float(places[1][2]))
    cos_elongation = (math.sin(sun_lat) * math.sin(moon_lat)
                      + math.cos(sun_lat) * math.cos(moon_lat) * math.cos(moon_lon - sun_lon))
    elongation = math.acos(max(-1.0, min(1.0, cos_elongation)))
    phase_angle = math.atan2(sun_dist * math.sin(elongation), moon_dist - sun_dist * math.cos(elongation))
    fraction = (1.0 + math.cos(phase_angle)) / 2.0
    longitude_from_sun = math.degrees(moon_lon - sun_lon) % 360.0
    return PHASES[int((longitude_from_sun + 22.5) % 360.0 // 45.0)], fraction


def day_almanac(engine: orvane.Engine, place: orvane.GeodeticObserver, day: date, zone: tzinfo) -> DayAlmanac:
    start = to_instant(datetime.combine(day, time(0), zone), fold=0)  # the first moment of the local day
    noon = to_instant(datetime.combine(day, time(12), zone), fold=0)

    sun = day_events("sun", place, day, zone, engine)
    twilight: dict[str, tuple[datetime | None, datetime | None]] = {}
    for kind, altitude in TWILIGHTS:
        dark = day_events("sun", place, day, zone, engine, altitude)
        twilight[kind] = (dark.rise, dark.set)

    moon_distance = engine.position("moon", noon, orvane.apparent("topocentric", observer=place)).distance_au
    moon_altitude = moon_horizon_altitude_deg(moon_distance)
    moon_events: dict[str, datetime | None] = {}
    for kind in ("rise", "transit", "set"):
        try:
            event = engine.next_horizon_event("moon", place, start, kind, moon_altitude)
        except ValueError:  # no such crossing within three days (high latitudes)
            moon_events[kind] = None
            continue
        when = to_datetime(orvane.Instant.ut1(event.ut1_julian_day), engine, zone)
        moon_events[kind] = when if when.date() == day else None
    phase, fraction = moon_phase(engine, noon)
    return DayAlmanac(
        day=day,
        sunrise=sun.rise,
        sun_transit=sun.transit,
        sunset=sun.set,
        twilight=twilight,
        moonrise=moon_events["rise"],
        moon_transit=moon_events["transit"],
        moonset=moon_events["set"],
        moon_phase=phase,
        moon_illuminated_fraction=fraction,
    )


def daily_almanac(
    engine: orvane.Engine, place: orvane.GeodeticObserver, first: date, last: date, zone: tzinfo
) -> Iterator[DayAlmanac]:
    day = first
    while day <= last:
        yield day_almanac(engine, place, day, zone)
        day += timedelta(days=1)


def sky_events(engine: orvane.Engine, start: orvane.Instant, end: orvane.Instant) -> list[SkyEvent]:
    """Equinoxes, solstices, new and full Moons from `start` to `end`, in time order."""
    limit = engine.convert_instant(end, "tt").julian_day
    found: list[SkyEvent] = []
    searches = [("season", k) for k in ("march_equinox", "june_solstice", "september_equinox", "december_solstice")]
    searches += [("lunation", k) for k in ("new_moon", "full_moon")]
    for family, kind in searches:
        after = start
        while True:
            event = engine.next_season_event(after, kind) if family == "season" else engine.next_lunation(after, kind)
            if event.julian_day > limit:
                break
            found.append(SkyEvent(event, kind))
            after = orvane.Instant.tt(event.julian_day + 1.0)
    found.sort(key=lambda e: e.when.julian_day)
    return found
