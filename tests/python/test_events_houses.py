"""Event and house requests from Python: argument handling, texts and results
(the searches themselves are held against skyfield and pyswisseph in the C++
tests)."""
from __future__ import annotations

import enum
import math

import pytest

import orvane
from conftest import ANY_SHA

# 2026-01-01 00:00 and 2026-06-21 00:00, within the EOP table and DE421.
NEW_YEAR = 2461041.5
MIDSUMMER = 2461212.5


@pytest.fixture(scope="module")
def engine(de421_path, leap_seconds_path, eop_path):
    return orvane.open(de421_path, ANY_SHA, leap_seconds_path, ANY_SHA, eop_path, ANY_SHA)


def value_error(call, *args) -> str:
    with pytest.raises(ValueError) as error:
        call(*args)
    assert len(error.value.args) == 1
    return error.value.args[0]


class Named(enum.Enum):
    MARCH_EQUINOX = 1
    NEW_MOON = 2


class NameIs:
    def __init__(self, name):
        self.name = name


def test_signatures_and_docstrings():
    import inspect

    engine_methods = {
        "next_season_event": ["after", "kind", "model"],
        "next_lunation": ["after", "kind", "model"],
        "rise_set_transit": ["body", "observer", "around", "altitude_deg"],
        "next_horizon_event": ["body", "observer", "after", "kind", "altitude_deg"],
    }
    for name, parameters in engine_methods.items():
        method = getattr(orvane.Engine, name)
        assert list(inspect.signature(method).parameters)[1:] == parameters
    signature = inspect.signature(orvane.house_cusps)
    assert list(signature.parameters) == ["observer", "ut1", "tt", "system", "sun_declination_deg", "model"]
    assert signature.parameters["sun_declination_deg"].default is None
    # Every docstring is there and speaks of the module's own names only.
    for documented in (orvane.house_cusps, orvane.HouseCusps, orvane.HorizonEvent, orvane.RiseSetTransit,
                       orvane.HouseSystem, *(getattr(orvane.Engine, name) for name in engine_methods)):
        assert documented.__doc__ and "[`Py" not in documented.__doc__
    # The house systems' docstring names every system the class offers.
    methods = [name for name, value in vars(orvane.HouseSystem).items()
               if type(value).__name__ == "classmethod_descriptor"]
    titles = orvane.HouseSystem.__doc__.lower().replace(" ", "_").replace("-", "_")
    assert len(methods) == 17 and all(name in titles for name in methods)


def test_season_and_lunation_kinds_by_any_name(engine):
    after = orvane.Instant.tt(NEW_YEAR)
    results = [engine.next_season_event(after, kind).julian_day
               for kind in (orvane.SeasonEvent.march_equinox(), "vernal_equinox", Named.MARCH_EQUINOX, " March-Equinox")]
    assert len(set(results)) == 1
    equinox = engine.next_season_event(orvane.Instant.utc(NEW_YEAR), "march_equinox")
    assert equinox.time_scale == "tt"
    assert 2461119 < equinox.julian_day < 2461121  # 2026 March 20
    assert value_error(engine.next_season_event, after, orvane.HouseSystem.placidus()) == (
        'unknown season event "placidus"')
    assert value_error(engine.next_lunation, after, "full") == 'unknown lunation event "full"'
    full = engine.next_lunation(after, "full_moon").julian_day
    assert engine.next_lunation(after, NameIs("Full Moon")).julian_day == full
    assert engine.next_lunation(after, "fullmoon").julian_day == full
    assert value_error(engine.next_lunation, after, NameIs("full  moon")) == 'unknown lunation event "full  moon"'
    assert value_error(engine.next_lunation, after, NameIs(3)) == (
        "expected a name string or an orvane enum with a name attribute")
    new_moon = engine.next_lunation(after, Named.NEW_MOON)
    full_moon = engine.next_lunation(after, orvane.LunationEvent.full_moon())
    assert new_moon.julian_day != full_moon.julian_day
    # Searching again from an event finds the next one, a period later.
    again = engine.next_lunation(new_moon, "new_moon")
    assert 29.2 < again.julian_day - new_moon.julian_day < 29.9
    with pytest.raises(TypeError, match="'after'"):
        engine.next_season_event(NEW_YEAR, "march_equinox")


