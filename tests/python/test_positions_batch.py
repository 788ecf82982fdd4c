"""Batch positions against single positions: bit-for-bit agreement for every
switch combination the option rules allow, the rules' messages, the batch's
error order, empty inputs, and the NumPy array the batch returns."""
from __future__ import annotations

import gc
import itertools
import subprocess
import sys

import numpy as np
import pytest

import orvane
from conftest import ANY_SHA

OBSERVER = orvane.GeodeticObserver(-70.4, -24.6, 2635.0)
SWITCHES = ["apparent", "true_ecliptic", "light_time", "aberration", "gravitational_deflection", "precession",
            "nutation"]
BODIES = {
    "barycentric": ["moon", "earth", "sun", "moon", "mars", "mercury", "venus"],
    "heliocentric": ["moon", "earth", "mars", "moon", "mercury", "venus"],
    "geocentric": ["moon", "sun", "mars", "moon", "mercury", "venus"],
    "topocentric": ["moon", "earth", "sun", "moon", "mars"],
}
# Every scale in one call, all inside the Earth-orientation table.
INSTANTS = [
    orvane.Instant.tdb(2451545.0),
    orvane.Instant.tt(2442000.25),
    orvane.Instant.utc(2455197.8),
    orvane.Instant.ut1(2458849.75),
    orvane.Instant.tdb(2447000.5),
]
OPTION_MESSAGES = {
    "apparent requires reference_epoch: OfDate",
    "reference_epoch: OfDate requires corrections.precession",
    "ecliptic-of-date with nutation requires true_ecliptic",
    "true_ecliptic requires CoordinateSystem::Ecliptic",
    "true_ecliptic requires corrections.nutation",
    "precession and nutation require reference_epoch: OfDate",
    "true_ecliptic requires reference_epoch: OfDate",
}


@pytest.fixture(scope="module")
def engine(de421_path, leap_seconds_path, eop_path):
    return orvane.open(de421_path, ANY_SHA, leap_seconds_path, ANY_SHA, eop_path, ANY_SHA)


def option_rule_failure(system: str, epoch: str, switches: dict) -> str | None:
    """The first option rule a request breaks, written from the rules themselves."""
    s = dict(switches)
    ecliptic = system == "ecliptic"
    if s["apparent"]:
        if epoch != "of_date":
            return "apparent requires reference_epoch: OfDate"
        for name in ("light_time", "aberration", "gravitational_deflection", "precession", "nutation"):
            s[name] = True
        s["true_ecliptic"] = s["true_ecliptic"] or ecliptic
    if epoch == "of_date":
        if not s["precession"]:
            return "reference_epoch: OfDate requires corrections.precession"
        if not s["true_ecliptic"] and ecliptic and s["nutation"]:
            return "ecliptic-of-date with nutation requires true_ecliptic"
        if s["true_ecliptic"] and not ecliptic:
            return "true_ecliptic requires CoordinateSystem::Ecliptic"
        if s["true_ecliptic"] and not s["nutation"]:
            return "true_ecliptic requires corrections.nutation"
    else:
        if s["precession"] or s["nutation"]:
            return "precession and nutation require reference_epoch: OfDate"
        if s["true_ecliptic"] and not ecliptic:
            return "true_ecliptic requires CoordinateSystem::Ecliptic"
        if s["true_ecliptic"]:
            return "true_ecliptic requires reference_epoch: OfDate"
    return None


def every_request():
    for origin in BODIES:
        for system, epoch in itertools.product(["equatorial", "ecliptic"], ["j2000", "of_date"]):
            for values in itertools.product([False, True], repeat=len(SWITCHES)):
                switches = dict(zip(SWITCHES, values))
                observer = OBSERVER if origin == "topocentric" else None
                options = orvane.PositionOptions(origin, system, epoch, observer=observer, **switches)
                yield origin, options, option_rule_failure(system, epoch, switches)


