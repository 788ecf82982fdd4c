"""Risings and settings of the planets, held against skyfield on the same
kernel: a year at ten places, polar ones among them, at the refracted horizon
of -34 arcminutes for the centre. Every event skyfield finds is found
(presence exact), each within a second."""
from __future__ import annotations

import re

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


@pytest.mark.parametrize(("target", "code", "label"), BODIES)
def test_horizon_events_of_a_year_match_skyfield(engine, de421_path, target, code, label):
    """One call for the year: risings, settings and upper transits as
    skyfield finds them, at the same ten places."""
    eph = skyfield_api.load_file(de421_path)
    ts = skyfield_api.load.timescale(builtin=True)
    t0, t1 = ts.ut1_jd(START_UT1), ts.ut1_jd(START_UT1 + DAYS)
    start, end = orvane.Instant.ut1(START_UT1), orvane.Instant.ut1(START_UT1 + DAYS)
    for longitude, latitude in PLACES:
        place = skyfield_api.wgs84.latlon(latitude, longitude)
        observer = orvane.GeodeticObserver(longitude, latitude, 0.0)
        found = engine.horizon_events(code, observer, start, end, HORIZON_DEG)
        assert [day for day, _ in found] == sorted(day for day, _ in found)
        for kind, finder in (("rise", almanac.find_risings), ("set", almanac.find_settings)):
            times, crossed = finder(eph["earth"] + place, eph[target], t0, t1, horizon_degrees=HORIZON_DEG)
            theirs = [t for t, real in zip(times.ut1, crossed) if real]
            mine = [day for day, name in found if name == kind]
            assert len(mine) == len(theirs), (label, latitude, kind)
            assert max((abs(a - b) for a, b in zip(mine, theirs)), default=0.0) < SECOND, (label, latitude, kind)
        transits = almanac.find_transits(eph["earth"] + place, eph[target], t0, t1).ut1
        mine = [day for day, name in found if name == "transit"]
        assert len(mine) == len(transits), (label, latitude)
        assert max((abs(a - b) for a, b in zip(mine, transits)), default=0.0) < SECOND, (label, latitude)
        lower = [day for day, name in found if name == "lower_transit"]
        assert abs(len(lower) - len(mine)) <= 1, (label, latitude)


@pytest.mark.parametrize(("body", "tolerance"), [("sun", 1e-3), ("mercury", 1e-3), ("mars", 1e-3), ("moon", 0.2)])
def test_horizon_events_agree_with_the_exact_search(engine, body, tolerance):
    """The year's search on its sampled sky against the day-by-day search on
    the topocentric pipeline itself: the same events, to a millisecond for the
    Sun and the planets (0.2 s for the Moon, whose parallax is taken off the
    aberrated place)."""
    observer = orvane.GeodeticObserver(-70.4, -24.6, 2400.0)
    start, days = START_UT1 + 100.0, 60.0
    found = engine.horizon_events(body, observer, orvane.Instant.ut1(start), orvane.Instant.ut1(start + days),
                                  HORIZON_DEG)
    for kind in ("rise", "set", "transit"):
        exact, after = [], start
        while True:
            event = engine.next_horizon_event(body, observer, orvane.Instant.ut1(after), kind, HORIZON_DEG)
            if event.ut1_julian_day > start + days:
                break
            exact.append(event.ut1_julian_day)
            after = event.ut1_julian_day
        mine = [day for day, name in found if name == kind]
        assert len(mine) == len(exact), kind
        assert max(abs(a - b) for a, b in zip(mine, exact)) < tolerance * SECOND, kind


def test_horizon_events_pieces_join_without_gaps_or_repeats(engine):
    """A search of two years returns what two searches of one year each do."""
    observer = orvane.GeodeticObserver(25.0, 69.7, 0.0)
    first, middle, last = (orvane.Instant.ut1(START_UT1 + d) for d in (0.0, 365.0, 730.0))
    whole = engine.horizon_events("mars", observer, first, last)
    halves = engine.horizon_events("mars", observer, first, middle) + engine.horizon_events("mars", observer, middle, last)
    assert [name for _, name in whole] == [name for _, name in halves]
    assert max(abs(a[0] - b[0]) for a, b in zip(whole, halves)) < 1e-3 * SECOND


@pytest.mark.parametrize(("args", "error", "text"), [
    (("earth",), ValueError, "the Earth does not rise or set"),
    (("venus", 91.0), ValueError, "within [-90, 90]"),
    (("venus", float("nan")), ValueError, "must be finite"),
    (("venus", "low"), TypeError, "altitude_deg"),
])
def test_horizon_events_refuse_bad_requests(engine, args, error, text):
    observer = orvane.GeodeticObserver(0.0, 51.5, 0.0)
    body, *altitude = args
    with pytest.raises(error, match=re.escape(text)):
        engine.horizon_events(body, observer, orvane.Instant.ut1(START_UT1), orvane.Instant.ut1(START_UT1 + 1.0),
                              *altitude)
    with pytest.raises(ValueError, match="end >= start"):
        engine.horizon_events("venus", observer, orvane.Instant.ut1(START_UT1), orvane.Instant.ut1(START_UT1 - 1.0))
