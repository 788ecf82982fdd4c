"""Position requests from Python: their texts and refusals, the error order of
each member, the time conversions a request needs, the time-kernel methods and
constructor pairs, and the rule that a failed kernel attachment closes the Engine."""
from __future__ import annotations

import decimal
import math
import struct
import threading

import numpy as np
import pytest

import orvane
from conftest import ANY_SHA

J2000 = orvane.Instant.tdb(2451545.0)
OBSERVER = orvane.GeodeticObserver(10.0, 50.0, 300.0)


def value_error(call, *args, **kwargs) -> str:
    with pytest.raises(ValueError) as error:
        call(*args, **kwargs)
    assert len(error.value.args) == 1
    return error.value.args[0]


def plain(value: float) -> str:
    """Shortest round-trip decimal, never in exponent form, no fraction when integral."""
    text = format(decimal.Decimal(repr(value)), "f")
    return text.rstrip("0").rstrip(".") if "." in text else text


@pytest.fixture
def bare(de421_path):
    return orvane.open(de421_path, ANY_SHA)


@pytest.fixture
def full(de421_path, leap_seconds_path, eop_path):
    return orvane.open(de421_path, ANY_SHA, leap_seconds_path, ANY_SHA, eop_path, ANY_SHA)


def modified_leap_seconds(leap_seconds_path, tmp_path) -> str:
    """The leap-second kernel with one leap second more, at the start of 2019."""
    text = open(leap_seconds_path, encoding="utf-8").read()
    assert "37, @2017-JAN-1 )" in text
    path = tmp_path / "one_more.tls"
    path.write_text(text.replace("37, @2017-JAN-1 )", "37, @2017-JAN-1,\n                     38, @2019-JAN-1 )"),
                    encoding="utf-8")
    return str(path)


# --- texts ----------------------------------------------------------------------------------------

def test_request_docstrings_and_signatures():
    import inspect

    expected = {
        "position": ["body", "instant", "options"],
        "sidereal_position": ["body", "instant", "options", "mode"],
        "with_leap_second_kernel": ["path", "sha256"],
        "with_eop": ["path", "sha256"],
        "with_time_kernels": ["leap_second_kernel", "leap_second_sha256", "eop", "eop_sha256"],
        "with_additional_kernel_file": ["path", "sha256"],
        "positions": ["bodies", "instants", "options", "threads"],
        "positions_for_julian_days": ["bodies", "julian_days", "time_scale", "options", "threads"],
    }
    for name, parameters in expected.items():
        method = getattr(orvane.Engine, name)
        assert list(inspect.signature(method).parameters) == ["self", *parameters], name
        assert method.__doc__ and "[`Py" not in method.__doc__, name


def test_position_repr_and_read_only_properties(bare):
    mercury_retrograde = orvane.Instant.tdb(2451545.0 + 70.0)
    results = [
        bare.position("mercury", mercury_retrograde, orvane.geometric()),
        bare.position("sun", orvane.Instant.tdb(2451551.0), orvane.geometric()),  # latitude below 1e-4
        bare.position("moon", J2000, orvane.apparent()),
    ]
    assert results[0].longitude_speed_deg_per_day < 0.0
    assert abs(results[1].latitude_deg) < 1e-4
    for p in results:
        fields = (p.longitude_deg, p.latitude_deg, p.distance_au, p.longitude_speed_deg_per_day)
        assert all(type(value) is float for value in fields)
        assert repr(p) == (f"Position(longitude_deg={plain(fields[0])}, latitude_deg={plain(fields[1])}, "
                           f"distance_au={plain(fields[2])}, longitude_speed_deg_per_day={plain(fields[3])})")
        assert 0.0 <= p.longitude_deg < 360.0
        with pytest.raises(AttributeError):
            p.longitude_deg = 1.0


# --- argument refusal and error order -------------------------------------------------------------

