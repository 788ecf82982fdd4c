"""Opening kernels from Python: the module frame, Engine construction, its
text forms, metadata and coverage, and every failure of a malformed file."""
from __future__ import annotations

import gc
import os
import pathlib
import threading

import pytest

import orvane
from conftest import ANY_SHA

MODULE_TABLE = [
    "Instant", "GeodeticObserver", "HouseSystem", "HouseCusps", "HorizonEventKind", "RiseSetTransit",
    "HorizonEvent", "SeasonEvent", "LunationEvent", "SiderealMode", "PositionOptions", "Position", "DateRange",
    "KernelMetadata", "Engine", "Ayanamsha", "open", "geometric", "apparent", "house_cusps", "set_threads", "get_threads",
    "J2000_JULIAN_DAY",
    "SUN_UPPER_LIMB_ALTITUDE_DEG", "MEAN_REFRACTION_ALTITUDE_DEG", "OutsideCoverageError", "OutsideEopCoverageError",
    "UndefinedHouseCuspsError", "FileError", "BODIES", "SMALL_BODIES", "TIME_SCALES", "ORIGINS", "COORDINATE_SYSTEMS",
    "REFERENCE_EPOCHS", "EVENT_KINDS", "SHADOW_RULES",
]


# --- module frame -------------------------------------------------------------------------------

def test_module_registers_its_names_in_table_order():
    assert orvane.__all__ == MODULE_TABLE
    for name in MODULE_TABLE:
        assert hasattr(orvane, name)
    assert orvane.__doc__ == ""


def test_module_functions_belong_to_the_module():
    for function in (orvane.open, orvane.geometric, orvane.apparent, orvane.house_cusps):
        assert function.__module__ == "orvane"
        assert function.__self__ is orvane


def test_reimport_shares_the_classes(de421_path):
    import importlib.util
    import sys

    spec = importlib.util.find_spec("orvane")
    again = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(again)
    assert again.Instant is orvane.Instant and again.Engine is orvane.Engine
    engine = again.open(de421_path, ANY_SHA)
    assert engine.position("sun", orvane.Instant(2451545.0), orvane.geometric()).distance_au > 0.98
    assert sys.modules["orvane"] is orvane


def test_constants_are_exact():
    assert orvane.J2000_JULIAN_DAY == 2451545.0
    assert orvane.SUN_UPPER_LIMB_ALTITUDE_DEG == -50 / 60
    assert orvane.MEAN_REFRACTION_ALTITUDE_DEG == -34 / 60


def test_classes_report_module_and_results_cannot_be_instantiated():
    assert orvane.Engine.__module__ == "orvane"
    for name in ("Position", "DateRange", "KernelMetadata", "HouseCusps", "RiseSetTransit", "HorizonEvent"):
        cls = getattr(orvane, name)
        assert cls.__module__ == "orvane"
        with pytest.raises(TypeError):
            cls()


def test_engine_and_open_signatures_and_docstrings():
    import inspect

    signature = "(path, sha256, leap_second_kernel=None, leap_second_sha256=None, eop=None, eop_sha256=None)"
    assert orvane.Engine.__text_signature__ == signature
    assert orvane.open.__text_signature__ == signature
    assert list(inspect.signature(orvane.KernelMetadata.as_dict).parameters) == ["self"]
    assert list(inspect.signature(orvane.KernelMetadata.additional_kernels).parameters) == ["self"]
    # Documented, in the module's own names.
    for documented in (orvane.Engine, orvane.open, orvane.KernelMetadata, orvane.DateRange, orvane.Position):
        assert documented.__doc__ and "[`Py" not in documented.__doc__ and "::" not in documented.__doc__


# --- the real DE421 -----------------------------------------------------------------------------

