"""The companion's data files: checksums that follow every change of a file,
a cache that survives damage, FIFOs and devices refused without blocking, and
file errors that name the file and the remedy."""
from __future__ import annotations

import hashlib
import json
import os
import pathlib
import subprocess
import sys
import textwrap
import time

import pytest

import orvane
from orvane_tools import checksums, data

WAIT_S = 60


@pytest.fixture
def fresh_cache(tmp_path, monkeypatch):
    """An empty cache directory and no checksum remembered in this process."""
    directory = tmp_path / "cache"
    monkeypatch.setenv("XDG_CACHE_HOME", str(directory))
    monkeypatch.setattr(checksums, "_memory", {})
    monkeypatch.setattr(checksums, "_disk_loaded", False)
    return directory / "orvane"


def in_subprocess(code: str, cache: pathlib.Path) -> subprocess.CompletedProcess[str]:
    """Runs `code` in a fresh interpreter with `cache` as the cache directory,
    bounded in time so that a call that blocks fails instead of hanging."""
    environment = {**os.environ, "XDG_CACHE_HOME": str(cache.parent)}
    return subprocess.run([sys.executable, "-c", textwrap.dedent(code)], capture_output=True, text=True,
                          timeout=WAIT_S, env=environment, cwd=cache.parent.parent)


def digest_of(content: bytes) -> str:
    return hashlib.sha256(content).hexdigest()


def tick() -> None:
    """Lets the file-system clock (coarse, a few milliseconds) move on."""
    time.sleep(0.05)


def replace_in_place(path: pathlib.Path, content: bytes) -> None:
    with open(path, "r+b") as handle:
        handle.write(content)


def replace_by_rename(path: pathlib.Path, content: bytes) -> None:
    other = path.with_suffix(".new")
    other.write_bytes(content)
    os.replace(other, path)


@pytest.mark.parametrize("replace", [replace_in_place, replace_by_rename])
@pytest.mark.parametrize("where", ["this process", "next process"])
def test_file_replaced_with_same_size_and_restored_mtime_is_hashed_again(fresh_cache, tmp_path, replace, where):
    path = tmp_path / "kernel.bsp"
    first, second = b"A" * 4096, b"B" * 4096
    path.write_bytes(first)
    assert checksums.sha256(path) == digest_of(first)
    status = path.stat()
    tick()
    replace(path, second)
    os.utime(path, ns=(status.st_atime_ns, status.st_mtime_ns))
    assert (path.stat().st_size, path.stat().st_mtime_ns) == (status.st_size, status.st_mtime_ns)
    if where == "this process":
        assert checksums.sha256(path) == digest_of(second)
    else:
        result = in_subprocess(f"from orvane_tools import checksums; print(checksums.sha256({str(path)!r}))",
                               fresh_cache)
        assert result.stdout.strip() == digest_of(second), result.stderr


def _entry_for(path: pathlib.Path, digest: object) -> list[object]:
    status = os.stat(path.resolve())
    return [str(path.resolve()), status.st_dev, status.st_ino, status.st_size, status.st_mtime_ns,
            status.st_ctime_ns, digest]


@pytest.mark.parametrize("cache_text", [
    lambda path: json.dumps([_entry_for(path, "zz" * 32)]),  # 64 characters, not hexadecimal
    lambda path: json.dumps([_entry_for(path, "AB" * 32)]),  # upper case: never written by us
    lambda path: json.dumps([_entry_for(path, "ab" * 31)]),
    lambda path: json.dumps([_entry_for(path, 12345)]),
    lambda path: json.dumps([[str(path.resolve()), "4096", "0", "0", "0", "0", "ab" * 32]]),
    lambda path: json.dumps([[str(path.resolve()), path.stat().st_size, path.stat().st_mtime_ns, "zz" * 32]]),
    lambda path: json.dumps({"not": "a list"}),
    lambda path: "[[\"truncated",
    lambda path: "\x00\xff garbage",
], ids=["not hex", "upper case", "short", "number", "texts for numbers", "older form", "object", "bad json",
        "binary"])
def test_corrupt_cache_entries_are_ignored_and_rewritten(fresh_cache, tmp_path, cache_text):
    path = tmp_path / "kernel.bsp"
    path.write_bytes(b"kernel bytes")
    fresh_cache.mkdir(parents=True)
    cache_file = fresh_cache / "sha256.json"
    cache_file.write_text(cache_text(path), encoding="utf-8", errors="surrogateescape")
    assert checksums.sha256(path) == digest_of(b"kernel bytes")
    assert json.loads(cache_file.read_text()) == [_entry_for(path, digest_of(b"kernel bytes"))]
    # ... and the engine opens from the cache in a new process.
    result = in_subprocess(f"from orvane_tools import checksums; print(checksums.sha256({str(path)!r}))", fresh_cache)
    assert result.stdout.strip() == digest_of(b"kernel bytes"), result.stderr