def bits(values) -> np.ndarray:
    return np.ascontiguousarray(values, dtype=np.float64).view(np.uint64)


def single_positions(engine, bodies, instants, options) -> list:
    return [[(p.longitude_deg, p.latitude_deg, p.distance_au, p.longitude_speed_deg_per_day)
             for p in (engine.position(body, instant, options) for body in bodies)]
            for instant in instants]


def value_error(call, *args) -> str:
    with pytest.raises(ValueError) as error:
        call(*args)
    assert len(error.value.args) == 1
    return error.value.args[0]


# --- batch against single requests, all switch combinations ----------------------------------------

def test_batch_equals_single_requests_for_every_allowed_combination(engine):
    allowed = 0
    seen_messages = set()
    for origin, options, failure in every_request():
        bodies = BODIES[origin]
        if failure is not None:
            seen_messages.add(failure)
            # Option errors come first: before identity, time and kernel checks, even for empty inputs.
            assert value_error(engine.positions, bodies, INSTANTS, options) == failure
            assert value_error(engine.positions, [], [], options) == failure
            assert value_error(engine.position, "earth", orvane.Instant.utc(3e6), options) == failure
            continue
        allowed += 1
        batch = engine.positions(bodies, INSTANTS, options)
        assert batch.shape == (len(INSTANTS), len(bodies), 4)
        expected = single_positions(engine, bodies, INSTANTS, options)
        assert np.array_equal(bits(batch), bits(expected)), repr(options)
    assert seen_messages == OPTION_MESSAGES
    # J2000: 8 correction sets x 2 systems; of date: 8 x (2 mean + 2 true) without
    # apparent, 32 x 3 with it; for each of the four origins.
    assert allowed == 4 * (16 + 32 + 96)


def test_apparent_is_its_expansion_and_never_switches_anything_off(engine):
    instant = orvane.Instant.tt(2460000.5)
    everything = dict(light_time=True, aberration=True, gravitational_deflection=True, precession=True,
                      nutation=True)
    pairs = [
        (orvane.apparent("geocentric", "ecliptic"),
         orvane.PositionOptions("geocentric", "ecliptic", "of_date", true_ecliptic=True, **everything)),
        (orvane.apparent("heliocentric", "equatorial"),
         orvane.PositionOptions("heliocentric", "equatorial", "of_date", **everything)),
        (orvane.PositionOptions("barycentric", "ecliptic", "of_date", apparent=True, light_time=True,
                                true_ecliptic=True),
         orvane.PositionOptions("barycentric", "ecliptic", "of_date", true_ecliptic=True, **everything)),
    ]
    for apparent, by_hand in pairs:
        for body in ("moon", "mars"):
            assert repr(engine.position(body, instant, apparent)) == repr(engine.position(body, instant, by_hand))
    # Mean ecliptic and mean equator of date need precession only.
    for system in ("ecliptic", "equatorial"):
        engine.position("mars", instant, orvane.PositionOptions("geocentric", system, "of_date", precession=True))


def test_deflection_skips_the_sun_as_target_and_as_origin(engine):
    instant = orvane.Instant.tdb(2455000.5)
    plain = orvane.PositionOptions("geocentric", "equatorial", light_time=True, aberration=True)
    deflected = orvane.PositionOptions("geocentric", "equatorial", light_time=True, aberration=True,
                                       gravitational_deflection=True)
    assert repr(engine.position("sun", instant, plain)) == repr(engine.position("sun", instant, deflected))
    assert repr(engine.position("mars", instant, plain)) != repr(engine.position("mars", instant, deflected))
    helio = orvane.PositionOptions("heliocentric", "ecliptic", light_time=True)
    helio_deflected = orvane.PositionOptions("heliocentric", "ecliptic", light_time=True,
                                             gravitational_deflection=True)
    for body in ("mars", "earth", "moon"):
        assert repr(engine.position(body, instant, helio)) == repr(engine.position(body, instant, helio_deflected))