def test_de421_opens_with_upper_case_checksum(de421_path, de421_sha):
    for factory in (orvane.Engine, orvane.open):
        engine = factory(de421_path, de421_sha.upper())
        assert repr(engine) == f'Engine(kernel_name="de421.bsp", kernel_sha256="{de421_sha}")'
        metadata = engine.kernel_metadata
        assert metadata.as_dict() == {
            "engine_version": "0.1.0",
            "kernel_name": "de421.bsp",
            "kernel_sha256": de421_sha,
            "coordinate_frame": "ICRF/J2000",
            "additional_kernels": [],
        }
        assert list(metadata.as_dict()) == [
            "engine_version", "kernel_name", "kernel_sha256", "coordinate_frame", "additional_kernels"]
        assert metadata.additional_kernels() == []
        assert repr(metadata) == f'KernelMetadata(kernel_name="de421.bsp", kernel_sha256="{de421_sha}")'
        coverage = engine.supported_range
        assert (coverage.start_julian_day, coverage.end_julian_day, coverage.time_scale) == (
            2414864.5, 2471184.5, "tdb")
        assert repr(coverage) == 'DateRange(start_julian_day=2414864.5, end_julian_day=2471184.5, time_scale="tdb")'


def test_none_time_kernel_arguments_are_absent(de421_path):
    engine = orvane.Engine(de421_path, ANY_SHA, leap_second_kernel=None, leap_second_sha256=None, eop=None,
                           eop_sha256=None)
    assert engine.supported_range.end_julian_day == 2471184.5


def test_argument_errors_name_the_parameter(de421_path):
    with pytest.raises(TypeError, match="'path'"):
        orvane.Engine(de421_path.encode(), ANY_SHA)
    with pytest.raises(TypeError, match="'sha256'"):
        orvane.open(de421_path)
    with pytest.raises(TypeError, match="'sha256'"):
        orvane.open(de421_path, sha256=b"ab" * 32)
    with pytest.raises(TypeError, match="'colour'"):
        orvane.open(de421_path, ANY_SHA, colour="red")
    with pytest.raises(TypeError, match="at most 6"):
        orvane.open(de421_path, ANY_SHA, None, None, None, None, None)
    with pytest.raises(TypeError, match="'path'"):
        orvane.open(de421_path, ANY_SHA, path=de421_path)
    # Every argument's type is checked before a file is opened, in order; the
    # pairs are matched after the kernel opened.
    with pytest.raises(TypeError, match="^Engine\\(\\) argument 'eop_sha256' must be str, not int$"):
        orvane.Engine("no such file", ANY_SHA, eop="no such table", eop_sha256=5)
    with pytest.raises(TypeError, match="^open\\(\\) argument 'leap_second_kernel' must be str, not int$"):
        orvane.open("no such file", ANY_SHA, 5, leap_second_sha256=5)
    with pytest.raises(ValueError, match="leap_second_kernel and leap_second_sha256 must be supplied together"):
        orvane.open(de421_path, ANY_SHA, eop="no such table", leap_second_sha256=ANY_SHA)


def test_every_path_argument_accepts_path_like(de421_path, leap_seconds_path, finals_path):
    class Custom:
        def __init__(self, path):
            self.path = path

        def __fspath__(self):
            return self.path

    de421, lsk, eop = (pathlib.Path(p) for p in (de421_path, leap_seconds_path, finals_path))
    engine = orvane.open(de421, ANY_SHA, leap_second_kernel=Custom(leap_seconds_path), leap_second_sha256=ANY_SHA,
                         eop=eop, eop_sha256=ANY_SHA)
    engine.with_leap_second_kernel(lsk, ANY_SHA)
    engine.with_eop(Custom(finals_path), ANY_SHA)
    engine.with_time_kernels(Custom(leap_seconds_path), ANY_SHA, eop, ANY_SHA)
    engine.with_additional_kernel_file(Custom(de421_path), ANY_SHA)
    assert engine.convert_instant(orvane.Instant.utc(2461382.5), "ut1").time_scale == "ut1"
    for bad in (de421_path.encode(), Custom(de421_path.encode()), 5):
        with pytest.raises(TypeError, match="argument 'path' must be str, not "):
            orvane.Engine(bad, ANY_SHA)
    with pytest.raises(TypeError, match="argument 'eop' must be str, not bytes"):
        engine.with_time_kernels(lsk, ANY_SHA, os.fsencode(finals_path), ANY_SHA)


def test_checksum_and_file_name_rules(de421_path, tmp_path):
    for bad in ("a" * 63, "a" * 65, "g" * 64, "a" * 63 + "é"):
        with pytest.raises(ValueError) as error:
            orvane.open(de421_path, bad)
        assert error.value.args == ("kernel SHA-256 must contain exactly 64 hexadecimal characters",)
    with pytest.raises(ValueError, match="^kernel path has no UTF-8 filename$"):
        orvane.open(str(tmp_path / ".."), ANY_SHA)
    assert open_error(str(tmp_path / "a\0b.bsp")) == (
        "failed to read SPK kernel: file name contained an unexpected NUL byte")
    # An unreadable kernel reports its read error before the checksum's form.
    with pytest.raises(ValueError, match="^failed to read SPK kernel: "):
        orvane.open(str(tmp_path / "missing.bsp"), "short")