def test_rise_set_transit_and_next_event(engine):
    london = orvane.GeodeticObserver(-0.1276, 51.5072, 11.0)
    around = orvane.Instant.utc(NEW_YEAR + 0.4)  # the nearest transit is that day's noon
    day = engine.rise_set_transit("Sun", london, around, orvane.SUN_UPPER_LIMB_ALTITUDE_DEG)
    assert day.rise_ut1_julian_day < day.transit_ut1_julian_day < day.set_ut1_julian_day
    assert abs(day.transit_ut1_julian_day - (NEW_YEAR + 0.5)) < 0.01  # near noon at Greenwich
    assert repr(day).startswith("RiseSetTransit(transit_ut1_julian_day=2461042")
    assert f", rise_ut1_julian_day=Some({day.rise_ut1_julian_day!r})" in repr(day)
    event = engine.next_horizon_event("moon", london, around, "Transit", orvane.MEAN_REFRACTION_ALTITUDE_DEG)
    assert event.kind.name == "transit"
    assert event.ut1_julian_day > NEW_YEAR
    assert repr(event) == f'HorizonEvent(kind="transit", ut1_julian_day={event.ut1_julian_day!r})'.replace(
        "e+", "e")
    assert value_error(engine.rise_set_transit, "earth", london, around, 0.0) == (
        "the Earth does not rise or set for a place on it")
    assert value_error(engine.rise_set_transit, "nibiru", london, around, 0.0) == 'unknown body "nibiru"'
    assert value_error(engine.rise_set_transit, "sun", london, around, math.nan) == "horizon altitude must be finite"
    with pytest.raises(TypeError, match="'altitude_deg'"):
        engine.rise_set_transit("sun", london, around, "low")
    with pytest.raises(TypeError, match="'observer'"):
        engine.next_horizon_event("sun", (0.0, 51.5), around, "rise", 0.0)


def test_midnight_sun_has_only_a_transit(engine):
    tromso = orvane.GeodeticObserver(18.9553, 69.6492)
    day = engine.rise_set_transit("sun", tromso, orvane.Instant.utc(MIDSUMMER), orvane.SUN_UPPER_LIMB_ALTITUDE_DEG)
    assert day.rise_ut1_julian_day is None and day.set_ut1_julian_day is None
    assert repr(day) == (f"RiseSetTransit(transit_ut1_julian_day={day.transit_ut1_julian_day!r}, "
                         "rise_ut1_julian_day=None, set_ut1_julian_day=None)")
    assert value_error(engine.next_horizon_event, "sun", tromso, orvane.Instant.utc(MIDSUMMER), "rise",
                       orvane.SUN_UPPER_LIMB_ALTITUDE_DEG) == "no Rise of Sun within 3 days after the query instant"


def test_horizon_events_need_time_kernels(de421_path):
    bare = orvane.open(de421_path, ANY_SHA)
    observer = orvane.GeodeticObserver(0.0, 0.0)
    assert value_error(bare.rise_set_transit, "sun", observer, orvane.Instant.tdb(NEW_YEAR), 0.0) == (
        "topocentric origins require a leap-second kernel; attach one with SpkOrvane::with_leap_second_kernel")
    assert value_error(bare.next_season_event, orvane.Instant.utc(NEW_YEAR), "june_solstice") == (
        "conversion from Utc to TDB is not implemented")


def test_house_cusps_requests():
    observer = orvane.GeodeticObserver(13.4, 52.5)
    tt = NEW_YEAR + 69.2 / 86400
    cusps = orvane.house_cusps(observer, NEW_YEAR, tt, "placidus")
    assert repr(cusps) == (f'HouseCusps(system="placidus", ascendant_deg={cusps.ascendant_deg!r}, '
                           f"midheaven_deg={cusps.midheaven_deg!r})")
    longitudes = cusps.cusp_ecliptic_longitude_deg
    assert len(longitudes) == 12 and longitudes is not cusps.cusp_ecliptic_longitude_deg
    longitudes[0] = -1.0
    assert cusps.cusp_ecliptic_longitude_deg[0] == cusps.ascendant_deg
    assert cusps.system.name == "placidus" and cusps.local_sidereal_time_deg == cusps.ramc_deg
    assert 23.4 < cusps.true_obliquity_deg < 23.5
    # An Instant gives its Julian day unchanged, whatever its scale.
    same = orvane.house_cusps(observer, orvane.Instant.utc(NEW_YEAR), orvane.Instant.tdb(tt), orvane.HouseSystem.placidus())
    assert same.cusp_ecliptic_longitude_deg == cusps.cusp_ecliptic_longitude_deg
    assert value_error(orvane.house_cusps, observer, "2451545.0", tt, "equal") == (
        "expected an Instant or a finite Julian day float")
    assert value_error(orvane.house_cusps, observer, NEW_YEAR, math.nan, "equal") == "Julian day must be finite"
    assert value_error(orvane.house_cusps, observer, NEW_YEAR, tt, "placid") == 'unknown house system "placid"'
    with pytest.raises(TypeError, match="'observer'"):
        orvane.house_cusps((13.4, 52.5), NEW_YEAR, tt, "equal")
    arctic = orvane.GeodeticObserver(25.0, 75.0)
    assert value_error(orvane.house_cusps, arctic, NEW_YEAR, tt, "placidus") == (
        "house cusps are undefined for this system at the requested latitude")
    for system in ("campanus", "equal", "whole-sign"):
        assert len(orvane.house_cusps(arctic, NEW_YEAR, tt, system).cusp_ecliptic_longitude_deg) == 12
    whole = orvane.house_cusps(observer, NEW_YEAR, tt, "wholesign").cusp_ecliptic_longitude_deg
    assert all(abs(value - 30 * round(value / 30)) < 1e-12 for value in whole)


