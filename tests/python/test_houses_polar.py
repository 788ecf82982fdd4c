"""Houses where the ecliptic runs low: the ascendant on the eastern horizon
inside the polar circles, every system beside the Swiss Ephemeris there,
sidereal houses, and charts falling back to another system where the one asked
for has no cusps."""
from __future__ import annotations

import json
import math
import pathlib
import subprocess
import sys

import orvane
import pytest

import polar_houses_swisseph
from orvane_tools.chart import chart, house_cusps_or_fallback
from orvane_tools.data import default_engine

swe = pytest.importorskip("swisseph")

ORVANE = pathlib.Path(sys.executable).with_name("orvane")
DAY_2023_02_25 = 2460000.5
TT_MINUS_UT_DAYS = 69.2 / 86400.0
UNDEFINED = "house cusps are undefined for this system at the requested latitude"
BUILT_ON_ASCENDANT = ("placidus", "koch", "campanus", "equal", "regiomontanus", "porphyry", "alcabitius",
                      "topocentric", "sripati", "krusinski_pisa", "apc")


def _arcsec(a: float, b: float) -> float:
    return abs((a - b + 180.0) % 360.0 - 180.0) * 3600.0


def _horizon(longitude_deg: float, cusps: orvane.HouseCusps, latitude_deg: float) -> tuple[float, float]:
    """Altitude and eastward component (sine of the azimuth from north times
    the cosine of the altitude) of an ecliptic point, on equatorial axes of
    date built from the chart's RAMC and obliquity."""
    lam, eps = math.radians(longitude_deg), math.radians(cusps.true_obliquity_deg)
    t, phi = math.radians(cusps.ramc_deg), math.radians(latitude_deg)
    point = (math.cos(lam), math.sin(lam) * math.cos(eps), math.sin(lam) * math.sin(eps))
    zenith = (math.cos(phi) * math.cos(t), math.cos(phi) * math.sin(t), math.sin(phi))
    east = (-math.sin(t), math.cos(t), 0.0)
    altitude = math.degrees(math.asin(sum(p * z for p, z in zip(point, zenith))))
    return altitude, sum(p * e for p, e in zip(point, east))


@pytest.mark.parametrize("latitude, longitude", [
    (69.65, 18.96),  # Tromsø
    (68.97, 33.08),  # Murmansk
    (78.22, 15.65),  # Longyearbyen
    (-70.0, 0.0),
    (51.51, -0.13),  # London
])
def test_ascendant_rises_in_the_east_through_a_day(latitude, longitude):
    observer = orvane.GeodeticObserver(longitude, latitude)
    for step in range(288):  # every 5 minutes
        ut1 = DAY_2023_02_25 + step / 288.0
        equal = orvane.house_cusps(observer, ut1, ut1 + TT_MINUS_UT_DAYS, "equal")
        altitude, eastward = _horizon(equal.ascendant_deg, equal, latitude)
        assert abs(altitude) < 1e-9 and eastward > 0.0, (step, equal.ascendant_deg)
        for system in BUILT_ON_ASCENDANT:
            try:
                cusps = orvane.house_cusps(observer, ut1, ut1 + TT_MINUS_UT_DAYS, system)
            except ValueError as error:
                assert str(error) == UNDEFINED and system in ("placidus", "koch")
                continue
            assert cusps.ascendant_deg == equal.ascendant_deg
            first = cusps.cusp_ecliptic_longitude_deg[0]
            assert system == "sripati" or _arcsec(first, equal.ascendant_deg) < 1e-6, system
            if system not in ("alcabitius", "apc", "sripati"):  # cusp 7 on the western horizon
                assert _arcsec(cusps.cusp_ecliptic_longitude_deg[6], equal.ascendant_deg + 180.0) < 1e-6, system