def _fifo(path: pathlib.Path) -> pathlib.Path:
    os.mkfifo(path)
    return path


def _directory(path: pathlib.Path) -> pathlib.Path:
    path.mkdir()
    return path


@pytest.mark.parametrize("make, kind", [
    (_fifo, "a FIFO"),
    (_directory, "a directory"),
    (lambda _: pathlib.Path("/dev/zero"), "a character device"),
])
@pytest.mark.parametrize("argument", ["kernel", "leap_seconds", "eop", "extra_kernels"])
def test_files_that_are_not_regular_are_refused_without_blocking(fresh_cache, tmp_path, make, kind, argument):
    path = make(tmp_path / "special")
    value = [str(path)] if argument == "extra_kernels" else str(path)
    result = in_subprocess(f"""
        from orvane_tools import data
        try:
            data.default_spec(**{{{argument!r}: {value!r}}})
        except data.DataFileError as error:
            assert isinstance(error.__cause__, ValueError)
            print(error)
        """, fresh_cache)
    assert result.returncode == 0, result.stderr
    assert str(path) in result.stdout and f"{kind}, not a regular file" in result.stdout
    assert "give the path of a readable regular file instead" in result.stdout
    assert result.stdout.count("\n") == 1


@pytest.mark.parametrize("make", [_fifo, _directory])
def test_cache_file_that_is_not_regular_is_left_alone(fresh_cache, tmp_path, make):
    fresh_cache.mkdir(parents=True)
    special = make(fresh_cache / "sha256.json")
    path = tmp_path / "kernel.bsp"
    path.write_bytes(b"kernel bytes")
    result = in_subprocess(f"""
        from orvane_tools import checksums
        print(checksums.sha256({str(path)!r}))
        """, fresh_cache)
    assert result.stdout.strip() == digest_of(b"kernel bytes"), result.stderr
    assert sorted(p.name for p in fresh_cache.iterdir()) == ["sha256.json"]  # no temporary file left behind
    assert not special.is_file()


@pytest.fixture
def broken_files(tmp_path, de421_path):
    """A truncated kernel, a leap-second kernel and an EOP table of nonsense."""
    kernel = tmp_path / "broken.bsp"
    kernel.write_bytes(pathlib.Path(de421_path).read_bytes()[:1500])
    text = tmp_path / "broken.txt"
    text.write_text("nothing here\n")
    return kernel, text


@pytest.mark.parametrize("argument, role", [
    ("kernel", "kernel"), ("leap_seconds", "leap-second kernel"), ("eop", "Earth-orientation table"),
    ("extra_kernels", "additional kernel"),
])
def test_files_the_engine_refuses_are_named_with_the_remedy(broken_files, argument, role):
    kernel, text = broken_files
    path = text if argument in ("leap_seconds", "eop") else kernel
    value: object = [str(path)] if argument == "extra_kernels" else str(path)
    with pytest.raises(data.DataFileError) as refused:
        data.default_engine(**{argument: value}, small_bodies=False)  # type: ignore[arg-type]
    message = str(refused.value)
    assert isinstance(refused.value.__cause__, ValueError) and refused.value.path == str(path)
    assert message.startswith(f"{role} {path}: {refused.value.__cause__}")
    assert message.endswith("give the path of a readable regular file instead")


def test_broken_packaged_file_names_the_package_to_reinstall(broken_files, tmp_path, monkeypatch):
    package = tmp_path / "site" / "orvane_sample_data"
    package.mkdir(parents=True)
    (package / "__init__.py").write_text("")
    broken = package / "planet_centres.bsp"
    broken.write_bytes(broken_files[0].read_bytes())
    monkeypatch.syspath_prepend(str(package.parent))
    monkeypatch.setitem(data._PROVIDERS, "orvane_sample_data", "orvane-sample-data")
    monkeypatch.setattr(data, "default_planet_centres", lambda: broken)
    with pytest.raises(ValueError) as refused:
        data.default_engine(small_bodies=False)
    assert str(broken) in str(refused.value)
    assert str(refused.value).endswith(
        "reinstall the package that provides it (pip install --force-reinstall orvane-sample-data) "
        "or pass another path")
    with pytest.raises(ValueError) as direct:
        orvane.open(str(broken), "ab" * 32)
    assert str(direct.value) in str(refused.value)


def test_planet_centre_kernel_that_cannot_be_written_names_the_remedy(tmp_path, monkeypatch):
    blocked = tmp_path / "not a directory"
    blocked.write_text("")
    monkeypatch.setenv("XDG_CACHE_HOME", str(blocked))
    monkeypatch.setattr(data, "PLANET_CENTRE_KERNEL", tmp_path / "not built" / "planet_centres.bsp")
    with pytest.raises(data.DataFileError, match="set XDG_CACHE_HOME to a writable directory") as refused:
        data.default_planet_centres()
    assert str(blocked / "orvane" / "planet_centres.bsp") in str(refused.value)
    assert isinstance(refused.value.__cause__, OSError)
