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
                                         orvane.UndefinedHouseCuspsError])
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
