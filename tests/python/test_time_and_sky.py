"""Engine.convert_instant and Engine.altitude_azimuth on DE421 with the IERS
finals table, held against pyerfa and against skyfield on the same finals rows."""
from __future__ import annotations

import erfa
import numpy as np
import pytest
from skyfield.api import load_file, wgs84
from skyfield.data import iers
from skyfield.timelib import Timescale

import orvane
from conftest import ANY_SHA


@pytest.fixture(scope="module")
def engine(de421_path, leap_seconds_path, finals_path):
    return orvane.open(de421_path, ANY_SHA, leap_second_kernel=leap_seconds_path, leap_second_sha256=ANY_SHA,
                       eop=finals_path, eop_sha256=ANY_SHA)


@pytest.fixture(scope="module")
def timescale(finals_path):
    """A skyfield timescale on the finals rows, with their polar motion."""
    with open(finals_path, "rb") as f:
        data = iers.parse_x_y_dut1_from_finals_all(f)
    daily_tt, daily_delta_t, leap_dates, leap_offsets = iers.build_timescale_arrays(data["utc_mjd"], data["dut1"])
    ts = Timescale((daily_tt, daily_delta_t), leap_dates, leap_offsets)
    iers.install_polar_motion_table(ts, data)
    return ts


def test_convert_instant_matches_erfa_and_skyfield(engine, timescale, de421_path):
    rng = np.random.default_rng(5)
    utc_days = list(rng.uniform(2441684.5, 2461700.5, 40)) + [2457754.5, 2461382.37]
    for utc in utc_days:
        instant = orvane.Instant.utc(utc)
        tt = engine.convert_instant(instant, "tt")
        tai = erfa.utctai(utc, 0.0)
        assert tt.time_scale == "tt"
        assert abs(tt.julian_day - sum(erfa.taitt(*tai))) * 86400 < 1e-4, utc
        tdb = engine.convert_instant(instant, "tdb")
        assert abs(tdb.julian_day - timescale.tt_jd(tt.julian_day).tdb) * 86400 < 1e-4, utc
        ut1 = engine.convert_instant(instant, "ut1")
        assert abs(ut1.julian_day - utc - timescale.utc(1858, 11, 17 + utc - 2400000.5).dut1 / 86400) * 86400 < 1e-4
        for back in (tt, tdb, ut1):
            assert abs(engine.convert_instant(back, "utc").julian_day - utc) * 86400 < 1e-4, (utc, back)
        assert engine.convert_instant(ut1, "tt").julian_day == pytest.approx(tt.julian_day, abs=1e-9)

    # The failures are those of a position request needing the same conversion.
    bare = orvane.open(de421_path, ANY_SHA)
    cases = [
        (bare, orvane.Instant.utc(2451545.0), "tt"),
        (bare, orvane.Instant.ut1(2451545.0), "tdb"),
        (engine, orvane.Instant.utc(2461900.5), "tt"),  # UTC past the leap-second kernel is fine ...
        (engine, orvane.Instant.ut1(2461900.5), "tt"),  # ... UT1 past the finals predictions is not
    ]
    for source, instant, scale in cases:
        try:
            expected = source.position("sun", instant, orvane.geometric())
        except ValueError as error:
            with pytest.raises(ValueError) as raised:
                source.convert_instant(instant, scale)
            assert str(raised.value) == str(error)
        else:
            assert source.convert_instant(instant, scale).time_scale == scale and expected.distance_au > 0.9
    for instant, scale, message in [
        (orvane.Instant.tt(2451545.0), "utc", "UTC requires a leap-second kernel"),
        (orvane.Instant.tt(2451545.0), "ut1", "UT1 requires an Earth orientation table"),
        (orvane.Instant.tt(2451545.0), "gps", "unknown time scale"),
    ]:
        with pytest.raises(ValueError, match=message):
            bare.convert_instant(instant, scale)
    assert bare.convert_instant(orvane.Instant.utc(2451545.0), "utc").julian_day == 2451545.0


PLACES = [(-0.1276, 51.5072, 11.0), (151.2093, -33.8688, 58.0), (-70.4036, -24.6275, 2635.0), (18.9553, 69.6492, 10.0)]


def test_altitude_azimuth_matches_skyfield(engine, timescale, de421_path):
    eph = load_file(de421_path)
    rng = np.random.default_rng(9)
    worst = 0.0
    for longitude, latitude, height in PLACES:
        topos = wgs84.latlon(latitude, longitude, elevation_m=height)
        observer = orvane.GeodeticObserver(longitude, latitude, height)
        for utc in rng.uniform(2451545.0, 2461700.0, 6):
            t = timescale.utc(1858, 11, 17 + utc - 2400000.5)
            for body, target in (("sun", "sun"), ("moon", "moon"), ("mars", "mars barycenter")):
                alt, az, distance = engine.altitude_azimuth(body, observer, orvane.Instant.tt(t.tt))
                ref_alt, ref_az, ref_distance = (eph["earth"] + topos).at(t).observe(eph[target]).apparent().altaz()
                d_alt = (alt - ref_alt.degrees) * 3600
                d_az = ((az - ref_az.degrees + 180) % 360 - 180) * 3600 * np.cos(np.radians(alt))
                worst = max(worst, abs(d_alt), abs(d_az))
                assert 0 <= az < 360
                assert distance == pytest.approx(ref_distance.au, rel=1e-6)
                refracted = engine.altitude_azimuth(body, observer, orvane.Instant.tt(t.tt), refraction=True)
                if ref_alt.degrees > 5:
                    ref_refracted = (eph["earth"] + topos).at(t).observe(eph[target]).apparent().altaz(
                        temperature_C=10.0, pressure_mbar=1010.0)[0]
                    assert (refracted[0] - ref_refracted.degrees) * 3600 == pytest.approx(d_alt, abs=6.0)  # Bennett vs Saemundsson
                elif ref_alt.degrees < -2:
                    assert refracted[0] == alt
    assert worst < 1.0
    with pytest.raises(ValueError, match="outside EOP coverage"):
        engine.altitude_azimuth("sun", orvane.GeodeticObserver(0, 0, 0), orvane.Instant.utc(2461900.5))