def test_wrong_types_name_the_parameter(bare):
    options = orvane.geometric()
    cases = [
        (bare.position, (5.0, J2000, options), "'body'"),
        (bare.position, ("sun", 2451545.0, options), "'instant'"),
        (bare.position, ("sun", J2000, "geometric"), "'options'"),
        (bare.position, ("pallas", 2451545.0, options), "'instant'"),  # types before names
        (bare.sidereal_position, (b"sun", J2000, options, "lahiri"), "'body'"),
        (bare.sidereal_position, ("sun", None, options, "lahiri"), "'instant'"),
        (bare.sidereal_position, ("sun", J2000, orvane.SiderealMode.lahiri(), "lahiri"), "'options'"),
        (bare.with_leap_second_kernel, (None, ANY_SHA), "'path'"),
        (bare.with_eop, ("eop", 64), "'sha256'"),
        (bare.with_time_kernels, ("a", ANY_SHA, None, ANY_SHA), "'eop'"),
        (bare.with_additional_kernel_file, ("k.bsp", None), "'sha256'"),
    ]
    for method, arguments, parameter in cases:
        with pytest.raises(TypeError, match=parameter):
            method(*arguments)
    with pytest.raises(TypeError, match="'options'"):
        bare.position(body="sun", instant=J2000)
    with pytest.raises(TypeError):
        bare.position("sun", J2000, options, "extra")
    assert bare.position(options=options, instant=J2000, body="sun").distance_au > 0.9


def test_names_and_modes(bare):
    options = orvane.apparent()
    assert repr(bare.position(" Moon ", J2000, options)) == repr(bare.position("moon", J2000, options))
    assert value_error(bare.position, "\tNibiru", J2000, options) == 'unknown body "nibiru"'
    assert value_error(bare.sidereal_position, "sun", J2000, options, "tropical") == (
        'unknown sidereal mode "tropical"')
    assert value_error(bare.sidereal_position, "sun", J2000, options, 3) == (
        "expected a name string or an orvane enum with a name attribute")
    # The body is parsed before the mode.
    assert value_error(bare.sidereal_position, "eris", J2000, options, 3) == 'unknown body "eris"'


def test_failed_opening_leaves_the_engine_open_and_unchanged(bare, writer, write_kernel, tmp_path,
                                                             leap_seconds_path):
    before = repr(bare)
    words = writer.linear_type2(0.0, 100.0, 1, (1.0, 0.0, 0.0), (0.0, 0.0, 0.0))
    segment = writer.Segment(599, 5, 0.0, 100.0, words)
    too_many = writer.spk_bytes([segment])
    for path, sha, message in [
        (str(tmp_path / "missing.bsp"), "A" * 63, "kernel SHA-256 must contain exactly 64 hexadecimal characters"),
        (str(tmp_path / "missing.bsp"), "g" + "a" * 63, "kernel SHA-256 must contain exactly 64 hexadecimal characters"),
        ("/", ANY_SHA, "kernel path has no UTF-8 filename"),
        (str(tmp_path / ".."), ANY_SHA, "kernel path has no UTF-8 filename"),
        ("", ANY_SHA, "kernel path has no UTF-8 filename"),
        (str(tmp_path / "missing.bsp"), ANY_SHA, "failed to read SPK kernel: No such file or directory"),
        (write_kernel(b"NAIF/DAF" + bytes(2000)), ANY_SHA, 'expected DAF/SPK file identifier, found "NAIF/DAF"'),
        # Kernels whose segment list does not decode leave the engine open too.
        (write_kernel(writer.spk_bytes([segment], nd=1, ni=5)), ANY_SHA, "unsupported SPK summary layout ND=1, NI=5"),
        (write_kernel(too_many[:1040] + struct.pack("<d", 99.0) + too_many[1048:]), ANY_SHA,
         "invalid DAF summary chain: summary count exceeds record capacity"),
    ]:
        assert value_error(bare.with_additional_kernel_file, path, sha) == message
    assert value_error(bare.with_leap_second_kernel, leap_seconds_path, "abc") == (
        "leap-second kernel SHA-256 must contain exactly 64 hexadecimal characters")
    assert value_error(bare.with_eop, leap_seconds_path, ANY_SHA) == (
        "EOP table line 1 has an unknown layout: it is neither an IERS EOP 20 C04 row nor an IERS finals row")
    assert repr(bare) == before
    assert bare.kernel_metadata.additional_kernels() == []
    assert value_error(bare.position, "moon", orvane.Instant.utc(2451545.0), orvane.geometric()) == (
        "conversion from Utc to TDB is not implemented")


