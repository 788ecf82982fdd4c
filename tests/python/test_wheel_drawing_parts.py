"""The parts a wheel is drawn with, held against the plain forms they
replace: the boxes found near a line through the page index against a
scan of every box, and the aspects between two sets of points against
the pairwise search (the wheel's grid and synastry read the same ones)."""
from __future__ import annotations

import random

import orvane
import pytest

from orvane_tools import synastry
from orvane_tools.aspects import aspects_between, find_aspects
from orvane_tools.chart import Point, chart
from orvane_tools.data import default_engine
from orvane_tools.wheel_layout import Box, BoxIndex, Canvas, Line, Text, cut_around


def near_by_scan(boxes: list[Box], x1: float, y1: float, x2: float, y2: float, margin: float) -> list[Box]:
    return [box for box in boxes
            if not (max(x1, x2) < box.left - margin or min(x1, x2) > box.right + margin
                    or max(y1, y2) < box.top - margin or min(y1, y2) > box.bottom + margin)]


def random_boxes(rng: random.Random, count: int) -> list[Box]:
    boxes = []
    for _ in range(count):
        x, y = rng.uniform(-60.0, 1300.0), rng.uniform(-60.0, 1100.0)
        boxes.append(Box(x, y, x + rng.uniform(0.0, 90.0), y + rng.uniform(0.0, 30.0)))
    return boxes


@pytest.mark.parametrize("seed", range(6))
def test_box_index_finds_exactly_the_boxes_a_scan_finds(seed):
    rng = random.Random(seed)
    boxes = random_boxes(rng, 300)
    index = BoxIndex(boxes, 3.0)
    segments = []
    for _ in range(400):
        x, y = rng.uniform(-80.0, 1300.0), rng.uniform(-80.0, 1100.0)
        length = rng.choice([0.0, 4.0, 40.0, 400.0, 1200.0])
        segments.append((x, y, x + rng.uniform(-1.0, 1.0) * length, y + rng.uniform(-1.0, 1.0) * length))
    # Segments that end exactly on a grown edge, or run along one, or sit on a cell border.
    for box in boxes[:40]:
        segments.append((box.left - 3.0 - 10.0, box.top, box.left - 3.0, box.top))
        segments.append((box.right + 3.0, box.bottom + 3.0, box.right + 20.0, box.bottom + 40.0))
        segments.append((box.left, box.bottom + 3.0, box.right, box.bottom + 3.0))
    segments += [(48.0, 0.0, 48.0, 960.0), (0.0, 96.0, 1200.0, 96.0), (-48.0, -48.0, -48.0, -48.0)]
    for x1, y1, x2, y2 in segments:
        assert index.near(x1, y1, x2, y2) == near_by_scan(boxes, x1, y1, x2, y2, 3.0)


def test_canvas_cuts_lines_as_a_scan_of_every_text_would():
    rng = random.Random(11)
    canvas = Canvas()
    for _ in range(200):
        canvas.texts.append(Text(rng.uniform(0.0, 900.0), rng.uniform(0.0, 900.0), rng.choice([10.0, 13.0, 22.0]),
                                 rng.choice(["AC", "12°30′", "☉", "Mean node"]), "#000"))
    for _ in range(300):
        x, y = rng.uniform(0.0, 900.0), rng.uniform(0.0, 900.0)
        canvas.lines.append(Line(x, y, x + rng.uniform(-300.0, 300.0), y + rng.uniform(-300.0, 300.0), "#111", 1.0))
    boxes = [text.box for text in canvas.texts]
    expected = [piece for line in canvas.lines
                for piece in cut_around(line.x1, line.y1, line.x2, line.y2,
                                        near_by_scan(boxes, line.x1, line.y1, line.x2, line.y2, 3.0))]
    drawn = [line for line in canvas.render(900.0, 900.0, "#fff", "sans-serif").splitlines()
             if line.startswith("<line")]
    assert drawn == [f'<line x1="{x1:.2f}" y1="{y1:.2f}" x2="{x2:.2f}" y2="{y2:.2f}" stroke="#111" stroke-width="1"/>'
                     for x1, y1, x2, y2 in expected]
    assert len(expected) > len(canvas.lines)  # some lines were cut around a text


@pytest.fixture(scope="module")
def pair():
    engine = default_engine()
    return (chart(orvane.Instant.utc(2447664.1), orvane.GeodeticObserver(2.35, 48.85), engine=engine,
                  extra_bodies=["chiron"]),
            chart(orvane.Instant.utc(2449012.8), orvane.GeodeticObserver(151.21, -33.87), engine=engine))


@pytest.mark.parametrize("orbs", [None, {"quincunx": 5.0, "semisextile": None, "conjunction": 10.0}])
def test_aspects_between_two_sets_are_those_of_each_pair_in_turn(pair, orbs):
    first, second = ((*c.points, *c.angles) for c in pair)
    expected = tuple(aspect for a in first for b in second for aspect in find_aspects([a, b], orbs))
    assert aspects_between(first, second, orbs) == expected
    assert synastry.cross_aspects(*pair, orbs) == expected
    assert len(expected) > 20


@pytest.mark.parametrize(("separation", "with_sun", "with_venus"), [
    (128.0, True, True), (128.0001, True, False), (130.0, True, False), (130.0001, False, False)])
def test_aspects_between_keep_the_orb_boundary_and_widen_it_for_a_luminary(separation, with_sun, with_venus):
    # A trine's orb is 8 degrees, a quarter wider (10) with a luminary; the boundary is kept.
    mars = Point("mars", separation, 0.0, 1.5, 0.5)
    found = aspects_between([Point("sun", 0.0, 0.0, 1.0, 1.0), Point("venus", 0.0, 0.0, 0.7, 1.2)], [mars])
    assert [(a.first, a.kind) for a in found] == [("sun", "trine")] * with_sun + [("venus", "trine")] * with_venus
