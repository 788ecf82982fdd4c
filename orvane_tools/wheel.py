"""A chart wheel drawn as a standalone SVG picture: a header with the birth
data and the settings, the zodiac ring, the houses with the four angles,
every body and point with its degree read straight, the aspect lines, and
beside the circle the positions, the cusps and the aspect grid. A bi-wheel
draws a second chart (transits or a partner's chart) in a ring outside the
first. Lines are cut where they would cross a label, and the picture uses
plain attributes only, so any renderer draws the same."""

from __future__ import annotations

import math
from collections.abc import Sequence
from dataclasses import dataclass
from datetime import datetime

from orvane_tools.aspects import Aspect, aspects_between, point_class
from orvane_tools.chart import Chart, Point
from orvane_tools.wheel_glyphs import ASPECT_GLYPHS, POINT_GLYPHS, SIGN_GLYPHS, degree_text, element_of
from orvane_tools.wheel_layout import Box, Canvas, Line, Text, radial_half_extent, spread_labels, text_width
from orvane_tools.wheel_tables import draw_aspect_grid, draw_cusps, draw_header, draw_positions, drawn_points
from orvane_tools.wheel_themes import Theme, theme_named

__all__ = ["wheel_svg", "biwheel_svg", "transit_wheel_svg", "synastry_wheel_svg", "spread_labels", "at"]

CENTRE_X, CENTRE_Y = 450.0, 560.0
HEIGHT = 990.0
ZODIAC_OUTER, ZODIAC_INNER = 380.0, 330.0
FONT = "DejaVu Sans, Segoe UI Symbol, Arial Unicode MS, sans-serif"
GLYPH_SIZE = 22.0
# Between two charts only the major aspects this close, between bodies and
# angles, are drawn as lines (all are in the grid).
CROSS_LINE_ORB_DEG = 2.0
_CROSS_LINE_CLASSES = frozenset({"luminary", "planet", "angle"})
# The aspects drawn as lines leave out the duplicates and the points of the houses' frame.
_NO_LINES = frozenset({"mean_node", "mean_apogee", "south_node", "east_point", "vertex"})


@dataclass(frozen=True)
class Band:
    """The ring one chart's points are drawn in: the tick's outer end, the
    glyphs' radius and the innermost radius its degree labels may reach."""

    tick: float
    glyph: float
    limit: float
    degree_size: float = 10.0


@dataclass(frozen=True)
class Rings:
    numbers: float  # radius of the house numbers
    house_outer: float
    house_inner: float
    aspect: float
    bands: tuple[Band, ...]  # inner chart first


SINGLE = Rings(numbers=316.0, house_outer=ZODIAC_INNER, house_inner=302.0, aspect=200.0,
               bands=(Band(302.0, 276.0, 206.0),))
DOUBLE = Rings(numbers=245.0, house_outer=255.0, house_inner=235.0, aspect=150.0,
               bands=(Band(235.0, 213.0, 156.0), Band(ZODIAC_INNER, 313.0, 256.0, 9.0)))


def screen_angle_deg(longitude_deg: float, ascendant_deg: float) -> float:
    """Angle on the page, counter-clockwise from the right: the ascendant at
    the left, the signs running counter-clockwise."""
    return 180.0 + longitude_deg - ascendant_deg


def at(longitude_deg: float, radius: float, ascendant_deg: float) -> tuple[float, float]:
    """The page position of a longitude at a radius from the wheel's centre.

    >>> at(0.0, 100.0, 0.0)
    (350.0, 560.0)
    """
    angle = math.radians(screen_angle_deg(longitude_deg, ascendant_deg))
    return CENTRE_X + radius * math.cos(angle), CENTRE_Y - radius * math.sin(angle)


def wheel_svg(chart: Chart, title: str = "", *, when: datetime | None = None, place_name: str = "",
              theme: str | Theme = "light") -> str:
    """The chart's wheel as an SVG document: the header (title, the local
    time `when` if given and UT, the place, the zodiac, the house system
    with its polar fallback, the ayanamsha), the wheel, the table of
    positions (sign, degree, house, retrograde), the cusps and the aspect
    grid. `theme` is "light" or "dark" (or a :class:`Theme`).

    >>> from datetime import datetime
    >>> from zoneinfo import ZoneInfo
    >>> import orvane
    >>> from orvane_tools.chart import chart
    >>> born = datetime(1987, 9, 18, 14, 30, tzinfo=ZoneInfo("America/Los_Angeles"))
    >>> drawn = chart(born, orvane.GeodeticObserver(-122.42, 37.77))  # doctest: +SKIP
    >>> svg = wheel_svg(drawn, "Ada", when=born, place_name="San Francisco", theme="dark")  # doctest: +SKIP
    >>> svg.startswith("<svg")  # doctest: +SKIP
    True
    """
    return _draw(chart, None, title, [("", chart, when, place_name)], theme_named(theme))


