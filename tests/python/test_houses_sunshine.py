"""The Sunshine house system against pyswisseph's houses_ex(..., b"I"): over
1850-2050 with the Swiss Ephemeris's own Sun (so that the division alone is
compared), and within DE421 with the engine's; and the requests around it."""
from __future__ import annotations

import math

import numpy as np
import pytest

import orvane
from conftest import ANY_SHA

JD_1850 = 2396758.5
JD_2050 = 2469807.5


@pytest.fixture(scope="module")
def engine(de421_path):
    return orvane.open(de421_path, ANY_SHA)


def sun_declination_deg(engine, tt: float) -> float:
    options = orvane.apparent(coordinate_system="equatorial")
    return engine.position("sun", orvane.Instant.tt(tt), options).latitude_deg


def arcseconds(a: float, b: float) -> float:
    return abs((a - b + 180.0) % 360.0 - 180.0) * 3600.0


# 1899-07-29 to 2053-10-09: DE421's span.
DE421_START = 2414864.5
DE421_END = 2471184.5


@pytest.mark.parametrize("sun, start, end", [("swisseph", JD_1850, JD_2050), ("engine", DE421_START + 1, JD_2050)])
def test_sunshine_cusps_agree_with_swisseph(engine, sun, start, end):
    swe = pytest.importorskip("swisseph")
    rng = np.random.default_rng(20000101)
    worst = 0.0
    for i in range(120):
        # Outside the polar circles the Sun rises and sets every day.
        latitude = float(rng.uniform(-60.0, 60.0)) if i else 0.0
        longitude = float(rng.uniform(-180.0, 180.0))
        ut = float(rng.uniform(start, end))
        tt = ut + swe.deltat(ut)
        if sun == "engine":
            declination = sun_declination_deg(engine, tt)
        else:
            declination = swe.calc_ut(ut, swe.SUN, swe.FLG_EQUATORIAL)[0][1]
        ours = orvane.house_cusps(orvane.GeodeticObserver(longitude, latitude), ut, tt, "sunshine",
                                  sun_declination_deg=declination)
        theirs, angles = swe.houses_ex(ut, latitude, longitude, b"I")
        for mine, other in zip(ours.cusp_ecliptic_longitude_deg, theirs):
            worst = max(worst, arcseconds(mine, other))
        assert arcseconds(ours.ascendant_deg, angles[0]) < 1.0
        assert arcseconds(ours.midheaven_deg, angles[1]) < 1.0
    assert worst < 1.0


def test_sunshine_angles_are_the_cusps_of_the_quadrants(engine):
    observer = orvane.GeodeticObserver(-3.7, 40.4)
    ut, tt = 2461041.5, 2461041.5 + 69.2 / 86400
    cusps = orvane.house_cusps(observer, ut, tt, orvane.HouseSystem.sunshine(), sun_declination_deg(engine, tt))
    c = cusps.cusp_ecliptic_longitude_deg
    assert arcseconds(c[0], cusps.ascendant_deg) < 1e-6 and arcseconds(c[9], cusps.midheaven_deg) < 1e-6
    assert arcseconds(c[6], cusps.ascendant_deg + 180.0) < 1e-6 and arcseconds(c[3], cusps.midheaven_deg + 180.0) < 1e-6
    assert cusps.system.name == "sunshine"


def test_sunshine_needs_a_sound_declination():
    observer = orvane.GeodeticObserver(-3.7, 40.4)
    ut, tt = 2461041.5, 2461041.5 + 69.2 / 86400
    with pytest.raises(ValueError) as error:
        orvane.house_cusps(observer, ut, tt, "sunshine")
    assert str(error.value) == "this house system needs the Sun's declination (sun_declination_deg)"
    for bad in (math.nan, 90.5, -math.inf):
        with pytest.raises(ValueError, match="declination must be finite"):
            orvane.house_cusps(observer, ut, tt, "sunshine", sun_declination_deg=bad)
    with pytest.raises(TypeError, match="sun_declination_deg"):
        orvane.house_cusps(observer, ut, tt, "sunshine", sun_declination_deg="-23")
    # The other systems ignore it.
    plain = orvane.house_cusps(observer, ut, tt, "placidus")
    given = orvane.house_cusps(observer, ut, tt, "placidus", sun_declination_deg=-23.0)
    assert plain.cusp_ecliptic_longitude_deg == given.cusp_ecliptic_longitude_deg
    # Where the Sun does not set (midsummer north of the polar circle) the
    # semi-arcs are undefined.
    with pytest.raises(ValueError, match="undefined for this system"):
        orvane.house_cusps(orvane.GeodeticObserver(19.0, 78.0), 2461212.5, 2461212.5, "sunshine", 23.4)


@pytest.mark.parametrize("spelling", ["sunshine", "Sunshine", " SUNSHINE ", "makransky"])
def test_sunshine_by_any_spelling(spelling):
    assert orvane.HouseSystem(spelling).name == "sunshine"