def test_time_kernel_pairs_are_checked_after_the_primary_kernel(de421_path, tmp_path, leap_seconds_path):
    with pytest.raises(ValueError, match="^leap_second_kernel and leap_second_sha256 must be supplied together$"):
        orvane.Engine(de421_path, ANY_SHA, leap_second_kernel=leap_seconds_path)
    with pytest.raises(ValueError, match="^failed to read SPK kernel: "):
        orvane.Engine(str(tmp_path / "missing.bsp"), ANY_SHA, leap_second_kernel=leap_seconds_path)


# --- malformed files ----------------------------------------------------------------------------

def sound_kernel(writer, big_endian=False, **fields):
    words = writer.linear_type2(0.0, 100.0, 2, (1.0, 2.0, 3.0), (0.1, 0.2, 0.3))
    segment = writer.Segment(target=301, center=3, start_epoch=0.0, end_epoch=200.0, words=words)
    return writer.spk_bytes([segment], big_endian=big_endian, **fields)


def open_error(path) -> str:
    with pytest.raises(ValueError) as error:
        orvane.open(path, ANY_SHA)
    assert len(error.value.args) == 1
    return error.value.args[0]


@pytest.mark.parametrize("big_endian", [False, True])
def test_sound_crafted_kernel_opens_in_both_byte_orders(writer, write_kernel, big_endian):
    engine = orvane.open(write_kernel(sound_kernel(writer, big_endian), "crafted.bsp"), ANY_SHA)
    coverage = engine.supported_range
    assert (coverage.start_julian_day, coverage.end_julian_day) == (2451545.0, 2451545.0 + 200.0 / 86400.0)


@pytest.mark.parametrize("big_endian", [False, True])
def test_malformed_files_give_their_error_texts(writer, write_kernel, tmp_path, big_endian):
    good = sound_kernel(writer, big_endian)
    o = ">" if big_endian else "<"
    import struct

    assert open_error(write_kernel(b"")) == "failed to read SPK kernel: failed to fill whole buffer"
    assert open_error(write_kernel(good[:1000])) == "failed to read SPK kernel: failed to fill whole buffer"
    # The summary record promised by the file record lies past the end.
    assert open_error(write_kernel(good[:1024])).startswith("failed to read SPK kernel: ")
    assert open_error(str(tmp_path)).startswith("failed to read SPK kernel: ")
    assert open_error(write_kernel(b"NAIF/DAF" + good[8:])) == (
        'expected DAF/SPK file identifier, found "NAIF/DAF"')
    assert open_error(write_kernel(b"DAF/PCK " + good[8:])) == (
        'expected DAF/SPK file identifier, found "DAF/PCK "')
    assert open_error(write_kernel(good[:88] + b"ltl-ieee" + good[96:])) == (
        'unsupported DAF binary format "ltl-ieee"')
    assert open_error(write_kernel(good[:88] + b"\0" * 8 + good[96:])) == 'unsupported DAF binary format ""'
    assert open_error(write_kernel(good[:88] + b"\xff" * 8 + good[96:])) == "invalid UTF-8 in binary format"
    assert open_error(write_kernel(sound_kernel(writer, big_endian, forward=1))) == (
        "invalid DAF file record: summary record pointers are inconsistent")
    assert open_error(write_kernel(sound_kernel(writer, big_endian, free=128))) == (
        "invalid DAF file record: first free address points inside the file record")
    assert open_error(write_kernel(sound_kernel(writer, big_endian, nd=1, ni=5))) == (
        "unsupported SPK summary layout ND=1, NI=5")

    def with_control(next_record, prev_record, nsum):
        return good[:1024] + struct.pack(o + "3d", next_record, prev_record, nsum) + good[1048:]

    assert open_error(write_kernel(with_control(2, 0, 1))) == (
        "invalid DAF summary chain: summary record chain contains a cycle")
    assert open_error(write_kernel(with_control(0, 0, 26))) == (
        "invalid DAF summary chain: summary count exceeds record capacity")
    for nsum in (2.5, -1.0, float("nan")):
        assert open_error(write_kernel(with_control(0, 0, nsum))) == (
            "invalid DAF summary chain: summary control word is not a non-negative integer")
    assert open_error(write_kernel(with_control(0, 7, 1))) == (
        "invalid DAF summary chain: summary record has an incorrect backward pointer")
    assert open_error(write_kernel(sound_kernel(writer, big_endian, backward=4))) == (
        "invalid DAF summary chain: summary chain ended before the final summary record")
    # A chain pointing far past the end of the file is a read error, never a crash.
    assert open_error(write_kernel(with_control(10_000_000, 0, 1))).startswith("failed to read SPK kernel: ")


