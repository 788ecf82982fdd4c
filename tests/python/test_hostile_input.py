"""Input a careless or hostile caller may give: special files, arguments the
interpreter cannot convert as such, and requests larger than memory."""
from __future__ import annotations

import os
import subprocess
import sys
import textwrap

import pytest

import orvane
from conftest import ANY_SHA


def value_error(call, *args) -> str:
    with pytest.raises(ValueError) as error:
        call(*args)
    assert type(error.value) is ValueError and len(error.value.args) == 1
    return error.value.args[0]


def file_error(call, path, *args) -> str:
    with pytest.raises(orvane.FileError) as error:
        call(path, *args)
    assert error.value.path == path and len(error.value.args) == 1
    return error.value.args[0]


def test_files_that_are_not_regular_are_refused_at_once(tmp_path, de421_path):
    fifo = tmp_path / "fifo"
    os.mkfifo(fifo)  # no writer: reading it would wait for ever
    engine = orvane.open(de421_path, ANY_SHA)
    for path, text in [(str(fifo), "not a regular file"), ("/dev/zero", "not a regular file"),
                       (str(tmp_path), "Is a directory")]:
        assert file_error(orvane.open, path, ANY_SHA) == "failed to read SPK kernel: " + text
        assert file_error(engine.with_leap_second_kernel, path, ANY_SHA) == "failed to read leap-second kernel: " + text
        assert file_error(engine.with_eop, path, ANY_SHA) == text


def test_arguments_python_cannot_convert_are_value_errors(de421_path):
    engine = orvane.open(de421_path, ANY_SHA)
    observer = orvane.GeodeticObserver(0.0, 0.0)
    t = orvane.Instant.tdb(2451545.0)
    assert value_error(orvane.Instant.tdb, 10**400) == "Julian day must be finite"
    assert value_error(orvane.GeodeticObserver, -10**400, 0.0) == "Cartesian state must be finite"
    assert value_error(engine.position, "sun\udc80", t, orvane.geometric()) == (
        "position() argument 'body' must be encodable as UTF-8")
    assert value_error(engine.positions, ["sun", "\ud800"], [t], orvane.geometric()) == (
        "positions() argument 'bodies' must be encodable as UTF-8")
    assert value_error(orvane.open, "/tmp/\udcff.bsp", ANY_SHA) == "open() argument 'path' must be encodable as UTF-8"
    assert value_error(orvane.house_cusps, observer, t, t, "\ud800") == "name must be encodable as UTF-8"


def test_a_request_larger_than_memory_is_a_memory_error(tmp_path, de421_path):
    """Run apart, under an address-space limit: the interpreter survives and says so."""
    huge = tmp_path / "huge.tls"
    with open(huge, "wb") as out:
        out.truncate(1 << 36)  # sparse: 64 GiB to read
    script = textwrap.dedent(f"""
        import resource, orvane
        engine = orvane.open({de421_path!r}, {ANY_SHA!r})
        bodies = ["sun"] * 30_000_000
        in_use = int(open("/proc/self/statm").read().split()[0]) * resource.getpagesize()
        resource.setrlimit(resource.RLIMIT_AS, (in_use + (512 << 20), resource.RLIM_INFINITY))
        for call in (lambda: engine.positions(bodies, [], orvane.geometric()),
                     lambda: engine.with_leap_second_kernel({str(huge)!r}, {ANY_SHA!r})):
            try:
                call()
            except MemoryError:
                print("MemoryError")
    """)
    run = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=300)
    assert (run.returncode, run.stdout) == (0, "MemoryError\nMemoryError\n"), run.stderr
