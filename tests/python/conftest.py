"""Shared fixtures: the real data files and the DAF/SPK writer."""
from __future__ import annotations

import hashlib
import pathlib
import sys

import pytest

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(HERE.parent / "reference"))

import daf_writer  # noqa: E402
import data_files  # noqa: E402


def _sha256(path: pathlib.Path) -> str:
    return hashlib.sha256(path.read_bytes()).hexdigest()


@pytest.fixture(scope="session")
def de421_path() -> str:
    return str(data_files.de421())


@pytest.fixture(scope="session")
def de421_sha(de421_path) -> str:
    return _sha256(pathlib.Path(de421_path))


@pytest.fixture(scope="session")
def leap_seconds_path() -> str:
    return str(data_files.leap_seconds())


@pytest.fixture(scope="session")
def leap_seconds_sha(leap_seconds_path) -> str:
    return _sha256(pathlib.Path(leap_seconds_path))


@pytest.fixture(scope="session")
def eop_path() -> str:
    return str(data_files.eop_c04())


@pytest.fixture(scope="session")
def eop_sha(eop_path) -> str:
    return _sha256(pathlib.Path(eop_path))


@pytest.fixture(scope="session")
def finals_path() -> str:
    return str(data_files.eop_finals())


@pytest.fixture(scope="session")
def finals_sha(finals_path) -> str:
    return _sha256(pathlib.Path(finals_path))


@pytest.fixture(scope="session")
def writer():
    return daf_writer


ANY_SHA = "ab" * 32


@pytest.fixture
def write_kernel(tmp_path):
    """Writes bytes to a fresh file and returns its path as str."""
    counter = iter(range(1_000_000))

    def write(data: bytes, name: str | None = None) -> str:
        path = tmp_path / (name or f"kernel{next(counter)}.bsp")
        path.write_bytes(data)
        return str(path)

    return write