# --- batch error order ------------------------------------------------------------------------------

def test_identity_is_checked_before_any_time_conversion(de421_path):
    bare = orvane.open(de421_path, ANY_SHA)  # no time kernels: UTC cannot convert
    late = orvane.Instant.tdb(2600000.5)
    identical = "spherical coordinates are undefined when target and origin are identical"
    assert value_error(bare.positions, ["moon", "earth"], [late], orvane.geometric()) == identical
    assert value_error(bare.positions, ["mars", "sun"], [orvane.Instant.utc(2451545.0)],
                       orvane.apparent("heliocentric")) == identical
    assert value_error(bare.positions, ["earth"], [], orvane.geometric()) == identical
    assert value_error(bare.position, "earth", orvane.Instant.tdb(2451545.0), orvane.geometric()) == identical
    assert value_error(bare.position, "sun", orvane.Instant.tdb(2451545.0), orvane.geometric("heliocentric")) == (
        identical)
    # The barycentre is no body, so nothing is identical to it.
    bare.positions(["earth", "sun"], [orvane.Instant.tdb(2451545.0)], orvane.geometric("barycentric"))


def test_first_failing_instant_in_input_order_decides(de421_path, leap_seconds_path):
    bare = orvane.open(de421_path, ANY_SHA)
    good = orvane.Instant.tdb(2451545.0)
    late = orvane.Instant.tdb(2600000.5)
    utc = orvane.Instant.utc(2451545.0)
    out_of_range = "Julian day 2600000.5 is outside kernel range 2414864.5..2471184.5 Tdb"
    assert value_error(bare.positions, ["moon"], [good, utc, late], orvane.geometric()) == (
        "conversion from Utc to TDB is not implemented")
    assert value_error(bare.positions, ["moon"], [good, late, utc], orvane.geometric()) == out_of_range
    # No bodies: every instant is still converted and range-checked.
    assert value_error(bare.positions, [], [good, late], orvane.apparent()) == out_of_range
    assert value_error(bare.positions, [], [orvane.Instant.ut1(2451545.0)], orvane.geometric()) == (
        "conversion from Ut1 to TDB is not implemented")
    # For a place on the Earth each instant's range comes before its observer state.
    topocentric = orvane.apparent("topocentric", observer=OBSERVER)
    assert value_error(bare.positions, ["moon"], [late, good], topocentric) == out_of_range
    assert value_error(bare.positions, ["moon"], [good, late], topocentric) == (
        "topocentric origins require a leap-second kernel; attach one with SpkOrvane::with_leap_second_kernel")
    with_lsk = orvane.open(de421_path, ANY_SHA, leap_seconds_path, ANY_SHA)
    assert value_error(with_lsk.positions, ["moon"], [good], topocentric) == (
        "topocentric origins require an Earth orientation table (DUT1); attach one with SpkOrvane::with_eop")
    # Nothing to compute: no instants means no conversion and no observer.
    assert bare.positions(["moon"], [], topocentric).shape == (0, 1, 4)


def partial_outer_kernel(writer) -> bytes:
    """Jupiter up to five days after J2000, Saturn from then on."""
    start, split, end = (2414864.5 - 2451545.0) * 86400.0, 5 * 86400.0, (2471184.5 - 2451545.0) * 86400.0

    def segment(target, center, first, last):
        return writer.Segment(target, center, first, last,
                              writer.linear_type2(first, last - first, 1, (1e5, 0.0, 0.0), (0.0, 0.0, 0.0)))

    return writer.spk_bytes([segment(599, 5, start, split), segment(699, 6, split, end)])