def biwheel_svg(inner: Chart, outer: Chart, title: str = "", *, inner_name: str = "Natal",
                outer_name: str = "Transits", inner_when: datetime | None = None,
                outer_when: datetime | None = None, inner_place: str = "", outer_place: str = "",
                theme: str | Theme = "light") -> str:
    """Two charts on one wheel: `inner` inside with its houses, `outer` in a
    ring between the houses and the zodiac; the aspect lines and the grid
    are those between the two charts (rows the inner chart's points,
    columns the outer's), and each has its own table of positions, the
    outer chart's houses counted in the inner chart's houses.

    >>> svg = biwheel_svg(natal, transits, "Ada: transits")  # doctest: +SKIP
    """
    return _draw(inner, outer, title, [(inner_name, inner, inner_when, inner_place),
                                       (outer_name, outer, outer_when, outer_place)], theme_named(theme))


def transit_wheel_svg(natal: Chart, transits: Chart, title: str = "", *, natal_when: datetime | None = None,
                      transit_when: datetime | None = None, place_name: str = "",
                      theme: str | Theme = "light") -> str:
    """The transits of a moment around a natal chart (a :func:`biwheel_svg`).

    >>> now = chart(datetime(2026, 1, 1, tzinfo=ZoneInfo("UTC")), drawn.place)  # doctest: +SKIP
    >>> svg = transit_wheel_svg(drawn, now, "Ada: transits of 2026")  # doctest: +SKIP
    """
    return biwheel_svg(natal, transits, title, inner_name="Natal", outer_name="Transits", inner_when=natal_when,
                       outer_when=transit_when, inner_place=place_name, outer_place=place_name, theme=theme)


def synastry_wheel_svg(first: Chart, second: Chart, first_name: str, second_name: str, title: str = "", *,
                       first_when: datetime | None = None, second_when: datetime | None = None,
                       first_place: str = "", second_place: str = "", theme: str | Theme = "light") -> str:
    """Two people's charts: the first inside with its houses, the second outside (a :func:`biwheel_svg`).

    >>> svg = synastry_wheel_svg(ada, charles, "Ada", "Charles")  # doctest: +SKIP
    """
    return biwheel_svg(first, second, title, inner_name=first_name, outer_name=second_name,
                       inner_when=first_when, outer_when=second_when, inner_place=first_place,
                       outer_place=second_place, theme=theme)


def cross_aspects(inner: Sequence[Point], outer: Sequence[Point]) -> list[Aspect]:
    """The aspects between each inner point and each outer point (first inner, second outer)."""
    return list(aspects_between(inner, outer))


def _draw(chart: Chart, outer: Chart | None, title: str,
          blocks: Sequence[tuple[str, Chart, datetime | None, str]], theme: Theme) -> str:
    canvas = Canvas()
    rings = SINGLE if outer is None else DOUBLE
    houses = chart.houses
    asc = houses.ascendant_deg if houses is not None else 0.0
    draw_header(canvas, 20.0, 22.0, title, blocks, theme)
    _zodiac(canvas, asc, theme)
    if outer is not None:
        middle = (ZODIAC_INNER + rings.house_outer) / 2.0
        canvas.shapes.append(f'<circle cx="{CENTRE_X}" cy="{CENTRE_Y}" r="{middle}" fill="none" '
                             f'stroke="{theme.band}" stroke-width="{ZODIAC_INNER - rings.house_outer}"/>')
    for radius, width in ((rings.house_outer, 1.0), (rings.house_inner, 1.0), (rings.aspect, 1.0)):
        canvas.shapes.append(_circle(radius, theme.rule, width))
    if houses is not None:
        _houses(canvas, chart, rings, asc, theme)
    inner_points = drawn_points(chart)
    glyph_boxes: list[Box] = []
    placed = _points(canvas, inner_points, rings.bands[0], asc, theme)
    glyph_boxes += placed
    if outer is None:
        aspects = [a for a in chart.aspects if a.first in POINT_GLYPHS and a.second in POINT_GLYPHS]
        _aspect_lines(canvas, [*inner_points, *chart.angles], None, aspects, rings, asc, theme)
        grid_rows: list[Point] = [*(p for p in inner_points if p.name != "south_node"), *chart.angles]
        grid_columns: list[Point] | None = None
    else:
        outer_points = drawn_points(outer)
        _points(canvas, outer_points, rings.bands[1], asc, theme)
        grid_rows = [*(p for p in inner_points if p.name != "south_node"), *chart.angles]
        grid_columns = [*(p for p in outer_points if p.name != "south_node"), *outer.angles]
        aspects = cross_aspects(grid_rows, grid_columns)
        _aspect_lines(canvas, grid_rows, grid_columns, aspects, rings, asc, theme)

    # Beside the wheel: positions, then cusps and the aspect grid.
    column = CENTRE_X + ZODIAC_OUTER + 70.0
    bottom = draw_positions(canvas, column, 165.0, blocks[0][0] or "Positions", inner_points, houses, theme)
    if outer is not None:
        draw_positions(canvas, column, bottom + 8.0, blocks[1][0] or "Outer chart", drawn_points(outer), houses,
                       theme)
    second = column + 270.0
    top = 165.0
    if houses is not None:
        top = draw_cusps(canvas, second, top, houses, theme) + 12.0
    right, grid_bottom = draw_aspect_grid(canvas, second, top, grid_rows, grid_columns, aspects, theme)
    width = max(right, second + 140.0) + 20.0
    return canvas.render(width, max(HEIGHT, grid_bottom + 20.0), theme.background, FONT)