def test_thread_check_comes_after_argument_matching_only(bare):
    outcomes = []

    def call(*arguments):
        try:
            bare.position(*arguments)
        except BaseException as error:  # noqa: BLE001
            outcomes.append(error)

    for arguments in [(5, 5, 5), ("sun",)]:
        thread = threading.Thread(target=call, args=arguments)
        thread.start()
        thread.join()
    assert isinstance(outcomes[0], RuntimeError)
    assert str(outcomes[0]) == "orvane::PyEngine is unsendable, but sent to another thread"
    assert isinstance(outcomes[1], TypeError)
    assert bare.position("sun", J2000, orvane.geometric()).distance_au > 0.9


def test_callbacks_during_argument_conversion(bare, leap_seconds_path):
    inner = []

    class Shared:
        @property
        def name(self):
            inner.append(bare.position("moon", J2000, orvane.geometric()))
            return "lahiri"

    class Exclusive:
        @property
        def name(self):
            try:
                bare.with_leap_second_kernel(leap_seconds_path, ANY_SHA)
            except RuntimeError as error:
                inner.append(error)
                raise
            return "lahiri"

    options = orvane.apparent()
    bare.sidereal_position("sun", J2000, options, Shared())
    assert isinstance(inner[0], orvane.Position)
    # Attaching needs the Engine alone; the failed attribute read is not a name.
    assert value_error(bare.sidereal_position, "sun", J2000, options, Exclusive()) == (
        "expected a name string or an orvane enum with a name attribute")
    assert isinstance(inner[1], RuntimeError) and str(inner[1]) == "Already borrowed"
    # Nothing was attached, and the Engine is free again.
    assert value_error(bare.position, "moon", orvane.Instant.utc(2451545.0), options) == (
        "conversion from Utc to TDB is not implemented")
    bare.with_leap_second_kernel(leap_seconds_path, ANY_SHA)


# --- time conversions of a request ------------------------------------------------------------------

def test_time_kernel_requirements(bare, de421_path, leap_seconds_path, eop_path):
    geometric = orvane.geometric()
    topocentric = orvane.apparent("topocentric", observer=OBSERVER)
    need_lsk = ("topocentric origins require a leap-second kernel; attach one with "
                "SpkOrvane::with_leap_second_kernel")
    need_eop = "topocentric origins require an Earth orientation table (DUT1); attach one with SpkOrvane::with_eop"
    assert value_error(bare.position, "moon", orvane.Instant.utc(2451545.0), geometric) == (
        "conversion from Utc to TDB is not implemented")
    assert value_error(bare.position, "moon", orvane.Instant.ut1(2451545.0), geometric) == (
        "conversion from Ut1 to TDB is not implemented")
    # A place on the Earth needs both tables, whatever the instant's scale.
    assert value_error(bare.position, "moon", J2000, topocentric) == need_lsk
    with_lsk = orvane.open(de421_path, ANY_SHA, leap_seconds_path, ANY_SHA)
    assert value_error(with_lsk.position, "moon", orvane.Instant.ut1(2451545.0), geometric) == (
        "UT1 requires an Earth orientation table (DUT1); attach one with SpkOrvane::with_eop")
    assert value_error(with_lsk.position, "moon", orvane.Instant.tt(2451545.0), topocentric) == need_eop
    with_lsk.position("moon", orvane.Instant.utc(2451545.0), geometric)
    # Table coverage.
    full = orvane.open(de421_path, ANY_SHA, leap_seconds_path, ANY_SHA, eop_path, ANY_SHA)
    assert value_error(full.position, "moon", orvane.Instant.utc(2430000.5), geometric) == (
        "UTC Julian day 2430000.5 precedes the kernel's earliest leap-second entry (2441317.5); "
        "the offset is not extrapolated")
    assert value_error(full.position, "moon", orvane.Instant.utc(2470000.5), topocentric).startswith(
        "UTC Julian day 2470000.5 is outside EOP coverage [2437665.5, ")
    full.position("moon", orvane.Instant.utc(2470000.5), geometric)


