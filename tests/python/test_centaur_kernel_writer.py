"""The writing half of tools/make_centaur_kernels.py on an orbit known in
closed form: its Chebyshev records, read back by CSPICE and by the engine,
give the orbit again (no integrator needed)."""
from __future__ import annotations

import importlib.util
import math
import pathlib
import random
import sys

import numpy as np
import orvane
import pytest

from orvane_tools.checksums import sha256
from orvane_tools.data import default_spec

TOOL = pathlib.Path(__file__).resolve().parents[2] / "tools" / "make_centaur_kernels.py"
J2000 = 2451545.0


def _tool():
    spec = importlib.util.spec_from_file_location("make_centaur_kernels", TOOL)
    assert spec is not None and spec.loader is not None
    module = importlib.util.module_from_spec(spec)
    sys.modules[spec.name] = module  # its dataclasses look their module up
    spec.loader.exec_module(module)
    return module


class TiltedCircle:
    """A heliocentric circular orbit of 10 au, inclined, in closed form (au)."""

    motion = 2.0 * math.pi / (365.25 * 31.6)

    def positions(self, jds: np.ndarray) -> np.ndarray:
        angle = self.motion * (np.asarray(jds) - J2000)
        return np.stack([10.0 * np.cos(angle), 9.5 * np.sin(angle), 3.0 * np.sin(angle)], axis=1)


@pytest.fixture(scope="module")
def kernel(tmp_path_factory) -> pathlib.Path:
    tool = _tool()
    start, end = J2000 - 1000.0, J2000 + 1000.0
    records, worst_km = tool.type2_records(TiltedCircle(), start, end, 128.0, 12)
    assert worst_km < 1e-3
    words = tool.spk_writer.type2_words((start - J2000) * 86400.0, 128.0 * 86400.0, records)
    segment = tool.spk_writer.Segment(2005145, 10, (start - J2000) * 86400.0, (end - J2000) * 86400.0, words,
                                      name=b"TILTED CIRCLE")
    path = tmp_path_factory.mktemp("kernel") / "circle.bsp"
    path.write_bytes(tool.spk_writer.spk_bytes([segment], internal_name=b"test circle", ftp=True))
    return path


def test_records_are_whole_and_cspice_reads_the_orbit(kernel):
    spice = pytest.importorskip("spiceypy")
    assert kernel.stat().st_size % 1024 == 0
    spice.furnsh(str(kernel))
    try:
        rng = random.Random(1)
        for jd in (rng.uniform(J2000 - 999.0, J2000 + 999.0) for _ in range(50)):
            state, _ = spice.spkezr("2005145", (jd - J2000) * 86400.0, "J2000", "NONE", "10")
            expected = TiltedCircle().positions(np.array([jd]))[0] * 149597870.7
            assert np.linalg.norm(np.array(state[:3]) - expected) < 1e-3  # km
            step = 0.01
            ahead = TiltedCircle().positions(np.array([jd - step, jd + step])) * 149597870.7
            velocity = (ahead[1] - ahead[0]) / (2 * step * 86400.0)
            assert np.linalg.norm(np.array(state[3:]) - velocity) < 1e-6  # km/s, the derivative of the fit
    finally:
        spice.unload(str(kernel))


def test_engine_serves_the_written_kernel(kernel):
    spec = default_spec(centaurs=False, small_bodies=False, planet_centres=False)
    engine = orvane.open(spec.kernel, spec.kernel_sha256)
    engine.with_additional_kernel_file(str(kernel), sha256(str(kernel)))
    jd = J2000 + 123.4
    place = engine.position("pholus", orvane.Instant.tdb(jd), orvane.geometric("heliocentric", "equatorial"))
    x, y, z = TiltedCircle().positions(np.array([jd]))[0]
    assert place.distance_au == pytest.approx(math.sqrt(x * x + y * y + z * z), abs=1e-11)
    assert place.longitude_deg == pytest.approx(math.degrees(math.atan2(y, x)) % 360.0, abs=1e-9)
    assert place.latitude_deg == pytest.approx(math.degrees(math.asin(z / math.sqrt(x * x + y * y + z * z))),
                                               abs=1e-9)


def test_the_shared_writer_rewrites_the_shipped_kernel_byte_for_byte():
    """The shipped centaur kernel, read segment by segment and written again
    by the writer the tool uses, comes out identical."""
    import struct

    tool = _tool()
    shipped = (TOOL.parents[1] / "data" / "centaurs.bsp").read_bytes()
    segments, record = [], struct.unpack("<i", shipped[76:80])[0]
    while record:
        base = (record - 1) * 1024
        following, _, count = struct.unpack("<3d", shipped[base:base + 24])
        for i in range(int(count)):
            start, end, target, center, frame, kind, first, last = struct.unpack(
                "<2d6i", shipped[base + 24 + 40 * i:base + 64 + 40 * i])
            words = list(struct.unpack(f"<{last - first + 1}d", shipped[(first - 1) * 8:last * 8]))
            name = shipped[base + 1024 + 40 * i:base + 1064 + 40 * i].rstrip(b" ")
            segments.append(tool.spk_writer.Segment(target, center, start, end, words, frame, kind, name))
        record = int(following)
    written = tool.spk_writer.spk_bytes(segments, internal_name=b"orvane centaurs Chiron and Pholus 1800-2400",
                                        ftp=True)
    assert [segment.target for segment in segments] == [2002060, 2005145]
    assert written == shipped


def test_loading_the_tool_leaves_the_import_path_alone():
    # The companion's folder on sys.path would make its `dask` subpackage
    # shadow the real dask here and in every worker process spawned later.
    before = list(sys.path)
    _tool()
    assert sys.path == before
