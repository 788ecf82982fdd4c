"""The longitude speed is the time derivative of the longitude it comes with:
held against centred differences of the returned longitudes for every origin,
frame and correction, single and batch, and at a station of Neptune."""
from __future__ import annotations

import numpy as np
import pytest

import orvane

HALF_STEP = 5e-4  # days: a centred step of 1e-3 day
DAYS = [2451545.123, 2453999.61, 2456818.25, 2458000.9, 2460100.4]
BODIES: list[str | int] = ["sun", "moon", "mercury", "venus", "mars", 5, 8, 9]
KINDS = {
    "j2000 geometric": dict(reference_epoch="j2000"),
    "j2000 light time": dict(reference_epoch="j2000", light_time=True),
    "mean of date": dict(reference_epoch="of_date", precession=True),
    "true of date": dict(reference_epoch="of_date", precession=True, nutation=True),
    "apparent of date": dict(reference_epoch="of_date", apparent=True),
    "aberration only": dict(reference_epoch="of_date", precession=True, aberration=True),
    "deflection only": dict(reference_epoch="of_date", precession=True, gravitational_deflection=True),
}
PLACE = orvane.GeodeticObserver(-70.4, -24.6, 2600.0)


@pytest.fixture(scope="module")
def engine(de421_path, de421_sha, leap_seconds_path, leap_seconds_sha, eop_path, eop_sha):
    return orvane.Engine(de421_path, de421_sha, leap_seconds_path, leap_seconds_sha, eop_path, eop_sha)


def options(origin: str, system: str, kind: str) -> orvane.PositionOptions:
    extra = dict(KINDS[kind])
    if system == "ecliptic" and "nutation" in extra or extra.get("apparent"):
        extra["true_ecliptic"] = system == "ecliptic"
    observer = PLACE if origin == "topocentric" else None
    return orvane.PositionOptions(origin, system, observer=observer, **extra)


def difference(engine, body, day, opts) -> float:
    before, after = day - HALF_STEP, day + HALF_STEP
    lo = engine.position(body, orvane.Instant.tt(before), opts).longitude_deg
    hi = engine.position(body, orvane.Instant.tt(after), opts).longitude_deg
    return ((hi - lo + 180.0) % 360.0 - 180.0) / (after - before)


@pytest.mark.parametrize("kind", list(KINDS))
@pytest.mark.parametrize("system", ["ecliptic", "equatorial"])
@pytest.mark.parametrize("origin", ["geocentric", "topocentric", "heliocentric", "barycentric"])
def test_speed_is_the_rate_of_the_longitude(engine, origin, system, kind):
    opts = options(origin, system, kind)
    for body in BODIES:
        if origin == "heliocentric" and body == "sun":
            continue
        tolerance = 1e-5 if body == "moon" else 1e-6
        for day in DAYS:
            speed = engine.position(body, orvane.Instant.tt(day), opts).longitude_speed_deg_per_day
            assert speed == pytest.approx(difference(engine, body, day, opts), abs=tolerance), (body, day)


@pytest.mark.parametrize("origin", ["geocentric", "topocentric", "barycentric"])
def test_batch_speeds_are_the_single_speeds(engine, origin):
    opts = options(origin, "ecliptic", "apparent of date")
    names = ["sun", "moon", "venus", 8]
    table = engine.positions_for_julian_days(names, np.array(DAYS), "tt", opts)
    for i, day in enumerate(DAYS):
        for j, body in enumerate(names):
            single = engine.position(body, orvane.Instant.tt(day), opts)
            assert table[i, j, 3] == pytest.approx(single.longitude_speed_deg_per_day, rel=1e-12, abs=1e-15)


def test_neptune_turns_direct_with_the_sign_of_its_own_longitude(engine):
    """2014-06-09 18:00 UTC, hours after Neptune's station: its apparent
    longitude of date already grows (by about 4e-5 degrees a day)."""
    opts = orvane.apparent("geocentric", "ecliptic")
    day = 2456818.25
    speed = engine.position(8, orvane.Instant.utc(day), opts).longitude_speed_deg_per_day
    before, after = day - HALF_STEP, day + HALF_STEP
    lo = engine.position(8, orvane.Instant.utc(before), opts).longitude_deg
    hi = engine.position(8, orvane.Instant.utc(after), opts).longitude_deg
    assert speed > 0.0
    assert speed == pytest.approx((hi - lo) / (after - before), abs=1e-6)


def test_seasons_and_lunations_still_land_on_their_targets(engine):
    opts = orvane.apparent("geocentric", "ecliptic")
    march = engine.next_season_event(orvane.Instant.utc(2460300.5), "march_equinox")
    sun = engine.position("sun", march, opts).longitude_deg
    assert min(sun, 360.0 - sun) < 1e-6
    new = engine.next_lunation(orvane.Instant.utc(2460300.5), "new_moon")
    gap = engine.position("moon", new, opts).longitude_deg - engine.position("sun", new, opts).longitude_deg
    assert abs((gap + 180.0) % 360.0 - 180.0) < 1e-6
