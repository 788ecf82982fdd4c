"""The failures a caller can act on raise subclasses of ValueError carrying
their data: the day and the covered range, read without parsing the text."""
from __future__ import annotations

import datetime

import pytest

import orvane
import orvane_tools as ot
from conftest import ANY_SHA
from orvane_tools.chart import house_cusps_or_fallback
from orvane_tools.sky import day_events

TROMSO = orvane.GeodeticObserver(18.96, 69.65)


@pytest.mark.parametrize("error_class", [orvane.OutsideCoverageError, orvane.OutsideEopCoverageError,
                                         orvane.UndefinedHouseCuspsError, orvane.FileError])
def test_each_error_is_a_value_error_exported_by_the_module(error_class):
    assert issubclass(error_class, ValueError)
    assert error_class.__module__ == "orvane"
    assert error_class.__name__ in orvane.__all__
    assert error_class.__doc__


@pytest.mark.parametrize("instant, day, scale", [
    (orvane.Instant.tdb(2600000.0), 2600000.0, "tdb"),
    (orvane.Instant.tt(2471185.5), 2471185.5, "tdb"),
    (orvane.Instant.tdb(2414864.0), 2414864.0, "tdb"),
])
def test_outside_the_kernel_carries_the_day_and_the_range(de421_path, instant, day, scale):
    engine = orvane.open(de421_path, ANY_SHA)
    with pytest.raises(orvane.OutsideCoverageError) as caught:
        engine.position("moon", instant, orvane.geometric())
    error = caught.value
    assert (error.julian_day, error.start, error.end, error.scale) == (day, 2414864.5, 2471184.5, scale)
    assert str(error).endswith(" is outside kernel range 2414864.5..2471184.5 Tdb")


def test_outside_the_earth_orientation_table_carries_the_utc_day_and_the_table(de421_path, leap_seconds_path,
                                                                               eop_path):
    engine = orvane.open(de421_path, ANY_SHA, leap_seconds_path, ANY_SHA, eop_path, ANY_SHA)
    topocentric = orvane.apparent("topocentric", observer=orvane.GeodeticObserver(0.0, 51.5))
    with pytest.raises(orvane.OutsideEopCoverageError) as caught:
        engine.position("moon", orvane.Instant.utc(2470000.5), topocentric)
    error = caught.value
    assert error.julian_day == 2470000.5
    assert error.start == 2437665.5 and error.start < error.end < 2470000.5
    assert str(error).startswith("UTC Julian day 2470000.5 is outside EOP coverage [2437665.5, ")
    # The same table bounds from a UT1 instant, whose UTC day is looked up in the table.
    with pytest.raises(orvane.OutsideEopCoverageError) as ut1:
        engine.position("moon", orvane.Instant.ut1(2470000.5), topocentric)
    assert (ut1.value.start, ut1.value.end) == (error.start, error.end)


def test_the_companion_explains_the_table_end_and_keeps_the_type():
    engine = ot.default_engine(time_model=False)
    with pytest.raises(orvane.OutsideEopCoverageError) as caught:
        day_events("sun", orvane.GeodeticObserver(0.0, 51.5), datetime.date(2045, 6, 1), "Europe/London", engine)
    error = caught.value
    end = datetime.date.fromisoformat(str(error).split("ends on ")[1][:10])
    assert end == ot.to_datetime(orvane.Instant.utc(error.end)).date()
    assert error.julian_day > error.end


@pytest.mark.parametrize("system", ["placidus", "koch", "gauquelin"])
def test_houses_without_cusps_raise_their_own_error(system):
    try:
        orvane.HouseSystem(system)
    except ValueError:
        pytest.skip(f"{system} is not a house system here")
    with pytest.raises(orvane.UndefinedHouseCuspsError,
                       match="^house cusps are undefined for this system at the requested latitude$"):
        orvane.house_cusps(TROMSO, 2448029.0, 2448029.0007, system)
    houses = house_cusps_or_fallback(TROMSO, 2448029.0, 2448029.0007, system)
    assert houses.system == "porphyry"
    with pytest.raises(orvane.UndefinedHouseCuspsError):
        house_cusps_or_fallback(TROMSO, 2448029.0, 2448029.0007, system, fallback=None)


