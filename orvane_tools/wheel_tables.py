"""What a wheel shows beside the circle: the header with the birth data and
the settings, the table of positions, the table of house cusps and the
aspect grid."""

from __future__ import annotations

import math
from collections.abc import Sequence
from datetime import datetime, timedelta, timezone

from orvane_tools.aspects import Aspect
from orvane_tools.chart import Chart, Houses, Point
from orvane_tools.wheel_glyphs import ASPECT_GLYPHS, POINT_GLYPHS, SIGN_GLYPHS, degree_text, element_of, point_label
from orvane_tools.wheel_layout import Canvas, Line, Text
from orvane_tools.wheel_themes import Theme

ROW = 17.0
CELL = 19.0
_J2000 = datetime(2000, 1, 1, 12, tzinfo=timezone.utc)


def angle_text(value_deg: float, positive: str, negative: str) -> str:
    """A latitude or longitude as degrees and minutes with its hemisphere.

    >>> angle_text(37.77, "N", "S"), angle_text(-122.42, "E", "W")
    ('37°46′N', '122°25′W')
    """
    minutes = round(abs(value_deg) * 60.0)
    return f"{minutes // 60}°{minutes % 60:02d}′{positive if value_deg >= 0.0 else negative}"


def universal_time(chart: Chart) -> datetime:
    """The chart's moment in UT (UT1, within a second of UTC), or TT where it has no houses."""
    julian_day = chart.ut1_julian_day if chart.ut1_julian_day is not None else chart.tt_julian_day
    return _J2000 + timedelta(days=julian_day - 2451545.0)


def settings_text(chart: Chart) -> str:
    """The zodiac, the house system (and the one asked for where it fell back) and the ayanamsha.

    A chart drawn at Tromso in Placidus reads 'Tropical zodiac · Porphyry
    houses (Placidus has no cusps at this latitude)'.
    """
    if chart.zodiac == "tropical":
        zodiac = "Tropical zodiac"
    else:
        total = round(chart.ayanamsha_deg * 3600.0)
        zodiac = (f"Sidereal zodiac ({chart.zodiac.replace('_', ' ').title()}, ayanamsha "
                  f"{total // 3600}°{total // 60 % 60:02d}′{total % 60:02d}″)")
    houses = chart.houses
    if houses is None:
        return f"{zodiac} · no houses"
    used = houses.system.replace("_", " ").title()
    if houses.fallback_reason is not None:
        asked = houses.requested_system.replace("_", " ").title()
        return f"{zodiac} · {used} houses ({asked} has no cusps at this latitude)"
    return f"{zodiac} · {used} houses"


_ELEMENTS = ("Fire", "Earth", "Air", "Water")
_QUALITIES = ("Cardinal", "Fixed", "Mutable")
_PHASES = ("new", "waxing crescent", "first quarter", "waxing gibbous", "full", "waning gibbous", "last quarter",
           "waning crescent")
#: The bodies counted in the balance of elements and qualities.
BALANCE_BODIES = ("sun", "moon", "mercury", "venus", "mars", "jupiter", "saturn", "uranus", "neptune", "pluto")