def test_tromso_equal_houses_start_at_the_rising_degree():
    observer = orvane.GeodeticObserver(18.96, 69.65)
    ut1 = 2460000.5 + (4 * 60 + 25) / 1440.0  # 2023-02-25 04:25 UT
    cusps = orvane.house_cusps(observer, ut1, ut1 + TT_MINUS_UT_DAYS, "equal")
    assert abs(cusps.ascendant_deg - 60.94) < 0.01
    assert cusps.cusp_ecliptic_longitude_deg[0] == cusps.ascendant_deg
    swiss, angles = swe.houses_ex(ut1, 69.65, 18.96, b"E")
    assert _arcsec(cusps.ascendant_deg, angles[0]) < 1.0


def test_cusps_above_and_below_the_horizon_where_the_midheaven_is_below():
    # Systems whose house circles pass through the north and south points of
    # the horizon: cusps 10 to 12 stand above the horizon, 2 and 3 below,
    # whatever the midheaven does.
    observer = orvane.GeodeticObserver(18.96, 75.0)
    below = 0
    for step in range(96):
        ut1 = DAY_2023_02_25 + step / 96.0
        for system in ("campanus", "regiomontanus"):
            cusps = orvane.house_cusps(observer, ut1, ut1 + TT_MINUS_UT_DAYS, system)
            longitudes = cusps.cusp_ecliptic_longitude_deg
            for number in (10, 11, 12):
                assert _horizon(longitudes[number - 1], cusps, 75.0)[0] > -1e-9, (system, number)
            for number in (2, 3):
                assert _horizon(longitudes[number - 1], cusps, 75.0)[0] < 1e-9, (system, number)
        below += _horizon(cusps.midheaven_deg, cusps, 75.0)[0] < 0.0
    assert below > 10


def test_polar_cusps_agree_with_the_swiss_ephemeris():
    rows = polar_houses_swisseph.compare(hour_step=211)
    turned_systems = {row.system for row in rows if row.midheaven_turned}
    assert turned_systems == {"campanus", "regiomontanus", "topocentric", "apc"}
    for row in rows:
        if row.system in ("placidus", "koch"):  # refused inside the polar circles by the Swiss Ephemeris
            assert row.compared == 0 and row.theirs_only == 0
            continue
        assert row.compared > 30 and row.ours_only == row.theirs_only == row.neither == 0, row
        assert row.worst_arcsec < 1.0, row


SYSTEM_CODES = {"placidus": b"P", "koch": b"K", "porphyry": b"O", "regiomontanus": b"R", "campanus": b"C",
                "equal": b"E", "whole_sign": b"W", "alcabitius": b"B", "topocentric": b"T", "morinus": b"M",
                "meridian": b"X", "horizontal": b"H", "vehlow_equal": b"V", "sripati": b"S",
                "krusinski_pisa": b"U", "apc": b"Y"}


@pytest.mark.parametrize("system", SYSTEM_CODES)
def test_sidereal_houses_agree_with_the_swiss_ephemeris(system):
    engine = default_engine()
    places = [(77.21, 28.61), (-0.13, 51.51), (151.21, -33.87), (-99.13, 19.43), (10.75, 59.91)]
    try:
        for index, (longitude, latitude) in enumerate(places):
            ut1 = 2447930.5 + 97.3 * index + 0.137 * index
            tt = ut1 + swe.deltat(ut1)
            ayanamsha = engine.ayanamsha("lahiri", orvane.Instant.tt(tt)).ayanamsha_deg
            # The Swiss Ephemeris adds the nutation in longitude to the
            # ayanamsha it is given; ours holds none.
            nutation = swe.calc(tt, swe.ECL_NUT)[0][2]
            swe.set_sid_mode(swe.SIDM_USER, tt, ayanamsha - nutation)
            cusps, angles = swe.houses_ex(ut1, latitude, longitude, SYSTEM_CODES[system], swe.FLG_SIDEREAL)
            ours = house_cusps_or_fallback(orvane.GeodeticObserver(longitude, latitude), ut1, tt, system, None,
                                           ayanamsha)
            assert _arcsec(ours.ascendant_deg, angles[0]) < 1.0
            for mine, theirs in zip(ours.cusps_deg, cusps):
                assert _arcsec(mine, theirs) < 1.0, (system, ours.cusps_deg, cusps)
            if system == "whole_sign":
                assert ours.cusps_deg[0] == ours.ascendant_deg // 30.0 * 30.0
    finally:
        swe.set_sid_mode(swe.SIDM_FAGAN_BRADLEY, 0.0, 0.0)


