"""The service's answers as JSON-ready dictionaries: charts, positions,
almanac days and sky events, and the data they were computed from."""

from __future__ import annotations

from datetime import datetime, tzinfo
from typing import Any

import orvane

from orvane_tools import chart as charts
from orvane_tools.almanac import TWILIGHTS, DayAlmanac, SkyEvent
from orvane_tools.dates import to_datetime
from orvane_tools.events import EventRecord

JSON = dict[str, Any]


def provenance(engine: orvane.Engine) -> JSON:
    """The kernels and time files an engine reads, with their SHA-256 checksums.

    >>> import orvane_tools
    >>> provenance(orvane_tools.default_engine())["kernel_name"]
    'de421.bsp'
    """
    metadata = engine.kernel_metadata.as_dict()
    return {
        "engine_version": metadata["engine_version"],
        "kernel_name": metadata["kernel_name"],
        "kernel_sha256": metadata["kernel_sha256"],
        "additional_kernels": [{"name": name, "sha256": checksum} for name, checksum in metadata["additional_kernels"]],
    }


def provenance_header(data: JSON) -> str:
    """The provenance in one header value: "name=sha256" pairs, the primary kernel first.

    >>> provenance_header({"kernel_name": "a.bsp", "kernel_sha256": "00", "additional_kernels": []})
    'a.bsp=00'
    """
    pairs = [(data["kernel_name"], data["kernel_sha256"])]
    pairs += [(extra["name"], extra["sha256"]) for extra in data["additional_kernels"]]
    return ", ".join(f"{name}={checksum}" for name, checksum in pairs)


def _point(point: charts.Point, houses: charts.Houses | None) -> JSON:
    return {
        "name": point.name,
        "longitude_deg": point.longitude_deg,
        "zodiac": charts.zodiac_text(point.longitude_deg),
        "sign": point.sign,
        "latitude_deg": point.latitude_deg,
        "distance_au": point.distance_au,
        "speed_deg_per_day": point.speed_deg_per_day,
        "retrograde": point.retrograde,
        "house": None if houses is None else houses.house_of(point.longitude_deg),
    }


def chart_answer(result: charts.Chart, when: datetime) -> JSON:
    """A chart as JSON: its moment, points, angles, house cusps and aspects.

    >>> import orvane_tools, datetime
    >>> moment = datetime.datetime(2000, 1, 1, 12, tzinfo=datetime.timezone.utc)
    >>> answer = chart_answer(charts.chart(moment, orvane_tools.place(lat=0, lon=0)), moment)
    >>> answer["points"][0]["name"], answer["points"][0]["sign"]
    ('sun', 'Capricorn')
    """
    houses = result.houses
    return {
        "time": when.isoformat(),
        "tt_julian_day": result.tt_julian_day,
        "ut1_julian_day": result.ut1_julian_day,
        "ut1_source": result.ut1_source,
        "place": {"lat": result.place.latitude_deg, "lon": result.place.longitude_east_deg,
                  "height_m": result.place.height_m},
        "zodiac": result.zodiac,
        "ayanamsha_deg": result.ayanamsha_deg,
        "points": [_point(point, houses) for point in result.points],
        "angles": [_point(angle, houses) for angle in result.angles],
        "houses": None if houses is None else {
            "system": houses.system,
            "requested_system": houses.requested_system,
            "fallback_reason": houses.fallback_reason,
            "cusps_deg": list(houses.cusps_deg),
            "ascendant_deg": houses.ascendant_deg,
            "midheaven_deg": houses.midheaven_deg,
        },
        "aspects": [{"first": aspect.first, "kind": aspect.kind, "second": aspect.second,
                     "separation_deg": aspect.separation_deg, "orb_deg": aspect.orb_deg,
                     "applying": aspect.applying} for aspect in result.aspects],
    }


def _moment(value: datetime | None, missing: str | None) -> str | None:
    return value.isoformat() if value is not None else missing


def almanac_day(day: DayAlmanac) -> JSON:
    """One local day of the almanac; a missing crossing reads "up" or "down" (all day) or null.

    >>> import orvane_tools, datetime
    >>> from orvane_tools.almanac import day_almanac
    >>> oslo = orvane_tools.place(lat=59.91, lon=10.75)
    >>> almanac_day(day_almanac(orvane_tools.default_engine(), oslo, datetime.date(2026, 6, 21),
    ...                         datetime.timezone.utc))["nautical_dawn"]
    'up'
    """
    row: JSON = {
        "date": day.day.isoformat(),
        "sunrise": _moment(day.sunrise, day.all_day.get("sunrise")),
        "sun_transit": day.sun_transit.isoformat(),
        "sunset": _moment(day.sunset, day.all_day.get("sunset")),
    }
    for kind, _ in TWILIGHTS:
        dawn, dusk = day.twilight[kind]
        row[f"{kind}_dawn"] = _moment(dawn, day.all_day.get(f"{kind}_dawn"))
        row[f"{kind}_dusk"] = _moment(dusk, day.all_day.get(f"{kind}_dusk"))
    row["moonrise"] = _moment(day.moonrise, day.all_day.get("moonrise"))
    row["moon_transit"] = _moment(day.moon_transit, None)
    row["moonset"] = _moment(day.moonset, day.all_day.get("moonset"))
    row["moon_phase"] = day.moon_phase
    row["moon_illuminated"] = day.moon_illuminated_fraction
    return row


def event(found: SkyEvent, engine: orvane.Engine, tz: tzinfo) -> JSON:
    """A sky event: its kind, local time and TT Julian day.

    >>> import orvane_tools, datetime
    >>> equinox = SkyEvent(orvane.Instant.tt(2460755.0), "march_equinox")
    >>> event(equinox, orvane_tools.default_engine(), datetime.timezone.utc)["kind"]
    'march_equinox'
    """
    return {"kind": found.kind, "time": to_datetime(found.when, engine, tz).isoformat(),
            "tt_julian_day": engine.convert_instant(found.when, "tt").julian_day}


def searched_event(found: EventRecord, engine: orvane.Engine, tz: tzinfo) -> JSON:
    """A searched event: its kind, its name (e.g. "station_retrograde"), local time and TT Julian day.

    >>> import orvane_tools, datetime
    >>> found = EventRecord(datetime.datetime(2024, 4, 1, 22, 14, tzinfo=datetime.timezone.utc), 2460402.43,
    ...                     "station", "station_retrograde")
    >>> searched_event(found, orvane_tools.default_engine(), datetime.timezone.utc)["name"]
    'station_retrograde'
    """
    return {"kind": found.kind, "name": found.name, "time": found.when.astimezone(tz).isoformat(),
            "tt_julian_day": found.tt_julian_day}
