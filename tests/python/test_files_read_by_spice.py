"""Files as CSPICE reads them: the kernels written here (the planet-centre kernel
the package ships, the test writer's kernels) read by spiceypy give orvane's
positions, and leap-second kernels read by both give the same time scale."""
from __future__ import annotations

import datetime
import math
import os

import pytest
import spiceypy

import orvane
import orvane_tools
from orvane_tools import centres

ANY_SHA = "ab" * 32
RECORD = 1024
AU_KM = 149597870.7
TDB_DAYS = [2451545.0 - 20000.25, 2451545.0 + 0.5, 2451545.0 + 9000.75]  # inside DE421


@pytest.fixture
def spice():
    spiceypy.kclear()
    yield spiceypy
    spiceypy.kclear()


def spice_barycentric(spice, body: int, tdb_jd: float) -> tuple[float, float, float]:
    """Right ascension and declination (degrees) and distance (au) from the solar-system barycentre, J2000."""
    vector, _ = spice.spkpos(str(body), (tdb_jd - 2451545.0) * 86400.0, "J2000", "NONE", "0")
    distance, ra, dec = spice.recrad(vector)
    return math.degrees(ra), math.degrees(dec), distance / AU_KM


def assert_same_places(spice, engine: orvane.Engine, bodies, distance_rtol: float = 1e-12,
                       days: list[float] = TDB_DAYS) -> None:
    options = orvane.geometric("barycentric", "equatorial")
    for jd in days:
        for body in bodies:
            ra, dec, distance = spice_barycentric(spice, body, jd)
            place = engine.position(body, orvane.Instant.tdb(jd), options)
            assert place.longitude_deg == pytest.approx(ra, abs=1e-9), (body, jd)
            assert place.latitude_deg == pytest.approx(dec, abs=1e-9), (body, jd)
            assert place.distance_au == pytest.approx(distance, rel=distance_rtol), (body, jd)


def test_the_shipped_planet_centre_kernel_reads_in_spice(spice, de421_path):
    path = str(orvane_tools.data.default_planet_centres())
    assert os.path.getsize(path) % RECORD == 0
    spice.furnsh(de421_path)
    spice.furnsh(path)
    coverage = spice.spkcov(path, 999)
    assert spice.wnfetd(coverage, 0) == pytest.approx(
        ((centres.DEFAULT_START_JULIAN_DAY - 2451545.0) * 86400.0, (centres.DEFAULT_END_JULIAN_DAY - 2451545.0)
         * 86400.0))
    for body in centres.DEFAULT_BODIES:
        barycentre = centres.PLANET_CENTRES[body][0]
        for jd in TDB_DAYS + [centres.DEFAULT_START_JULIAN_DAY, centres.DEFAULT_END_JULIAN_DAY]:
            state, _ = spice.spkgeo(body, (jd - 2451545.0) * 86400.0, "J2000", barycentre)
            assert list(state) == [0.0] * 6, (body, jd)
    engine = orvane.open(de421_path, ANY_SHA)
    engine.with_additional_kernel_file(path, ANY_SHA)
    # DE421's own Mars (499) serves orvane, the kernel's serves SPICE: they
    # differ by the kernel's bound for Mars, well under a metre.
    assert_same_places(spice, engine, [599, 999, 899], distance_rtol=1e-12)
    assert_same_places(spice, engine, [499], distance_rtol=1e-11)


@pytest.mark.parametrize("bodies", [(499,), (599, 999), centres.DEFAULT_BODIES])
def test_written_planet_centre_kernels_fill_whole_records(spice, tmp_path, bodies):
    path = tmp_path / "centres.bsp"
    centres.write_planet_centre_kernel(path, 2400000.5, 2500000.5, bodies=bodies)
    assert path.stat().st_size % RECORD == 0
    spice.furnsh(str(path))
    for body in bodies:
        state, _ = spice.spkgeo(body, 1e8, "J2000", centres.PLANET_CENTRES[body][0])
        assert list(state) == [0.0] * 6


