"""Array calls shared between threads: the same bytes and the same first error
as on one thread, the thread setting, and Ctrl-C stopping every thread."""
from __future__ import annotations

import _thread
import os
import threading

import numpy as np
import pytest

import orvane
from conftest import ANY_SHA

J2000 = 2451545.0
OBSERVER = orvane.GeodeticObserver(48.85, 2.35, 35.0)
BODIES = ["sun", "moon", "mercury", "mars", 5]
THREAD_COUNTS = [2, 3, 7]


@pytest.fixture(scope="module")
def engine(de421_path, leap_seconds_path, eop_path):
    return orvane.open(de421_path, ANY_SHA, leap_seconds_path, ANY_SHA, eop_path, ANY_SHA)


@pytest.fixture(autouse=True)
def module_setting_restored():
    yield
    orvane.set_threads(None)


def value_error(call, *args, **kwargs) -> str:
    with pytest.raises(ValueError) as raised:
        call(*args, **kwargs)
    return str(raised.value)


# 9001 instants: pieces and stretches of every size end inside the batch.
DAYS = np.linspace(J2000 - 3000.0, J2000 + 3000.0, 9001)

OPTIONS = {
    "geometric": orvane.geometric(),
    "apparent": orvane.apparent(),
    "equatorial light time": orvane.PositionOptions("geocentric", "equatorial", light_time=True),
    "topocentric apparent": orvane.apparent("topocentric", observer=OBSERVER),
    "heliocentric": orvane.geometric("heliocentric", "ecliptic"),
}


@pytest.mark.parametrize("name", OPTIONS)
def test_every_thread_count_gives_the_one_thread_bytes(engine, name):
    options = OPTIONS[name]
    bodies = [b for b in BODIES if not (name == "heliocentric" and b == "sun")]
    one = engine.positions_for_julian_days(bodies, DAYS, "utc", options, threads=1)
    for threads in THREAD_COUNTS:
        many = engine.positions_for_julian_days(bodies, DAYS, "utc", options, threads=threads)
        assert many.shape == one.shape and many.tobytes() == one.tobytes(), threads


def test_instant_lists_of_mixed_scales_give_the_one_thread_bytes(engine):
    makers = [orvane.Instant.utc, orvane.Instant.tt, orvane.Instant.tdb, orvane.Instant.ut1]
    instants = [makers[k % 4](float(day)) for k, day in enumerate(DAYS)]
    one = engine.positions(["moon", "venus"], instants, orvane.apparent(), threads=1)
    for threads in THREAD_COUNTS:
        assert engine.positions(["moon", "venus"], instants, orvane.apparent(), threads).tobytes() == one.tobytes()


def test_the_module_setting_is_the_default_of_every_call(engine):
    one = engine.positions_for_julian_days(BODIES, DAYS, "tdb", orvane.apparent(), threads=1)
    for threads in [1, *THREAD_COUNTS]:
        orvane.set_threads(threads)
        assert orvane.get_threads() == threads
        assert engine.positions_for_julian_days(BODIES, DAYS, "tdb", orvane.apparent()).tobytes() == one.tobytes()


def test_the_setting_defaults_to_the_cores_of_the_process():
    assert orvane.get_threads() == len(os.sched_getaffinity(0))
    orvane.set_threads(5)
    orvane.set_threads(None)
    assert orvane.get_threads() == len(os.sched_getaffinity(0))


@pytest.mark.parametrize("value, error, text", [
    (0, ValueError, "set_threads() argument 'count' must be from 1 to 64"),
    (-3, ValueError, "set_threads() argument 'count' must be from 1 to 64"),
    (65, ValueError, "set_threads() argument 'count' must be from 1 to 64"),
    (10 ** 30, ValueError, "set_threads() argument 'count' must be from 1 to 64"),
    (True, TypeError, "set_threads() argument 'count' must be an int or None, not bool"),
    (2.0, TypeError, "set_threads() argument 'count' must be an int or None, not float"),
])
def test_thread_counts_outside_the_range_are_refused(engine, value, error, text):
    orvane.set_threads(2)
    with pytest.raises(error) as raised:
        orvane.set_threads(value)
    assert str(raised.value) == text
    assert orvane.get_threads() == 2
    with pytest.raises(error) as raised:
        engine.positions_for_julian_days(["moon"], DAYS, "tdb", orvane.geometric(), threads=value)
    assert str(raised.value) == text.replace("set_threads", "positions_for_julian_days").replace(
        "'count'", "'threads'")