def test_kernel_errors_follow_the_path_order(de421_path, writer, write_kernel):
    engine = orvane.open(de421_path, ANY_SHA)
    engine.with_additional_kernel_file(write_kernel(partial_outer_kernel(writer)), ANY_SHA)
    instants = [orvane.Instant.tdb(2451545.0), orvane.Instant.tdb(2451555.0)]
    # Geometric: body by body over all epochs, so Jupiter fails at the second instant.
    assert value_error(engine.positions, ["jupiter", "saturn"], instants, orvane.geometric()) == (
        "no SPK segment continues the center chain from target 599 at TDB epoch 864000")
    # Corrected: instant by instant, so Saturn fails at the first.
    light_time = orvane.PositionOptions("geocentric", "ecliptic", light_time=True)
    assert value_error(engine.positions, ["jupiter", "saturn"], instants, light_time) == (
        "no SPK segment continues the center chain from target 699 at TDB epoch 0")
    # Each is served where it is covered.
    engine.positions(["jupiter"], instants[:1], light_time)
    engine.positions(["saturn"], instants[1:], orvane.geometric())


def degenerate_kernel(writer) -> bytes:
    """Jupiter 1e5 km above the Earth's centre along the pole, Saturn at the centre,
    Neptune beyond the largest double, Pluto finite but its square not; no Uranus."""
    start, end = (2414864.5 - 2451545.0) * 86400.0, (2471184.5 - 2451545.0) * 86400.0

    def segment(target, center, position):
        return writer.Segment(target, center, start, end,
                              writer.linear_type2(start, end - start, 1, position, (0.0, 0.0, 0.0)))

    return writer.spk_bytes([segment(599, 399, (0.0, 0.0, 1e5)), segment(699, 399, (0.0, 0.0, 0.0)),
                             segment(899, 898, (1.7e308, 0.0, 0.0)), segment(898, 8, (1.7e308, 0.0, 0.0)),
                             segment(999, 399, (1e300, 0.0, 0.0))])


def test_spherical_conversion_failures_and_their_place_in_the_order(de421_path, writer, write_kernel):
    engine = orvane.open(de421_path, ANY_SHA)
    engine.with_additional_kernel_file(write_kernel(degenerate_kernel(writer)), ANY_SHA)
    t = [orvane.Instant.tdb(2451545.0)]
    equatorial = orvane.geometric("geocentric", "equatorial")
    aberration = orvane.PositionOptions("geocentric", "equatorial", aberration=True)
    assert value_error(engine.position, "jupiter", t[0], equatorial) == "spherical longitude is undefined on the z axis"
    assert value_error(engine.position, "saturn", t[0], aberration) == "spherical position is undefined at origin"
    assert value_error(engine.position, "neptune", t[0], equatorial) == (
        "non-finite state of Neptune at TDB Julian day 2451545.0")
    # Nothing non-finite is ever returned: a distance that overflows is the same error.
    for positions in (lambda: engine.position("pluto", t[0], equatorial),
                      lambda: engine.positions(["sun", "pluto"], t, orvane.geometric("geocentric", "ecliptic"))):
        assert value_error(positions) == "non-finite state of Pluto at TDB Julian day 2451545.0"
    # Off the pole in another frame, and turned off it by aberration.
    assert engine.position("jupiter", t[0], orvane.geometric()).latitude_deg == pytest.approx(66.56, abs=0.01)
    assert engine.position("jupiter", t[0], aberration).latitude_deg < 90.0
    # Conversions fail instant by instant, body by body, after every kernel evaluation
    # of the geometric path and together with each body's evaluation otherwise.
    assert value_error(engine.positions, ["jupiter", "saturn"], t, equatorial) == (
        "spherical longitude is undefined on the z axis")
    assert value_error(engine.positions, ["saturn", "jupiter"], t, equatorial) == (
        "spherical position is undefined at origin")
    assert value_error(engine.positions, ["saturn", "uranus"], t, equatorial) == (
        "no SPK segment continues the center chain from target 799 at TDB epoch 0")
    assert value_error(engine.positions, ["saturn", "uranus"], t, aberration) == (
        "spherical position is undefined at origin")
    # An infinite distance makes an infinite light time.
    assert value_error(engine.position, "neptune", t[0], orvane.apparent()) == (
        "no SPK segment continues the center chain from target 899 at TDB epoch -inf")