def _zodiac(canvas: Canvas, asc: float, theme: Theme) -> None:
    for sign in range(12):
        start = sign * 30.0
        canvas.shapes.append(_sector(start, start + 30.0, ZODIAC_INNER, ZODIAC_OUTER, asc,
                                     theme.element_fills[sign % 4], theme.rule))
        x, y = at(start + 15.0, (ZODIAC_INNER + ZODIAC_OUTER) / 2, asc)
        canvas.texts.append(Text(x, y, 26, SIGN_GLYPHS[sign], theme.element_inks[sign % 4]))
    for degree in range(360):
        length = 9.0 if degree % 10 == 0 else 6.0 if degree % 5 == 0 else 3.0
        canvas.lines.append(_radial(degree, ZODIAC_INNER, ZODIAC_INNER + length, asc, theme.muted, 0.7))
    canvas.shapes.append(_circle(ZODIAC_OUTER, theme.ink, 1.4))
    canvas.shapes.append(_circle(ZODIAC_INNER, theme.ink, 1.2))


def _houses(canvas: Canvas, chart: Chart, rings: Rings, asc: float, theme: Theme) -> None:
    houses = chart.houses
    assert houses is not None
    cusps = houses.cusps_deg
    middles = [cusp + ((cusps[(k + 1) % 12] - cusp) % 360.0) / 2.0 for k, cusp in enumerate(cusps)]
    # Numbers of narrow houses (far north or south) spread apart like the bodies.
    spots = spread_labels(middles, math.degrees(17.0 / rings.numbers))
    for number, (cusp, spot) in enumerate(zip(cusps, spots), start=1):
        angular = number in (1, 4, 7, 10)
        canvas.lines.append(_radial(cusp, rings.aspect, ZODIAC_INNER, asc, theme.ink if angular else theme.rule,
                                    2.0 if angular else 0.9))
        x, y = at(spot, rings.numbers, asc)
        canvas.texts.append(Text(x, y, 11, str(number), theme.muted))
    # The four angles outside the ring, their labels spread where they fall close.
    angles = [("AC", houses.ascendant_deg), ("DC", houses.ascendant_deg + 180.0),
              ("MC", houses.midheaven_deg), ("IC", houses.midheaven_deg + 180.0)]
    spots = spread_labels([longitude for _, longitude in angles], 6.0)
    for (name, longitude), spot in zip(angles, spots):
        canvas.lines.append(_radial(longitude, ZODIAC_OUTER, ZODIAC_OUTER + 9.0, asc, theme.angle, 2.5))
        x, y = at(spot, ZODIAC_OUTER + 21.0, asc)
        canvas.texts.append(Text(x, y, 13, name, theme.angle, bold=True))


