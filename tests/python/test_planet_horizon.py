"""Risings and settings of the planets, held against skyfield on the same
kernel: a year at ten places, polar ones among them, at the refracted horizon
of -34 arcminutes for the centre. Every event skyfield finds is found
(presence exact), each within a second."""
from __future__ import annotations

import pytest

import orvane

skyfield_api = pytest.importorskip("skyfield.api")
from skyfield import almanac  # noqa: E402

HORIZON_DEG = -34.0 / 60.0
START_UT1, DAYS = 2460310.5, 365.0
SECOND = 1.0 / 86400.0
PLACES = [(0.0, 51.5), (-74.0, 40.7), (139.7, 35.7), (18.4, -33.9), (-70.4, -24.6), (37.6, 55.8),
          (25.0, 69.7), (15.6, 78.2), (-68.7, 81.0), (166.7, -77.8)]
BODIES = [("venus", 299, "venus"), ("jupiter barycenter", 5, "jupiter")]


@pytest.fixture(scope="module")
def engine(de421_path, de421_sha, leap_seconds_path, leap_seconds_sha, eop_path, eop_sha):
    return orvane.Engine(de421_path, de421_sha, leap_seconds_path, leap_seconds_sha, eop_path, eop_sha)


def ours(engine, code, observer, kind):
    found, after = [], orvane.Instant.ut1(START_UT1)
    while True:
        try:
            event = engine.next_horizon_event(code, observer, after, kind, HORIZON_DEG)
        except ValueError:  # none within three days: step on
            after = orvane.Instant.ut1(after.julian_day + 3.0)
            if after.julian_day > START_UT1 + DAYS:
                return found
            continue
        if event.ut1_julian_day > START_UT1 + DAYS:
            return found
        found.append(event.ut1_julian_day)
        after = orvane.Instant.ut1(event.ut1_julian_day)


@pytest.mark.parametrize(("target", "code", "label"), BODIES)
def test_planet_risings_and_settings_match_skyfield(engine, de421_path, target, code, label):
    eph = skyfield_api.load_file(de421_path)
    ts = skyfield_api.load.timescale(builtin=True)
    t0, t1 = ts.ut1_jd(START_UT1), ts.ut1_jd(START_UT1 + DAYS)
    for longitude, latitude in PLACES:
        place = skyfield_api.wgs84.latlon(latitude, longitude)
        observer = orvane.GeodeticObserver(longitude, latitude, 0.0)
        for kind, finder in (("rise", almanac.find_risings), ("set", almanac.find_settings)):
            times, crossed = finder(eph["earth"] + place, eph[target], t0, t1, horizon_degrees=HORIZON_DEG)
            theirs = [t for t, real in zip(times.ut1, crossed) if real]
            mine = ours(engine, code, observer, kind)
            assert len(mine) == len(theirs), (label, latitude, kind)
            for a, b in zip(mine, theirs):
                assert a == pytest.approx(b, abs=SECOND), (label, latitude, kind)