def moon_phase(sun_deg: float, moon_deg: float) -> tuple[str, float]:
    """The Moon's phase name (by eighths of its elongation from the Sun, each
    centred on its exact phase) and its illuminated fraction, (1 - cos E) / 2
    for the elongation E in longitude (Meeus, Astronomical Algorithms, 2nd
    ed., eq. 48.1 with the phase angle taken as 180 - E).

    >>> moon_phase(10.0, 100.0)
    ('first quarter', 0.5)
    """
    elongation = (moon_deg - sun_deg) % 360.0
    name = _PHASES[int((elongation + 22.5) // 45.0) % 8]
    return name, round((1.0 - math.cos(math.radians(elongation))) / 2.0, 6)


def balance_text(chart: Chart) -> list[str]:
    """The ten bodies counted by element and by quality; the Moon's phase.

    A chart with the Sun in Aries and the Moon in Cancer, 90 degrees on,
    counts both in cardinal signs and has the Moon at first quarter.
    """
    places = {p.name: p.longitude_deg for p in chart.points if p.name in BALANCE_BODIES}
    elements = [0] * 4
    qualities = [0] * 3
    for longitude in places.values():
        sign = int(longitude % 360.0 // 30.0)
        elements[sign % 4] += 1
        qualities[sign % 3] += 1
    text = " · ".join(f"{name} {count}" for name, count in zip(_ELEMENTS, elements))
    text += " · " + " · ".join(f"{name} {count}" for name, count in zip(_QUALITIES, qualities))
    if "sun" not in places or "moon" not in places:
        return [text]
    phase, lit = moon_phase(places["sun"], places["moon"])
    return [text, f"Moon {phase}, {lit * 100.0:.0f}% lit"]


def header_lines(chart: Chart, when: datetime | None, place_name: str) -> list[str]:
    """The birth data: local time (when given) and UT, and the place."""
    moment = universal_time(chart)
    scale = "UT" if chart.ut1_julian_day is not None else "TT"
    ut = f"{moment + timedelta(seconds=30):%Y-%m-%d %H:%M} {scale}"  # to the nearest minute
    stamp = ut if when is None else f"{when:%Y-%m-%d %H:%M} {when.tzname() or ''} ({ut})".replace("  ", " ")
    where = (f"{angle_text(chart.place.latitude_deg, 'N', 'S')} "
             f"{angle_text(chart.place.longitude_east_deg, 'E', 'W')}")
    return [stamp, f"{place_name} {where}".strip()]


def draw_header(canvas: Canvas, x: float, y: float, title: str, blocks: Sequence[tuple[str, Chart, datetime | None, str]],
                theme: Theme) -> None:
    """The title, then for each chart its name, moment, place and settings."""
    if title:
        canvas.texts.append(Text(x, y, 18, title, theme.ink, "start", bold=True))
        y += 24
    column = x
    for name, chart, when, place_name in blocks:
        line_y = y
        if name:
            canvas.texts.append(Text(column, line_y, 13, name, theme.ink, "start", bold=True))
            line_y += 16
        for line in (*header_lines(chart, when, place_name), settings_text(chart), *balance_text(chart)):
            canvas.texts.append(Text(column, line_y, 12, line, theme.muted, "start"))
            line_y += 16
        column += 620


def drawn_points(chart: Chart) -> list[Point]:
    """The points a wheel draws: every body and point it has a glyph for,
    with the south node opposite the true node."""
    shown = [p for p in chart.points if p.name in POINT_GLYPHS]
    for p in chart.points:
        if p.name == "true_node":
            shown.append(Point("south_node", (p.longitude_deg + 180.0) % 360.0, 0.0, None, None))
    return shown


def _glyph(x: float, y: float, size: float, name: str, fill: str, anchor: str = "middle") -> Text:
    glyph, suffix = POINT_GLYPHS[name]
    return Text(x, y, size, glyph, fill, anchor, suffix=suffix)


def draw_positions(canvas: Canvas, x: float, y: float, heading: str, points: Sequence[Point],
                   houses: Houses | None, theme: Theme) -> float:
    """A table of the points: glyph, name, sign, degree, house and ℞. Returns its bottom."""
    canvas.texts.append(Text(x, y, 13, heading, theme.ink, "start", bold=True))
    y += ROW
    for label, offset in (("Sign", 106.0), ("Degree", 140.0), ("House", 193.0)):
        canvas.texts.append(Text(x + offset, y, 10, label, theme.muted, "start"))
    canvas.lines.append(Line(x, y + ROW / 2 + 0.5, x + 246, y + ROW / 2 + 0.5, theme.rule, 0.6))
    for point in points:
        y += ROW
        ink = theme.element_inks[element_of(point.longitude_deg)]
        canvas.texts.append(_glyph(x + 9, y, 14, point.name, ink))
        canvas.texts.append(Text(x + 24, y, 11, point_label(point.name), theme.ink, "start"))
        canvas.texts.append(Text(x + 118, y, 13, SIGN_GLYPHS[int(point.longitude_deg // 30.0) % 12], ink, "start"))
        canvas.texts.append(Text(x + 140, y, 11, degree_text(point.longitude_deg), theme.ink, "start"))
        if houses is not None:
            canvas.texts.append(Text(x + 206, y, 11, str(houses.house_of(point.longitude_deg)), theme.ink, "middle"))
        if point.retrograde:
            canvas.texts.append(Text(x + 228, y, 12, "℞", theme.aspect_inks["hard"], "start"))
    return y + ROW


def draw_cusps(canvas: Canvas, x: float, y: float, houses: Houses, theme: Theme) -> float:
    """A table of the twelve cusps: number, sign and degree. Returns its bottom."""
    canvas.texts.append(Text(x, y, 13, "Houses", theme.ink, "start", bold=True))
    canvas.lines.append(Line(x, y + ROW / 2 + 0.5, x + 120, y + ROW / 2 + 0.5, theme.rule, 0.6))
    for number, cusp in enumerate(houses.cusps_deg, start=1):
        y += ROW
        ink = theme.element_inks[element_of(cusp)]
        canvas.texts.append(Text(x + 8, y, 11, str(number), theme.ink, "middle", bold=number in (1, 4, 7, 10)))
        canvas.texts.append(Text(x + 30, y, 13, SIGN_GLYPHS[int(cusp // 30.0) % 12], ink, "start"))
        canvas.texts.append(Text(x + 52, y, 11, degree_text(cusp), theme.ink, "start"))
    return y + ROW


def draw_aspect_grid(canvas: Canvas, x: float, y: float, rows: Sequence[Point], columns: Sequence[Point] | None,
                     aspects: Sequence[Aspect], theme: Theme) -> tuple[float, float]:
    """The aspect grid: a triangle for one chart (`columns` None), or the
    square of `rows` (inner chart) against `columns` (outer chart). Each
    cell holds the aspect's glyph in its family's ink. Returns the right and bottom."""
    canvas.texts.append(Text(x, y, 13, "Aspects", theme.ink, "start", bold=True))
    top = y + ROW / 2 + 2
    triangle = columns is None
    # In a bi-wheel an aspect's first point is the inner chart's, its second the outer's.
    found: dict[tuple[str, str], Aspect] = {}
    for aspect in aspects:
        found[(aspect.first, aspect.second)] = aspect
        if triangle:
            found[(aspect.second, aspect.first)] = aspect
    cols = rows if columns is None else columns
    left = x + (0.0 if triangle else CELL)
    grid_top = top + (0.0 if triangle else CELL)
    if not triangle:
        for j, point in enumerate(cols):
            canvas.texts.append(_glyph(left + (j + 0.5) * CELL, top + CELL / 2, 12, point.name,
                                       theme.element_inks[element_of(point.longitude_deg)]))
    for i, row in enumerate(rows):
        ink = theme.element_inks[element_of(row.longitude_deg)]
        cy = grid_top + (i + 0.5) * CELL
        if triangle:
            canvas.texts.append(_glyph(left + (i + 0.5) * CELL, cy, 12, row.name, ink))
        else:
            canvas.texts.append(_glyph(x + CELL / 2, cy, 12, row.name, ink))
        for j in range(i if triangle else len(cols)):
            hit = found.get((row.name, cols[j].name))
            if hit is None:
                continue
            glyph, family = ASPECT_GLYPHS[hit.kind]
            canvas.texts.append(Text(left + (j + 0.5) * CELL, cy, 11 if len(glyph) == 1 else 8, glyph,
                                     theme.aspect_inks[family]))
    count = len(rows)
    width = (count if triangle else len(cols)) * CELL
    for i in range(count + 1):
        end = left + (min(i + 1, count) * CELL if triangle else width)
        canvas.lines.append(Line(left, grid_top + i * CELL, end, grid_top + i * CELL, theme.rule, 0.5))
    for j in range((count if triangle else len(cols)) + 1):
        start = grid_top + (max(j - 1, 0) * CELL if triangle else 0.0)
        canvas.lines.append(Line(left + j * CELL, start, left + j * CELL, grid_top + count * CELL, theme.rule, 0.5))
    return left + width, grid_top + count * CELL