def test_origin_is_evaluated_for_an_empty_body_list_only_without_corrections(writer, write_kernel):
    # A primary kernel with the Moon and the Earth-Moon barycentre but no Earth.
    def segment(target, center):
        return writer.Segment(target, center, -1e6, 1e6, writer.linear_type2(-1e6, 2e6, 1, (7e3, 1e3, 0.0),
                                                                              (0.0, 0.0, 0.0)))

    engine = orvane.open(write_kernel(writer.spk_bytes([segment(301, 3), segment(3, 0)])), ANY_SHA)
    instant = orvane.Instant.tdb(2451545.0)
    missing_earth = "no SPK segment continues the center chain from target 399 at TDB epoch 0"
    assert value_error(engine.positions, [], [instant], orvane.geometric()) == missing_earth
    assert engine.positions([], [instant], orvane.PositionOptions("geocentric", "ecliptic", light_time=True)).shape \
        == (1, 0, 4)
    assert engine.positions(["moon"], [], orvane.geometric()).shape == (0, 1, 4)
    assert value_error(engine.position, "moon", instant, orvane.geometric()) == missing_earth
    moon = engine.positions(["moon"], [instant], orvane.geometric("barycentric", "equatorial"))
    assert moon[0, 0, 2] * 149597870.7 == pytest.approx(2 * (7e3 ** 2 + 1e3 ** 2) ** 0.5, rel=1e-15)


# --- shapes, empty inputs and the array -------------------------------------------------------------

def test_empty_inputs_give_zero_length_axes(engine):
    options = orvane.apparent()
    for bodies, instants, shape in [([], INSTANTS, (5, 0, 4)), (["moon", "sun"], [], (0, 2, 4)), ([], [], (0, 0, 4))]:
        array = engine.positions(bodies, instants, options)
        assert array.shape == shape
        assert array.dtype == np.float64 and array.flags.c_contiguous and array.flags.writeable


def test_array_layout_ownership_and_lifetime(de421_path):
    engine = orvane.open(de421_path, ANY_SHA)
    instants = [orvane.Instant.tdb(2451545.0 + 10.0 * k) for k in range(3)]
    bodies = ["sun", "Moon ", "mars"]
    array = engine.positions(bodies, instants, orvane.geometric())
    assert type(array) is np.ndarray
    assert array.shape == (3, 3, 4)
    assert array.dtype == np.dtype("float64") and array.dtype.isnative
    assert array.strides == (3 * 32, 32, 8)
    assert array.flags.c_contiguous and array.flags.writeable and array.flags.aligned
    assert not array.flags.owndata and array.base is not None
    expected = np.array(single_positions(engine, ["sun", "moon", "mars"], instants, orvane.geometric()))
    assert np.array_equal(bits(array), bits(expected))

    view = array[1:, ::2, :3]
    del engine, array
    gc.collect()
    # The views keep the buffer alive after the Engine and the array are gone.
    assert np.array_equal(bits(view), bits(expected[1:, ::2, :3]))
    junk = [np.full((3, 3, 4), 7.0) for _ in range(100)]  # reuse freed memory, if any
    assert np.array_equal(bits(view), bits(expected[1:, ::2, :3]))
    view[0, 0, 0] = -1.0
    assert view[0, 0, 0] == -1.0
    del junk


def test_repeated_bodies_and_tuples(engine):
    t0, t1 = orvane.Instant.tdb(2451545.0), orvane.Instant.tt(2451546.0)
    array = engine.positions(("Mars",), (t0,), orvane.geometric())
    assert array.shape == (1, 1, 4)
    twice = engine.positions(["moon", "mars", "moon"], [t0, t1], orvane.geometric())
    assert np.array_equal(bits(twice[:, 0]), bits(twice[:, 2]))
    assert np.array_equal(bits(twice[0, 1]), bits(array[0, 0]))