def _points(canvas: Canvas, points: Sequence[Point], band: Band, asc: float, theme: Theme) -> list[Box]:
    """Ticks at the true longitudes, glyphs spread apart, and each degree
    label on the first of the rows below its glyph where it meets no other label."""
    gap = max(7.0, math.degrees(30.0 / band.glyph))
    spots = spread_labels([p.longitude_deg for p in points], gap)
    glyphs: list[Text] = []
    for point, spot in zip(points, spots):
        x, y = at(spot, band.glyph, asc)
        symbol, suffix = POINT_GLYPHS[point.name]
        glyphs.append(Text(x, y, GLYPH_SIZE if len(symbol) == 1 else GLYPH_SIZE * 0.7, symbol,
                           theme.element_inks[element_of(point.longitude_deg)], suffix=suffix))
    taken = [g.box.grown(1.0) for g in glyphs]
    widest = text_width("00°00′℞", band.degree_size)
    order = sorted(range(len(points)), key=lambda k: spots[k])
    for k in order:
        point, spot, drawn = points[k], spots[k], glyphs[k]
        angle = math.radians(screen_angle_deg(spot, asc))
        canvas.lines.append(_radial(point.longitude_deg, band.tick - 8.0, band.tick, asc, theme.ink, 1.4))
        tx, ty = at(point.longitude_deg, band.tick - 8.0, asc)
        canvas.lines.append(Line(tx, ty, drawn.x, drawn.y, theme.muted, 0.6))
        label = degree_text(point.longitude_deg, point.retrograde)
        width = text_width(label, band.degree_size)
        edge = band.glyph - radial_half_extent(angle, drawn.box.right - drawn.box.left, GLYPH_SIZE) - 2.0
        row_depth = 2.0 * radial_half_extent(angle, widest, band.degree_size) + 2.0
        chosen: Text | None = None
        row = 0
        while True:
            radius = edge - row * row_depth - radial_half_extent(angle, width, band.degree_size)
            x, y = at(spot, radius, asc)
            candidate = Text(x, y, band.degree_size, label, theme.ink)
            fits = not any(candidate.box.overlaps(box) for box in taken)
            inside = radius - radial_half_extent(angle, width, band.degree_size) >= band.limit
            if fits or not inside or row == 3:
                chosen = candidate if (fits or chosen is None) else chosen
                break
            chosen = chosen or candidate
            row += 1
        taken.append(chosen.box.grown(1.0))
        canvas.texts.append(chosen)
    canvas.texts += glyphs
    return [g.box for g in glyphs]


def _aspect_lines(canvas: Canvas, first: Sequence[Point], second: Sequence[Point] | None,
                  aspects: Sequence[Aspect], rings: Rings, asc: float, theme: Theme) -> None:
    places = {p.name: p.longitude_deg for p in first}
    others = places if second is None else {p.name: p.longitude_deg for p in second}
    for aspect in aspects:
        if aspect.kind == "conjunction" or aspect.first in _NO_LINES or aspect.second in _NO_LINES:
            continue
        family = ASPECT_GLYPHS[aspect.kind][1]
        if family == "minor" and aspect.kind != "quincunx":
            continue
        if second is not None and (aspect.orb_deg > CROSS_LINE_ORB_DEG or family == "minor" or point_class(aspect.first)
                                   not in _CROSS_LINE_CLASSES or point_class(aspect.second) not in _CROSS_LINE_CLASSES):
            continue
        x1, y1 = at(places[aspect.first], rings.aspect, asc)
        x2, y2 = at(others[aspect.second], rings.aspect, asc)
        canvas.lines.append(Line(x1, y1, x2, y2, theme.aspect_inks[family], 1.1,
                                 "5 3" if aspect.kind in ("sextile", "quincunx") else ""))


def _sector(start: float, end: float, inner: float, outer: float, asc: float, fill: str, stroke: str) -> str:
    a, b = at(start, outer, asc), at(end, outer, asc)
    c, d = at(end, inner, asc), at(start, inner, asc)
    # Longitude grows counter-clockwise on the page: sweep flag 0 outside, 1 back inside.
    return (f'<path d="M {a[0]:.2f} {a[1]:.2f} A {outer} {outer} 0 0 0 {b[0]:.2f} {b[1]:.2f} '
            f'L {c[0]:.2f} {c[1]:.2f} A {inner} {inner} 0 0 1 {d[0]:.2f} {d[1]:.2f} Z" fill="{fill}" '
            f'stroke="{stroke}" stroke-width="0.8"/>')


def _radial(longitude: float, inner: float, outer: float, asc: float, colour: str, width: float) -> Line:
    x1, y1 = at(longitude, inner, asc)
    x2, y2 = at(longitude, outer, asc)
    return Line(x1, y1, x2, y2, colour, width)


def _circle(radius: float, colour: str, width: float) -> str:
    return (f'<circle cx="{CENTRE_X}" cy="{CENTRE_Y}" r="{radius}" fill="none" stroke="{colour}" '
            f'stroke-width="{width}"/>')