@pytest.mark.parametrize("system", ["placidus", "koch"])
def test_polar_charts_fall_back_through_a_whole_day(system):
    tromso = orvane.GeodeticObserver(18.96, 69.65)
    engine = default_engine()
    fell_back = 0
    for hour in range(24):
        drawn = chart(orvane.Instant.utc(2448028.5 + hour / 24.0), tromso, houses=system, engine=engine)
        houses = drawn.houses
        assert houses is not None and houses.requested_system == system and len(drawn.points) == 17
        if houses.fallback_reason is None:
            assert houses.system == system
            continue
        fell_back += 1
        assert houses.system == "porphyry" and houses.fallback_reason == f"{system}: {UNDEFINED}"
        assert drawn.ut1_julian_day is not None
        direct = orvane.house_cusps(tromso, drawn.ut1_julian_day, drawn.tt_julian_day, "porphyry")
        assert houses.cusps_deg == tuple(direct.cusp_ecliptic_longitude_deg)
    assert fell_back >= (24 if system == "placidus" else 8)


def test_fallback_named_by_the_caller_or_refused():
    tromso, london = orvane.GeodeticObserver(18.96, 69.65), orvane.GeodeticObserver(-0.13, 51.51)
    ut1, tt = 2448029.0, 2448029.0 + TT_MINUS_UT_DAYS
    assert house_cusps_or_fallback(tromso, ut1, tt, "placidus", "whole_sign").system == "whole_sign"
    # A fallback that has no cusps either gives way to Porphyry.
    both = house_cusps_or_fallback(tromso, ut1, tt, "placidus", "koch")
    assert both.system == "porphyry" and both.fallback_reason == f"placidus: {UNDEFINED}; porphyry: {UNDEFINED}"
    with pytest.raises(ValueError, match=UNDEFINED):
        house_cusps_or_fallback(tromso, ut1, tt, "placidus", None)
    with pytest.raises(ValueError, match="unknown house system"):
        house_cusps_or_fallback(london, ut1, tt, "placidus", "nonesuch")  # refused before it is needed
    assert house_cusps_or_fallback(tromso, ut1, tt, "equal").fallback_reason is None


def _cli(*args: str) -> list[dict[str, object]]:
    done = subprocess.run([str(ORVANE), "chart", *args, "--format", "json"], capture_output=True, text=True,
                          timeout=300)
    assert done.returncode == 0 and done.stderr == "", done.stderr
    rows: list[dict[str, object]] = json.loads(done.stdout)
    return rows


def _value(rows: list[dict[str, object]], section: str, name: str) -> float:
    found = [row["longitude_deg"] for row in rows if row["section"] == section and row["name"] == name]
    assert len(found) == 1 and isinstance(found[0], float)
    return found[0]


@pytest.mark.parametrize("args, check", [
    (("2023-02-25", "04:25", "--place", "69.65,18.96", "--houses", "equal"), "tromso"),
    (("1990-05-17", "14:30", "--tz", "Asia/Kolkata", "--place", "28.61,77.21", "--houses", "whole_sign",
      "--sidereal", "lahiri"), "whole_sign"),
    (("1990-05-17", "12:00", "--place", "69.65,18.96", "--houses", "placidus"), "fallback"),
])
def test_chart_command(args, check):
    rows = _cli(*args)
    ascendant = _value(rows, "angle", "ascendant")
    if check == "tromso":
        assert abs(ascendant - 60.94) < 0.01 and _value(rows, "cusp", "1") == ascendant
    elif check == "whole_sign":
        assert _value(rows, "cusp", "1") == ascendant // 30.0 * 30.0 == 150.0  # Virgo
    else:
        note = [row for row in rows if row["section"] == "houses"]
        assert len(note) == 1 and note[0]["name"] == "porphyry"
        assert note[0]["zodiac"] == f"placidus: {UNDEFINED}"
        assert len([row for row in rows if row["section"] == "cusp"]) == 12