def test_sequences_whose_items_are_made_on_access(engine):
    # A NumPy array of str and a user sequence both hand out fresh str objects.
    instants = [orvane.Instant.tdb(2451545.0)]
    reference = engine.positions(["sun", "moon", "mars"], instants, orvane.geometric())
    from_array = engine.positions(np.array(["sun", "moon", "mars"]), instants, orvane.geometric())
    assert np.array_equal(bits(from_array), bits(reference))

    class Names:
        def __len__(self):
            return 3

        def __getitem__(self, index):
            if index >= 3:
                raise IndexError(index)
            return "".join(["sun", "moon", "mars"][index]) + " " * 200  # a new str each time

    assert np.array_equal(bits(engine.positions(Names(), instants, orvane.geometric())), bits(reference))


def test_argument_types_are_refused_naming_the_parameter(engine):
    t = orvane.Instant.tdb(2451545.0)
    options = orvane.geometric()
    cases = [
        (("sun", [t], options), "'bodies'"),
        ((["sun", 3.5], [t], options), "'bodies'"),
        (({"sun": 1}, [t], options), "'bodies'"),
        ((["sun"], [2451545.0], options), "'instants'"),
        ((["sun"], t, options), "'instants'"),
        ((["sun"], [t], "geometric"), "'options'"),
        # Types are checked before any name is parsed.
        ((["pallas"], [2451545.0], options), "'instants'"),
    ]
    for arguments, parameter in cases:
        with pytest.raises(TypeError, match=parameter):
            engine.positions(*arguments)
    with pytest.raises(TypeError):
        engine.positions(["sun"], [t])
    assert value_error(engine.positions, ["sun", " Nibiru", "vulcan"], [t], options) == 'unknown body "nibiru"'


def test_numpy_is_located_only_by_the_batch(de421_path):
    script = (
        "import sys\n"
        "import orvane\n"
        "assert 'numpy' not in sys.modules\n"
        f"engine = orvane.open({de421_path!r}, {ANY_SHA!r})\n"
        "t = orvane.Instant.tdb(2451545.0)\n"
        "engine.position('moon', t, orvane.apparent())\n"
        "assert 'numpy' not in sys.modules\n"
        "sys.modules['numpy'] = None\n"
        "try:\n"
        "    engine.positions(['moon'], [t], orvane.apparent())\n"
        "except ImportError:\n"
        "    pass\n"
        "else:\n"
        "    raise SystemExit('positions worked without numpy')\n"
        "del sys.modules['numpy']\n"
        "assert engine.positions(['moon'], [t], orvane.apparent()).shape == (1, 1, 4)\n"
    )
    result = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=120)
    assert result.returncode == 0, result.stderr


def test_batch_too_large_for_memory_is_a_memory_error(engine):
    # The result length fits a machine word, its memory does not.
    bodies = ["sun"] * 300_000
    instants = [orvane.Instant.tdb(2451545.0)] * 300_000
    with pytest.raises(MemoryError):
        engine.positions(bodies, instants, orvane.geometric())
    assert engine.positions(["sun"], instants[:1], orvane.geometric()).shape == (1, 1, 4)


# --- Julian days from a buffer ----------------------------------------------------------------------

