"""The chart wheel rendered by a real SVG renderer and looked at pixel by pixel."""
from __future__ import annotations

import io
from datetime import datetime, timezone

import orvane
import pytest

from orvane_tools.chart import chart
from orvane_tools.data import default_engine
from orvane_tools.wheel import CENTRE, ELEMENT_FILLS, SIZE, ZODIAC_INNER, ZODIAC_OUTER, BODY_RADIUS, POINT_GLYPHS, at, spread_labels, wheel_svg

cairosvg = pytest.importorskip("cairosvg")
Image = pytest.importorskip("PIL.Image")


def test_wheel_shows_ring_houses_and_bodies_where_they_belong():
    result = chart(datetime(1990, 5, 17, 12, 30, tzinfo=timezone.utc), orvane.GeodeticObserver(2.35, 48.86),
                   engine=default_engine())
    svg = wheel_svg(result, "test")
    assert "<script" not in svg and "@font-face" not in svg and "href" not in svg
    picture = Image.open(io.BytesIO(cairosvg.svg2png(bytestring=svg.encode()))).convert("RGB")
    assert picture.size == (SIZE, SIZE)
    assert result.houses is not None
    asc = result.houses.ascendant_deg

    def pixel(longitude: float, radius: float) -> tuple[int, int, int]:
        x, y = at(longitude, radius, asc)
        return picture.getpixel((round(x), round(y)))

    # Each sign's sector, away from its glyph, has its element's colour.
    ring = (ZODIAC_INNER + ZODIAC_OUTER) / 2
    for sign in range(12):
        expected = tuple(int(ELEMENT_FILLS[sign % 4][k:k + 2], 16) for k in (1, 3, 5))
        assert pixel(sign * 30.0 + 4.0, ring) == expected
    # The ascendant's cusp line is drawn at the left, inside the ring.
    assert max(pixel(asc, r)[0] for r in range(int(ZODIAC_INNER) - 20, int(ZODIAC_INNER) - 5)) < 100
    # Every body's glyph is dark ink at its label place; the corners stay white.
    labels = spread_labels([p.longitude_deg for p in result.points if p.name in POINT_GLYPHS])
    for label in labels:
        x, y = at(label, BODY_RADIUS, asc)
        box = [picture.getpixel((round(x) + dx, round(y) + dy)) for dx in range(-8, 9) for dy in range(-8, 9)]
        assert min(sum(p) for p in box) < 200
    assert picture.getpixel((2, SIZE - 2)) == (255, 255, 255)
    assert picture.getpixel((round(CENTRE), round(CENTRE))) != (0, 0, 0)


def test_close_bodies_get_labels_apart():
    labels = spread_labels([10.0, 10.5, 11.0, 359.8, 200.0])
    ordered = sorted(labels[:4], key=lambda v: (v - 340.0) % 360.0)
    gaps = [((b - a) % 360.0) for a, b in zip(ordered, ordered[1:])]
    assert min(gaps) >= 7.5 - 1e-9
    assert abs(labels[4] - 200.0) < 1e-9