def test_range_ends_are_inclusive_and_name_the_callers_day(bare):
    options = orvane.geometric()
    for day in (2414864.5, 2471184.5):
        bare.position("moon", orvane.Instant.tdb(day), options)
    for day in (np.nextafter(2414864.5, -math.inf), np.nextafter(2471184.5, math.inf), 2600000.0):
        assert value_error(bare.position, "moon", orvane.Instant.tdb(float(day)), options) == (
            f"Julian day {plain(float(day))} is outside kernel range 2414864.5..2471184.5 Tdb")
    # The caller's day in the caller's scale, the range in TDB.
    assert value_error(bare.position, "moon", orvane.Instant.tt(2471185.5), options) == (
        "Julian day 2471185.5 is outside kernel range 2414864.5..2471184.5 Tdb")


def test_apparent_places_near_the_first_covered_day(bare):
    # The observer's acceleration comes from its records at the instant itself,
    # so an apparent place needs data only back to its light time.
    start = 2414864.5
    two_minutes = 120.0 / 86400.0
    moon = bare.position("moon", orvane.Instant.tdb(start + two_minutes), orvane.apparent())
    later = bare.position("moon", orvane.Instant.tdb(start + 2 * two_minutes), orvane.apparent())
    assert 0.0 < later.longitude_deg - moon.longitude_deg < 0.05
    assert moon.longitude_speed_deg_per_day == pytest.approx(later.longitude_speed_deg_per_day, rel=1e-3)


def test_tt_without_a_leap_second_kernel_uses_the_periodic_series(bare, de421_path, leap_seconds_path):
    skyfield_api = pytest.importorskip("skyfield.api")
    eph = skyfield_api.load_file(de421_path)
    ts = skyfield_api.load.timescale(builtin=True)
    with_lsk = orvane.open(de421_path, ANY_SHA, leap_seconds_path, ANY_SHA)
    options = orvane.geometric("geocentric", "equatorial")
    for day in (2415020.5, 2440000.5, 2451545.0, 2460000.25, 2469807.5):
        # TDB - TT = 0.001657 sin E, E = M + 0.01671 sin M, three iterations from TT.
        tt = (day - 2451545.0) * 86400.0
        tdb = tt
        for _ in range(3):
            m = 6.239996 + 1.99096871e-7 * tdb
            tdb = tt + 0.001657 * math.sin(m + 0.01671 * math.sin(m))
        ours = bare.position("moon", orvane.Instant.tt(day), options)
        assert repr(ours) == repr(with_lsk.position("moon", orvane.Instant.tt(day), options))
        at_tdb = bare.position("moon", orvane.Instant.tdb(day), options)
        assert ours.longitude_deg != at_tdb.longitude_deg
        assert abs(tdb - tt) <= 0.001657
        t = ts.tdb_jd(day, (tdb - tt) / 86400.0)
        km = (eph["moon"] - eph["earth"]).at(t).position.km
        ra = math.degrees(math.atan2(km[1], km[0])) % 360.0
        dec = math.degrees(math.atan2(km[2], math.hypot(km[0], km[1])))
        assert abs((ours.longitude_deg - ra + 180.0) % 360.0 - 180.0) * 3600e6 < 2.0  # microarcseconds
        assert abs(ours.latitude_deg - dec) * 3600e6 < 2.0


# --- time-kernel methods and constructor pairs ------------------------------------------------------

def test_with_methods_attach_in_place(bare, full, leap_seconds_path, eop_path):
    ut1 = orvane.Instant.ut1(2458849.75)
    utc = orvane.Instant.utc(2458849.75)
    options = orvane.apparent("topocentric", observer=OBSERVER)
    assert bare.with_leap_second_kernel(leap_seconds_path, ANY_SHA) is None
    assert value_error(bare.position, "moon", ut1, orvane.geometric()) == (
        "UT1 requires an Earth orientation table (DUT1); attach one with SpkOrvane::with_eop")
    assert bare.with_eop(path=eop_path, sha256=ANY_SHA.upper()) is None
    for instant in (ut1, utc):
        assert repr(bare.position("moon", instant, options)) == repr(full.position("moon", instant, options))
    assert bare.kernel_metadata.additional_kernels() == []
    assert repr(bare) == repr(full)


