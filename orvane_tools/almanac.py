"""A day's almanac at a place (Sun and Moon rise, set and transit, twilight,
the Moon's phase) and the year's seasons and lunations."""

from __future__ import annotations

import math
from collections.abc import Iterator
from dataclasses import dataclass, field
from datetime import date, datetime, time, timedelta, tzinfo
from zoneinfo import ZoneInfo

import orvane

from orvane_tools.dates import to_datetime, to_instant
from orvane_tools.sky import DayEvents, day_events, moon_rise_set_altitude_deg
from orvane_tools.sky import moon_horizon_altitude_deg as moon_horizon_altitude_deg  # its home is sky

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
    #: Where a crossing is missing because the body stays on one side all day:
    #: "up" or "down", by the name of the missing time ("sunrise", "sunset",
    #: "civil_dawn", ..., "moonrise", "moonset"); a moonrise on the next day is not listed.
    all_day: dict[str, str] = field(default_factory=dict)

    @property
    def polar(self) -> str | None:
        """"polar day" where the Sun stays up all day, "polar night" where it stays down, else None."""
        rise, set_ = self.all_day.get("sunrise"), self.all_day.get("sunset")
        if rise is None or rise != set_:
            return None
        return "polar day" if rise == "up" else "polar night"


@dataclass(frozen=True)
class SkyEvent:
    when: orvane.Instant
    kind: str


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


def _side(engine: orvane.Engine, body: str, place: orvane.GeodeticObserver, when: datetime,
          altitude_deg: float) -> str:
    """Whether the body's centre stands above ("up") or below ("down") ``altitude_deg`` at ``when``."""
    altitude, _, _ = engine.altitude_azimuth(body, place, to_instant(when, fold=when.fold), refraction=False)
    return "up" if altitude >= altitude_deg else "down"


def day_almanac(engine: orvane.Engine, place: orvane.GeodeticObserver, day: date, zone: tzinfo,
                moon_edge: str = "upper_limb") -> DayAlmanac:
    """The almanac of a local day: Sun and Moon rise, transit and set,
    twilight, phase. Moonrise and moonset are those of the Moon's upper limb
    at mean refraction, as almanacs give them (``moon_edge="centre"``: its
    centre), the same as ``orvane_tools.sky.day_events("moon", ...)``.

    >>> import orvane_tools
    >>> oslo = orvane_tools.place(lat=59.91, lon=10.75)
    >>> day_almanac(orvane_tools.default_engine(), oslo, date(2026, 6, 21), ZoneInfo("Europe/Oslo")).polar is None
    True
    """
    start = to_instant(datetime.combine(day, time(0), zone), fold=0)  # the first moment of the local day
    noon_local = datetime.combine(day, time(12), zone)
    noon = to_instant(noon_local, fold=0)
    all_day: dict[str, str] = {}

    def crossings(names: tuple[str, str], altitude: float | None) -> DayEvents:
        events = day_events("sun", place, day, zone, engine, altitude)
        threshold = orvane.SUN_UPPER_LIMB_ALTITUDE_DEG if altitude is None else altitude
        for name, when in zip(names, (events.rise, events.set)):
            if when is None:  # no crossing on either side of the transit: the culmination tells the side
                all_day[name] = _side(engine, "sun", place, events.transit, threshold)
        return events

    sun = crossings(("sunrise", "sunset"), None)
    twilight: dict[str, tuple[datetime | None, datetime | None]] = {}
    for kind, altitude in TWILIGHTS:
        dark = crossings((f"{kind}_dawn", f"{kind}_dusk"), altitude)
        twilight[kind] = (dark.rise, dark.set)

    moon_altitude = moon_rise_set_altitude_deg(engine, place, noon, moon_edge)
    moon_events: dict[str, datetime | None] = {}
    for kind in ("rise", "transit", "set"):
        try:
            event = engine.next_horizon_event("moon", place, start, kind, moon_altitude)
        except ValueError:  # no such crossing within three days (high latitudes)
            moon_events[kind] = None
            if kind != "transit":
                all_day[f"moon{kind}"] = _side(engine, "moon", place, noon_local, moon_altitude)
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
        all_day=all_day,
    )


def daily_almanac(
    engine: orvane.Engine, place: orvane.GeodeticObserver, first: date, last: date, zone: tzinfo,
    moon_edge: str = "upper_limb",
) -> Iterator[DayAlmanac]:
    """``day_almanac`` for every local day from ``first`` to ``last``."""
    day = first
    while day <= last:
        yield day_almanac(engine, place, day, zone, moon_edge)
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
