"""The request vocabulary: Instant, GeodeticObserver, PositionOptions, the
option functions and the enum-like classes, with their texts and refusals."""
from __future__ import annotations

import enum
import math

import pytest

import orvane


def value_error(call, *args, **kwargs) -> str:
    with pytest.raises(ValueError) as error:
        call(*args, **kwargs)
    assert len(error.value.args) == 1
    return error.value.args[0]


def test_instant_construction_and_repr():
    assert repr(orvane.Instant(2451545)) == 'Instant(2451545.0, time_scale="tdb")'
    assert orvane.Instant(2451545.0, " UTC ").time_scale == "utc"
    assert orvane.Instant.tt(2451545.0).time_scale == "tt"
    assert orvane.Instant.ut1(julian_day=2451545.25).julian_day == 2451545.25
    assert repr(orvane.Instant.utc(1e-5)) == 'Instant(1e-5, time_scale="utc")'
    assert value_error(orvane.Instant, math.nan, "nonsense") == "Julian day must be finite"
    assert value_error(orvane.Instant, math.inf) == "Julian day must be finite"
    assert value_error(orvane.Instant, 2451545.0, "ut") == 'unknown time scale "ut"'
    with pytest.raises(TypeError, match="'julian_day'"):
        orvane.Instant("2451545")
    with pytest.raises(TypeError, match="'time_scale'"):
        orvane.Instant(2451545.0, orvane.HouseSystem.equal())


def test_signatures_and_docstrings():
    assert orvane.Instant.__text_signature__ == '(julian_day, time_scale="tdb")'
    for scale in ("tdb", "tt", "utc", "ut1"):
        assert getattr(orvane.Instant, scale).__text_signature__ == "($cls, julian_day)"
    assert orvane.GeodeticObserver.__text_signature__ == "(longitude_east_deg, latitude_deg, height_m=0.0)"
    assert orvane.PositionOptions.__text_signature__ == (
        '(origin, coordinate_system, reference_epoch="j2000", apparent=False, true_ecliptic=False, '
        "light_time=False, aberration=False, gravitational_deflection=False, precession=False, nutation=False, "
        'observer=None, model="standard")')
    assert orvane.HouseSystem.__text_signature__ == "(name)"
    assert orvane.HouseSystem.whole_sign.__text_signature__ == "($cls)"
    for documented in (orvane.Instant, orvane.PositionOptions, orvane.geometric, orvane.apparent,
                       orvane.SeasonEvent, orvane.SiderealMode, orvane.HouseSystem):
        assert documented.__doc__ and "[`Py" not in documented.__doc__
    # A class's docstring names every value it offers.
    for cls in (orvane.SiderealMode, orvane.HouseSystem):
        text = cls.__doc__.lower().replace(" ", "_").replace("-", "_")
        for name, value in vars(cls).items():
            if type(value).__name__ == "classmethod_descriptor":
                assert name in text, (cls, name)


def test_observer():
    observer = orvane.GeodeticObserver(10.5, 45.0)
    assert repr(observer) == "GeodeticObserver(longitude_east_deg=10.5, latitude_deg=45, height_m=0)"
    assert (observer.longitude_east_deg, observer.latitude_deg, observer.height_m) == (10.5, 45.0, 0.0)
    assert orvane.GeodeticObserver(0.0, 90.0).latitude_deg == 90.0
    assert value_error(orvane.GeodeticObserver, 10.0, 91.0) == (
        "geodetic latitude must be finite and within [-90, 90] degrees")
    assert value_error(orvane.GeodeticObserver, 10.0, math.nan) == "Cartesian state must be finite"


