"""Engine.convert_instant and Engine.altitude_azimuth on DE421 with the IERS
finals table, held against pyerfa and against skyfield on the same finals rows."""
from __future__ import annotations

import re

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
    for utc in list(np.random.default_rng(5).uniform(2441684.5, 2461700.5, 40)) + [2457754.5, 2461382.37]:
        instant = orvane.Instant.utc(utc)
        tt, tdb, ut1 = (engine.convert_instant(instant, scale) for scale in ("tt", "tdb", "ut1"))
        assert (tt.time_scale, tdb.time_scale, ut1.time_scale) == ("tt", "tdb", "ut1")
        seconds = np.array([tt.julian_day - sum(erfa.taitt(*erfa.utctai(utc, 0.0))),
                            tdb.julian_day - timescale.tt_jd(tt.julian_day).tdb,
                            ut1.julian_day - utc - timescale.utc(1858, 11, 17 + utc - 2400000.5).dut1 / 86400,
                            *(engine.convert_instant(back, "utc").julian_day - utc for back in (tt, tdb, ut1))])
        assert np.all(np.abs(seconds) * 86400 < 1e-4), (utc, seconds * 86400)  # Julian-day resolution

    # Failures: those of a position request needing the same conversion, or a missing kernel.
    bare = orvane.open(de421_path, ANY_SHA)
    for source, instant, scale in [(bare, orvane.Instant.utc(2451545.0), "tt"),
                                   (engine, orvane.Instant.ut1(2461900.5), "tdb")]:  # past the predictions
        with pytest.raises(ValueError) as expected:
            source.position("sun", instant, orvane.geometric())
        with pytest.raises(ValueError, match=f"^{re.escape(str(expected.value))}$"):
            source.convert_instant(instant, scale)
    for scale, message in [("utc", "UTC requires a leap-second kernel"), ("ut1", "UT1 requires an Earth orientation"),
                           ("gps", "unknown time scale")]:
        with pytest.raises(ValueError, match=message):
            bare.convert_instant(orvane.Instant.tt(2451545.0), scale)


def test_altitude_azimuth_matches_skyfield(engine, timescale, de421_path):
    eph = load_file(de421_path)
    rng = np.random.default_rng(9)
    for longitude, latitude, height in [(-0.13, 51.51, 11.0), (151.21, -33.87, 58.0), (-70.4, -24.63, 2635.0),
                                        (18.96, 69.65, 10.0)]:
        topos = wgs84.latlon(latitude, longitude, elevation_m=height)
        observer = orvane.GeodeticObserver(longitude, latitude, height)
        for utc in rng.uniform(2451545.0, 2461700.0, 6):
            t = timescale.utc(1858, 11, 17 + utc - 2400000.5)
            for body, target in (("sun", "sun"), ("moon", "moon"), ("mars", "mars barycenter")):
                apparent = (eph["earth"] + topos).at(t).observe(eph[target]).apparent()
                ref_alt, ref_az, ref_distance = apparent.altaz()
                alt, az, distance = engine.altitude_azimuth(body, observer, orvane.Instant.tt(t.tt))
                assert abs(alt - ref_alt.degrees) * 3600 < 1.0 and 0 <= az < 360
                assert abs((az - ref_az.degrees + 180) % 360 - 180) * 3600 * np.cos(np.radians(alt)) < 1.0
                assert distance == pytest.approx(ref_distance.au, rel=1e-6)
                refracted = engine.altitude_azimuth(body, observer, orvane.Instant.tt(t.tt), refraction=True)[0]
                if ref_alt.degrees > 5:  # Saemundsson against skyfield's Bennett-based refraction
                    ref_refracted = apparent.altaz(temperature_C=10.0, pressure_mbar=1010.0)[0].degrees
                    assert abs((refracted - alt) - (ref_refracted - ref_alt.degrees)) * 3600 < 6.0
                elif ref_alt.degrees < -2:
                    assert refracted == alt