def test_julian_days_from_a_buffer_give_the_batch_of_instants(engine):
    import array

    long_span = np.linspace(2433282.5, 2469807.5, 1100)  # more than one chunk of work
    bodies = ["sun", "moon", "mars"]
    for scale, days, options in [("tdb", long_span, orvane.geometric()), ("tt", long_span, orvane.apparent()),
                                 ("utc", 2455197.5 + 0.7 * np.arange(20.0),
                                  orvane.apparent("topocentric", observer=OBSERVER))]:
        expected = engine.positions(bodies, [orvane.Instant(day, scale) for day in days], options)
        # A view at an odd address is read as well as an aligned one.
        raw = bytearray(days.nbytes + 1)
        misaligned = np.frombuffer(raw, dtype=np.float64, offset=1, count=len(days))
        misaligned[:] = days
        assert not misaligned.flags.aligned
        for buffer in (days, array.array("d", days), misaligned):
            got = engine.positions_for_julian_days(bodies, buffer, scale, options)
            assert got.shape == expected.shape and got.tobytes() == expected.tobytes()
        for i in (0, 7, len(days) - 1):  # one at a time, as single requests
            for j, body in enumerate(bodies):
                single = engine.position(body, orvane.Instant(days[i], scale), options)
                assert tuple(expected[i, j]) == (single.longitude_deg, single.latitude_deg, single.distance_au,
                                                 single.longitude_speed_deg_per_day)


def test_julian_day_buffers_are_refused_like_instants(engine):
    expected = "positions_for_julian_days() argument 'julian_days' must be a C-contiguous buffer of float64, not "
    days = np.array([2451545.0, 2451546.0, 2451547.0])
    for given, type_name in [(days.astype(np.float32), "ndarray"), (days[::2], "ndarray"), ([2451545.0], "list"),
                             (days.astype(">f8"), "ndarray"), (b"12345678", "bytes")]:
        with pytest.raises(TypeError) as raised:
            engine.positions_for_julian_days(["moon"], given, "tdb", orvane.geometric())
        assert str(raised.value) == expected + type_name
    for bad in (np.nan, np.inf):
        with pytest.raises(ValueError, match="^Julian day must be finite$"):
            engine.positions_for_julian_days(["moon"], np.array([2451545.0, bad]), "nonsense", orvane.geometric())
    with pytest.raises(ValueError) as from_instant:
        orvane.Instant(2451545.0, "nonsense")
    with pytest.raises(ValueError) as from_days:
        engine.positions_for_julian_days(["moon"], days, "nonsense", orvane.geometric())
    assert str(from_days.value) == str(from_instant.value)
    assert engine.positions_for_julian_days([], np.empty(0), "tdb", orvane.geometric()).shape == (0, 0, 4)
    # One axis of days: any other shape is named, not flattened.
    for given, shape in [(np.zeros((2, 3)) + 2451545.0, "(2, 3)"), (np.float64(2451545.0), "()"),
                         (np.zeros((1, 1, 2)) + 2451545.0, "(1, 1, 2)")]:
        with pytest.raises(TypeError) as raised:
            engine.positions_for_julian_days(["moon"], given, "tdb", orvane.geometric())
        assert str(raised.value) == (
            f"positions_for_julian_days() argument 'julian_days' must be one-dimensional, not of shape {shape}")


class Interrupted(Exception):
    pass


@pytest.mark.parametrize("call", ["julian_days", "instants"])
def test_a_signal_stops_a_long_batch(engine, call):
    # Another thread runs while the batch computes, and its signal is handled
    # between stretches of the batch: the batch ends with the handler's error.
    import signal
    import threading

    days = np.linspace(2433282.5, 2469807.5, 2_000_000)
    instants = [orvane.Instant.tdb(day) for day in days[:300_000]]
    started = threading.Event()

    def send() -> None:
        started.wait()
        signal.pthread_kill(threading.main_thread().ident, signal.SIGUSR1)

    def interrupt(signum, frame):
        raise Interrupted

    previous = signal.signal(signal.SIGUSR1, interrupt)
    sender = threading.Thread(target=send)
    sender.start()
    try:
        with pytest.raises(Interrupted):
            started.set()
            if call == "julian_days":
                engine.positions_for_julian_days(["moon", "sun", "mars"], days, "tdb", orvane.apparent())
            else:
                engine.positions(["moon", "sun", "mars"], instants * 4, orvane.apparent())
    finally:
        sender.join()
        signal.signal(signal.SIGUSR1, previous)