def test_position_options_rules_and_reprs():
    assert repr(orvane.geometric()) == (
        'PositionOptions(origin="geocentric", coordinate_system="ecliptic", reference_epoch="j2000", '
        "apparent=false)")
    apparent = orvane.apparent()
    assert repr(apparent) == (
        'PositionOptions(origin="geocentric", coordinate_system="ecliptic", reference_epoch="of_date", '
        "apparent=true)")
    assert apparent.true_ecliptic is False and apparent.apparent is True
    observer = orvane.GeodeticObserver(-0.5, 51.25, 12.0)
    topocentric = orvane.PositionOptions("Topocentric", "EQUATORIAL", "of-date", precession=True, observer=observer)
    assert repr(topocentric) == (
        'PositionOptions(origin="topocentric", observer=GeodeticObserver(longitude_east_deg=-0.5, '
        'latitude_deg=51.25, height_m=12), coordinate_system="equatorial", reference_epoch="of_date", '
        "apparent=false)")
    assert topocentric.observer is not topocentric.observer
    assert topocentric.observer.height_m == 12.0
    assert orvane.geometric().observer is None
    assert value_error(orvane.PositionOptions, "topocentric", "ecliptic") == (
        'origin "topocentric" requires a GeodeticObserver')
    assert value_error(orvane.PositionOptions, "geocentric", "ecliptic", observer=observer) == (
        'observer is only valid with origin "topocentric"')
    assert value_error(orvane.PositionOptions, "moon", "ecliptic", observer=observer) == 'unknown origin "moon"'
    assert value_error(orvane.geometric, "geocentric", "galactic") == 'unknown coordinate system "galactic"'
    assert value_error(orvane.PositionOptions, "geocentric", "ecliptic", "b1950") == 'unknown reference epoch "b1950"'
    with pytest.raises(TypeError, match="'apparent'"):
        orvane.PositionOptions("geocentric", "ecliptic", apparent=1)
    with pytest.raises(TypeError, match="'observer'"):
        orvane.apparent("topocentric", observer=(0.0, 0.0))
    numpy = pytest.importorskip("numpy")
    assert orvane.PositionOptions("geocentric", "ecliptic", apparent=numpy.bool_(True)).apparent is True


class Member(enum.Enum):
    MARCH_EQUINOX = 1
    FULL_MOON = 2
    LAHIRI = 3


ENUM_CLASSES = {
    orvane.HouseSystem: ["placidus", "campanus", "equal", "whole_sign", "koch", "regiomontanus", "porphyry",
                         "alcabitius", "topocentric", "morinus", "meridian", "horizontal", "vehlow_equal", "sripati",
                         "krusinski_pisa", "apc", "sunshine"],
    orvane.SeasonEvent: ["march_equinox", "june_solstice", "september_equinox", "december_solstice"],
    orvane.LunationEvent: ["new_moon", "full_moon"],
    orvane.SiderealMode: ["lahiri", "fagan_bradley", "raman", "usha_shashi", "krishnamurti", "djwhal_khul",
                          "yukteshwar", "jn_bhasin", "sassanian", "true_citra", "true_revati", "true_pushya",
                          "true_mula", "galactic_centre_0_sag", "galactic_centre_gil_brand",
                          "galactic_centre_cochrane"],
    orvane.HorizonEventKind: ["rise", "set", "transit"],
}


def test_enum_like_classes():
    for cls, names in ENUM_CLASSES.items():
        for name in names:
            made = getattr(cls, name)()
            assert made.name == name
            assert repr(made) == f'{cls.__name__}("{name}")'
            assert cls(name.upper()).name == name
        first = names[0]
        assert getattr(cls, first)() != getattr(cls, first)()  # identity, no equality of their own
        with pytest.raises(TypeError, match="'name'"):
            cls(3)
    # One rule for every vocabulary: any case, the words joined by "-", "_" or
    # " " (one each) or written together.
    for spelling in ("Whole-Sign", "whole sign", "WHOLE_SIGN", "wholesign"):
        assert orvane.HouseSystem(spelling).name == "whole_sign"
    for spelling in ("VERNAL_EQUINOX", "vernal-equinox", "Vernal Equinox", "vernalequinox"):
        assert orvane.SeasonEvent(spelling).name == "march_equinox"
    assert orvane.SiderealMode("galactic-center gil_brand").name == "galactic_centre_gil_brand"
    for refused in ("whole  sign", "whole--sign", "wholes ign", "_whole_sign", "whole_sign_"):
        assert value_error(orvane.HouseSystem, refused) == f'unknown house system "{refused}"'
    assert orvane.SiderealMode("FaganBradley").name == "fagan_bradley"
    assert orvane.LunationEvent("\u3000NewMoon\n").name == "new_moon"
    assert value_error(orvane.LunationEvent, "full") == 'unknown lunation event "full"'
    assert value_error(orvane.HorizonEventKind, "\u00a0Sunrise") == 'unknown horizon event "sunrise"'


def test_stub_lists_every_value_method():
    import pathlib
    import subprocess
    import sys

    tools = pathlib.Path(__file__).resolve().parents[2] / "tools"
    # The enum blocks and the methods' docstrings, both from the module.
    for tool in ("generate_stub_enums.py", "generate_stub_docstrings.py"):
        result = subprocess.run([sys.executable, str(tools / tool), "--check"], capture_output=True, text=True)
        assert result.returncode == 0, result.stderr