def partial_outer_kernel(writer) -> bytes:
    """Jupiter up to five days after J2000, Saturn from then on."""
    start, split, end = (2414864.5 - J2000) * 86400.0, 5 * 86400.0, (2471184.5 - J2000) * 86400.0

    def segment(target, center, first, last):
        return writer.Segment(target, center, first, last,
                              writer.linear_type2(first, last - first, 1, (1e5, 0.0, 0.0), (0.0, 0.0, 0.0)))

    return writer.spk_bytes([segment(599, 5, start, split), segment(699, 6, split, end)])


def test_the_first_error_is_the_one_thread_error(de421_path, writer, write_kernel):
    engine = orvane.open(de421_path, ANY_SHA)
    engine.with_additional_kernel_file(write_kernel(partial_outer_kernel(writer)), ANY_SHA)
    # Saturn is missing for the first 3000 instants, Jupiter after them: one
    # thread evaluates Jupiter over a whole stretch first and meets its gap,
    # though a piece of the first 3000 instants alone would meet Saturn's.
    days = np.concatenate([np.full(3000, J2000), np.full(20000, J2000 + 10.0)])
    jupiter_first = "no SPK segment continues the center chain from target 599 at TDB epoch 864000"
    for threads in [1, *THREAD_COUNTS]:
        assert value_error(engine.positions_for_julian_days, ["jupiter", "saturn"], days, "tdb",
                           orvane.geometric(), threads=threads) == jupiter_first
    # Every instant's conversion comes before any kernel: a late instant out
    # of range wins over the gaps of the first stretch.
    late = days.copy()
    late[4000] = 2600000.5
    for threads in [1, *THREAD_COUNTS]:
        assert value_error(engine.positions_for_julian_days, ["jupiter", "saturn"], late, "tdb",
                           orvane.geometric(), threads=threads) == (
            "Julian day 2600000.5 is outside kernel range 2414864.5..2471184.5 Tdb")
    # An error in a later stretch only: the earlier stretches all succeed.
    later = np.full(23000, J2000 + 10.0)
    later[17000:] = J2000
    for threads in [1, *THREAD_COUNTS]:
        assert value_error(engine.positions_for_julian_days, ["saturn"], later, "tdb",
                           orvane.geometric(), threads=threads) == (
            "no SPK segment continues the center chain from target 699 at TDB epoch 0")


def test_an_engine_given_another_kernel_gives_its_threads_the_new_kernel(de421_path, writer, write_kernel):
    engine = orvane.open(de421_path, ANY_SHA)
    days = np.linspace(J2000 - 10.0, J2000 + 4.0, 9001)
    assert value_error(engine.positions_for_julian_days, [599], days, "tdb", orvane.geometric(), threads=2) == (
        "no SPK segment continues the center chain from target 599 at TDB epoch -864000")
    engine.with_additional_kernel_file(write_kernel(partial_outer_kernel(writer)), ANY_SHA)
    one = engine.positions_for_julian_days([599], days, "tdb", orvane.geometric(), threads=1)
    assert engine.positions_for_julian_days([599], days, "tdb", orvane.geometric(), threads=2).tobytes() == \
        one.tobytes()


def test_ctrl_c_stops_every_thread(engine):
    days = np.linspace(J2000 - 10000.0, J2000 + 10000.0, 2_000_000)
    timer = threading.Timer(0.05, _thread.interrupt_main)
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            for _ in range(20):  # long enough for the timer on a slow machine
                engine.positions_for_julian_days(BODIES, days, "tdb", orvane.apparent(), threads=2)
    finally:
        timer.cancel()
    # The engine serves the next call.
    assert engine.positions_for_julian_days(["moon"], days[:10], "tdb", orvane.apparent()).shape == (10, 1, 4)


@pytest.mark.parametrize("text, expected", [(None, 1), ("", 1), ("3", 3), (" 2 ", 2), ("0", ValueError),
                                            ("two", ValueError), ("-1", ValueError)])
def test_workers_use_one_thread_a_call_unless_the_environment_sets_it(monkeypatch, text, expected):
    from orvane_tools.worker_threads import VARIABLE, worker_threads
    if text is None:
        monkeypatch.delenv(VARIABLE, raising=False)
    else:
        monkeypatch.setenv(VARIABLE, text)
    if expected is ValueError:
        with pytest.raises(ValueError, match=VARIABLE):
            worker_threads()
    else:
        assert worker_threads() == expected