def test_later_time_kernels_replace_earlier_ones(bare, leap_seconds_path, eop_path, tmp_path):
    one_more = modified_leap_seconds(leap_seconds_path, tmp_path)
    instant = orvane.Instant.utc(2459000.5)  # 2020, after the invented leap second
    earlier = orvane.Instant.utc(2458000.5)  # 2017, before it
    options = orvane.geometric("geocentric", "equatorial")
    bare.with_leap_second_kernel(leap_seconds_path, ANY_SHA)
    original, original_earlier = (bare.position("moon", t, options) for t in (instant, earlier))
    bare.with_leap_second_kernel(one_more, ANY_SHA)
    shifted = bare.position("moon", instant, options)
    assert repr(bare.position("moon", earlier, options)) == repr(original_earlier)
    # One second more of TT: the Moon is about 0.55 arcseconds further on.
    moved = (shifted.longitude_deg - original.longitude_deg) * 3600.0
    assert moved == pytest.approx(original.longitude_speed_deg_per_day * 3600.0 / 86400.0, rel=1e-3)
    bare.with_time_kernels(leap_seconds_path, ANY_SHA, eop_path, ANY_SHA)
    assert repr(bare.position("moon", instant, options)) == repr(original)
    bare.with_time_kernels(leap_second_kernel=one_more, leap_second_sha256=ANY_SHA, eop=eop_path,
                           eop_sha256=ANY_SHA)
    assert repr(bare.position("moon", instant, options)) == repr(shifted)


def test_with_time_kernels_attaches_nothing_when_one_file_fails(bare, leap_seconds_path, eop_path):
    assert value_error(bare.with_time_kernels, leap_seconds_path, ANY_SHA, "/nonexistent/eop", ANY_SHA) == (
        "No such file or directory")
    assert value_error(bare.with_time_kernels, "/nonexistent/x.tls", ANY_SHA, "/nonexistent/eop", ANY_SHA) \
        .startswith("failed to read leap-second kernel: ")
    assert value_error(bare.with_time_kernels, leap_seconds_path, ANY_SHA, eop_path, "xyz") == (
        "EOP table SHA-256 must be 64 hexadecimal characters")
    assert value_error(bare.position, "moon", orvane.Instant.utc(2451545.0), orvane.geometric()) == (
        "conversion from Utc to TDB is not implemented")


def test_constructor_pairs(de421_path, leap_seconds_path, eop_path, tmp_path):
    lsk_pair = "leap_second_kernel and leap_second_sha256 must be supplied together"
    eop_pair = "eop and eop_sha256 must be supplied together"
    for factory in (orvane.Engine, orvane.open):
        assert value_error(factory, de421_path, ANY_SHA, leap_second_sha256=ANY_SHA) == lsk_pair
        assert value_error(factory, de421_path, ANY_SHA, leap_second_kernel=leap_seconds_path,
                           leap_second_sha256=None, eop=eop_path, eop_sha256=ANY_SHA) == lsk_pair
        assert value_error(factory, de421_path, ANY_SHA, leap_seconds_path, ANY_SHA, eop_path) == eop_pair
        assert value_error(factory, de421_path, ANY_SHA, eop_sha256=ANY_SHA) == eop_pair
        # A broken leap-second file is reported before the Earth-orientation pair is looked at.
        assert value_error(factory, de421_path, ANY_SHA, str(tmp_path / "no.tls"), ANY_SHA, eop_path).startswith(
            "failed to read leap-second kernel: ")
        assert value_error(factory, de421_path, ANY_SHA, leap_seconds_path, ANY_SHA, str(tmp_path / "no"),
                           ANY_SHA) == "No such file or directory"
        # The primary kernel comes first of all.
        assert value_error(factory, str(tmp_path / "no.bsp"), ANY_SHA, eop=eop_path).startswith(
            "failed to read SPK kernel: ")
        only_eop = factory(de421_path, ANY_SHA, eop=eop_path, eop_sha256=ANY_SHA)
        assert value_error(only_eop.position, "moon", orvane.Instant.ut1(2451545.0), orvane.geometric()) == (
            "conversion from Ut1 to TDB is not implemented")
        assert value_error(only_eop.position, "moon", J2000, orvane.apparent("topocentric", observer=OBSERVER)) \
            == "topocentric origins require a leap-second kernel; attach one with SpkOrvane::with_leap_second_kernel"