@pytest.mark.parametrize("big_endian", [False, True])
def test_segment_and_coverage_failures(writer, write_kernel, big_endian):
    def kernel(*segments):
        return write_kernel(writer.spk_bytes(list(segments), big_endian=big_endian))

    words = writer.linear_type2(0.0, 100.0, 1, (1.0, 0.0, 0.0), (0.0, 0.0, 0.0))
    seg = lambda target, start, end, **kw: writer.Segment(target, 0, start, end, words, **kw)  # noqa: E731
    assert open_error(kernel(seg(1, float("nan"), 100.0))) == "invalid SPK segment: time bounds must be finite"
    assert open_error(kernel(seg(1, 100.0, 0.0))) == "invalid SPK segment: start time is after end time"
    assert open_error(kernel(seg(1, 0.0, 100.0), seg(1, 100.5, 200.0))) == (
        "SPK target 1 has discontinuous segment coverage")
    assert open_error(kernel(seg(1, 0.0, 100.0), seg(2, 200.0, 300.0))) == (
        "SPK targets have no common coverage interval")
    assert open_error(write_kernel(writer.spk_bytes([], big_endian=big_endian))) == "SPK kernel has no segments"
    touching = orvane.open(kernel(seg(1, 0.0, 100.0), seg(2, 100.0, 300.0)), ANY_SHA).supported_range
    assert touching.start_julian_day == touching.end_julian_day == 2451545.0 + 100.0 / 86400.0


# --- threads and access -------------------------------------------------------------------------

def test_engine_refuses_other_threads_and_stays_usable(de421_path):
    engine = orvane.open(de421_path, ANY_SHA)
    errors = []

    def use():
        try:
            repr(engine)
        except BaseException as error:  # noqa: BLE001
            errors.append(error)

    thread = threading.Thread(target=use)
    thread.start()
    thread.join()
    assert len(errors) == 1 and isinstance(errors[0], RuntimeError)
    assert str(errors[0]) == "orvane::PyEngine is unsendable, but sent to another thread"
    assert repr(engine).startswith('Engine(kernel_name="de421.bsp"')


def test_thread_of_a_finished_creator_is_never_taken_for_it(de421_path, monkeypatch):
    # Thread identifiers are reused once a thread ends; the Engine's owner is not.
    made = []
    creator = threading.Thread(target=lambda: made.append(orvane.open(de421_path, ANY_SHA)))
    creator.start()
    creator.join()
    outcomes = []

    def use():
        try:
            repr(made[0])
            outcomes.append("accepted")
        except RuntimeError:
            outcomes.append("refused")

    for _ in range(20):
        thread = threading.Thread(target=use)
        thread.start()
        thread.join()
    assert outcomes == ["refused"] * 20
    reports = []
    monkeypatch.setattr("sys.unraisablehook", lambda report: reports.append(report))
    made.clear()  # dropped here, on a thread that is not its creator
    assert len(reports) == 1


def test_engine_dropped_on_another_thread_reports_through_unraisable_hook(de421_path, monkeypatch):
    gc.collect()  # engines of earlier tests go on this thread
    reports = []
    monkeypatch.setattr("sys.unraisablehook", lambda report: reports.append(report))
    holder = [orvane.open(de421_path, ANY_SHA)]

    def drop():
        holder.clear()

    thread = threading.Thread(target=drop)
    thread.start()
    thread.join()
    assert len(reports) == 1
    assert isinstance(reports[0].exc_value, RuntimeError)
    assert str(reports[0].exc_value) == "orvane::PyEngine is unsendable, but is being dropped on another thread"