def test_other_failures_stay_plain_value_errors(de421_path):
    engine = orvane.open(de421_path, ANY_SHA)
    with pytest.raises(ValueError) as caught:
        engine.position("moon", orvane.Instant.utc(2451545.0), orvane.geometric())
    assert type(caught.value) is ValueError
    with pytest.raises(ValueError) as latitude:
        orvane.GeodeticObserver(0.0, 91.0)
    assert type(latitude.value) is ValueError


def test_the_body_asked_for_travels_with_the_coverage_errors(de421_path, leap_seconds_path, eop_path):
    engine = orvane.open(de421_path, ANY_SHA, leap_seconds_path, ANY_SHA, eop_path, ANY_SHA)
    late = orvane.Instant.tdb(2600000.0)
    for call, body in ((lambda: engine.position("Moon", late, orvane.geometric()), 301),
                       (lambda: engine.position(2000001, late, orvane.geometric()), 2000001),
                       (lambda: engine.sidereal_position("mars", late, orvane.apparent(), "lahiri"), 499),
                       (lambda: engine.rise_set_transit("sun", TROMSO, late, -0.8333), 10)):
        with pytest.raises((orvane.OutsideCoverageError, orvane.OutsideEopCoverageError)) as caught:
            call()
        assert caught.value.body == body
    with pytest.raises(orvane.OutsideCoverageError) as batch:
        engine.positions(["sun", "moon"], [late], orvane.geometric())
    assert batch.value.body is None
    # A UT1 day beyond the Earth-orientation table: the table's error, whatever
    # the request's options.
    with pytest.raises(orvane.OutsideEopCoverageError) as ut1:
        engine.position("venus", orvane.Instant.ut1(2470000.5), orvane.geometric())
    assert (ut1.value.julian_day > ut1.value.end, ut1.value.body) == (True, 299)


def missing(tmp_path, name):
    return str(tmp_path / name)


@pytest.mark.parametrize("role", ["kernel", "additional_kernel", "leap_second_kernel", "eop", "delta_t", "early_utc",
                                  "star_catalogue"])
def test_a_file_that_cannot_be_used_raises_file_error_with_its_path(role, tmp_path, de421_path, leap_seconds_path,
                                                                    eop_path):
    import orvane_tools.data as data

    bad = tmp_path / f"{role}.txt"
    bad.write_bytes(b"\x00 not what it should be\n")
    path = str(bad)
    delta_t, early_utc = data.default_time_model()
    engine = orvane.open(de421_path, ANY_SHA)
    calls = {
        "kernel": lambda: orvane.open(path, ANY_SHA),
        "additional_kernel": lambda: engine.with_additional_kernel_file(path, ANY_SHA),
        "leap_second_kernel": lambda: orvane.Engine(de421_path, ANY_SHA, path, ANY_SHA),
        "eop": lambda: engine.with_eop(path, ANY_SHA),
        "delta_t": lambda: engine.with_time_model(path, ANY_SHA, str(early_utc), ANY_SHA),
        "early_utc": lambda: engine.with_time_model(str(delta_t), ANY_SHA, path, ANY_SHA),
        "star_catalogue": lambda: engine.with_star_catalogue(path),
    }
    with pytest.raises(orvane.FileError) as caught:
        calls[role]()
    assert isinstance(caught.value, ValueError) and len(caught.value.args) == 1
    assert (caught.value.path, caught.value.role) == (path, role)
    # A missing file the same way, with the system's reason in the text.
    gone = str(tmp_path / "gone" / "file.bsp")
    with pytest.raises(orvane.FileError) as absent:
        orvane.open(gone, ANY_SHA)
    assert absent.value.path == gone and "No such file" in str(absent.value)


def test_the_companion_names_the_time_model_file_that_failed(tmp_path):
    import orvane_tools.data as data

    delta_t, early_utc = data.default_time_model()
    broken = tmp_path / "early_utc.txt"
    broken.write_text("not a table\n")
    spec = ot.default_spec(small_bodies=False)
    spec = data.EngineSpec(spec.kernel, spec.kernel_sha256, time_model=(str(delta_t), ANY_SHA, str(broken), ANY_SHA))
    with pytest.raises(data.DataFileError) as caught:
        spec.open()
    assert caught.value.path == str(broken)
    assert str(caught.value).startswith(f"time model {broken}: ")