def test_house_cusps_read_each_system_named_in_turn():
    # A name given again, another name, a str subclass, an enum value and an
    # unknown name between them: each call divides by the system it names.
    observer = orvane.GeodeticObserver(13.4, 52.5)

    class Name(str):
        pass

    def cusps(system):
        return orvane.house_cusps(observer, NEW_YEAR, NEW_YEAR + 0.0008, system)

    expected = {name: cusps(name).cusp_ecliptic_longitude_deg for name in ("placidus", "koch", "equal")}
    assert expected["placidus"] != expected["koch"]
    placidus = "placidus"
    names = [placidus, "koch", placidus, Name("koch"), " Placidus", orvane.HouseSystem.koch(), "equal", "placid",
             "equal", placidus]
    for name in names:
        if name == "placid":
            assert value_error(cusps, name) == 'unknown house system "placid"'
            continue
        result = cusps(name)
        assert result.cusp_ecliptic_longitude_deg == expected[result.system.name]
        assert result.system.name == (name.name if isinstance(name, orvane.HouseSystem) else name.strip().lower())


def test_house_cusps_agree_with_swisseph():
    swe = pytest.importorskip("swisseph")
    for latitude, longitude, jd in ((52.5, 13.4, NEW_YEAR), (-33.9, 18.4, 2451545.0), (19.4, -99.1, 2440000.5)):
        tt = jd + swe.deltat(jd)
        ours = orvane.house_cusps(orvane.GeodeticObserver(longitude, latitude), jd, tt, "placidus")
        cusps, angles = swe.houses_ex(jd, latitude, longitude, b"P")
        for mine, theirs in zip(ours.cusp_ecliptic_longitude_deg, cusps):
            assert abs((mine - theirs + 180) % 360 - 180) * 3600 < 1.0
        assert abs((ours.ascendant_deg - angles[0] + 180) % 360 - 180) * 3600 < 1.0
        assert abs((ours.midheaven_deg - angles[1] + 180) % 360 - 180) * 3600 < 1.0


@pytest.mark.parametrize("latitude", [-66.5, -63.0, -51.5, -20.0, 0.0, 12.5, 45.0, 60.0, 65.0, 66.4])
def test_placidus_division_agrees_with_swisseph_up_to_the_polar_circles(latitude):
    # The division alone: the Swiss Ephemeris given our RAMC and obliquity.
    # Its own iteration stops earlier as the latitude grows (0.01" at 66.5°).
    swe = pytest.importorskip("swisseph")
    observer = orvane.GeodeticObserver(7.0, latitude)
    for step in range(96):
        ut1 = 2451545.0 + 37.1 * (step % 7) + step / 96
        ours = orvane.house_cusps(observer, ut1, ut1 + 0.00074, "placidus")
        theirs, _ = swe.houses_armc(ours.ramc_deg, latitude, ours.true_obliquity_deg, b"P")
        for mine, expected in zip(ours.cusp_ecliptic_longitude_deg, theirs):
            assert abs((mine - expected + 180) % 360 - 180) * 3600 < 0.02, (latitude, ut1)


def test_each_season_and_lunation_reaches_its_angle(engine):
    after = orvane.Instant.tt(NEW_YEAR)
    options = orvane.apparent()

    def off(angle: float, target: float) -> float:
        return abs((angle - target + 180.0) % 360.0 - 180.0)

    for kind, longitude in [("march_equinox", 0.0), ("june_solstice", 90.0), ("september_equinox", 180.0),
                            ("december_solstice", 270.0)]:
        when = engine.next_season_event(after, kind)
        assert off(engine.position("sun", when, options).longitude_deg, longitude) < 1e-4, kind
    for kind, elongation in [("new_moon", 0.0), ("full_moon", 180.0)]:
        when = engine.next_lunation(after, kind)
        moon = engine.position("moon", when, options).longitude_deg
        sun = engine.position("sun", when, options).longitude_deg
        assert off(moon - sun, elongation) < 1e-4, kind