@pytest.mark.parametrize("big_endian", [False, True])
def test_the_test_writers_kernels_read_in_spice(spice, writer, write_kernel, big_endian):
    def segment(target, center, position, velocity):
        words = writer.linear_type2(-1e9, 1e9, 2, position, velocity)
        return writer.Segment(target, center, -1e9, 1e9, words)

    content = writer.spk_bytes([segment(3, 0, (1.4e8, 2e7, -3e6), (-5.0, 29.0, 1.0)),
                                segment(301, 3, (3.8e5, -1e4, 2e3), (0.01, 1.0, 0.1))], big_endian=big_endian)
    assert len(content) % RECORD == 0
    path = write_kernel(content, "written.bsp")
    spice.furnsh(path)
    assert_same_places(spice, orvane.open(path, ANY_SHA), [301, 3], days=[2451545.0 - 11000.5, 2451545.0 + 3.25])


# --- leap-second kernels -------------------------------------------------------------------------------

def kernel_with(leap_seconds_path: str, old: str, new: str, tmp_path) -> str:
    with open(leap_seconds_path, encoding="utf-8") as handle:
        text = handle.read()
    assert old in text
    path = tmp_path / "edited.tls"
    path.write_text(text.replace(old, new), encoding="utf-8")
    return str(path)


APPENDED = [
    ("37, @2017-JAN-1 )", "37, @2017-JAN-1 )\n\\begintext\n\n\\begindata\nDELTET/DELTA_AT += ( 38, @2030-JUL-1 )"),
    ("37, @2017-JAN-1 )", "37, @2017-JAN-1 )\nDELTET/DELTA_AT += ( 38, @2030-JUL-1\n 39, @2031-JAN-1 )"),
    ("36, @2015-JUL-1,\n                     37, @2017-JAN-1 )",
     "36, @2015-JUL-1 )\nDELTET/DELTA_AT += ( 37, @2017-JAN-1 )"),
]


@pytest.mark.parametrize("old,new", APPENDED)
def test_appended_leap_seconds_count_as_in_spice(spice, de421_path, leap_seconds_path, tmp_path, old, new):
    path = kernel_with(leap_seconds_path, old, new, tmp_path)
    spice.furnsh(path)
    engine = orvane.open(de421_path, ANY_SHA)
    engine.with_leap_second_kernel(path, ANY_SHA)
    for utc in ["2016-12-31T12:00:00", "2017-01-01T12:00:00", "2030-06-30T12:00:00", "2030-07-01T12:00:00",
                "2031-01-01T12:00:00"]:
        moment = datetime.datetime.fromisoformat(utc)
        jd = 2451545.0 + (moment - datetime.datetime(2000, 1, 1, 12)).total_seconds() / 86400.0
        tdb = engine.convert_instant(orvane.Instant.utc(jd), "tdb").julian_day
        assert (tdb - 2451545.0) * 86400.0 == pytest.approx(spice.str2et(utc), abs=1e-4), utc


@pytest.mark.parametrize("literal,reason,spice_refuses", [
    ("@2017-JAN-4294967295", "JAN 2017 has 31 days", True),
    # SPICE carries these over into the next month; they are refused here.
    ("@2017-JAN-32", "JAN 2017 has 31 days", False),
    ("@2017-FEB-29", "FEB 2017 has 28 days", False),
])
def test_impossible_leap_second_dates_are_refused(spice, de421_path, leap_seconds_path, tmp_path, literal, reason,
                                                  spice_refuses):
    path = kernel_with(leap_seconds_path, "@2017-JAN-1", literal, tmp_path)
    if spice_refuses:
        with pytest.raises(spiceypy.utils.exceptions.SpiceyError):
            spice.furnsh(path)
            spice.str2et("2020-01-01T00:00:00")
    engine = orvane.open(de421_path, ANY_SHA)
    with pytest.raises(ValueError) as error:
        engine.with_leap_second_kernel(path, ANY_SHA)
    assert str(error.value) == f'invalid NAIF date literal "{literal}": {reason}'
