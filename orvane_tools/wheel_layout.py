"""Layout for the wheel: text boxes, labels spread apart around the circle,
and lines cut where they would cross a label."""

from __future__ import annotations

import math
from collections.abc import Iterable, Sequence
from dataclasses import dataclass
from functools import cached_property, lru_cache
from xml.sax.saxutils import escape

# Advance widths in em of DejaVu Sans, rounded up: digits and most Latin
# letters below 0.7 em, the astrological symbols below 0.9 em.
_NARROW_EM = 0.70
_SYMBOL_EM = 0.90
_MARK_EM = 0.45  # degree and minute signs, spaces


@lru_cache(maxsize=4096)
def text_width(text: str, size: float) -> float:
    """An upper bound on the drawn width of `text` at `size` (px). A wheel
    measures the same few texts many times, so widths are remembered.

    >>> text_width("12°30′", 10.0)
    37.0
    """
    em = 0.0
    for ch in text:
        if ch in "°′″ .,:·|":
            em += _MARK_EM
        elif ord(ch) < 0x250:
            em += _NARROW_EM
        else:
            em += _SYMBOL_EM
    return em * size


@dataclass(frozen=True)
class Box:
    """An axis-aligned box on the page: left, top, right, bottom (px)."""

    left: float
    top: float
    right: float
    bottom: float

    def overlaps(self, other: Box) -> bool:
        return (self.left < other.right and other.left < self.right
                and self.top < other.bottom and other.top < self.bottom)

    def grown(self, margin: float) -> Box:
        return Box(self.left - margin, self.top - margin, self.right + margin, self.bottom + margin)


def centred_box(x: float, y: float, width: float, height: float) -> Box:
    return Box(x - width / 2.0, y - height / 2.0, x + width / 2.0, y + height / 2.0)


def radial_half_extent(angle_rad: float, width: float, height: float) -> float:
    """How far a centred box reaches along the direction at `angle_rad`."""
    return abs(math.cos(angle_rad)) * width / 2.0 + abs(math.sin(angle_rad)) * height / 2.0


def spread_labels(longitudes: Sequence[float], gap_deg: float = 7.5) -> list[float]:
    """Label longitudes near the given ones, at least `gap_deg` apart around
    the circle: close ones are spread evenly about their mean, and clusters
    that then overlap are merged, until none do.

    >>> spread_labels([10.0, 11.0, 200.0], 6.0)
    [7.5, 13.5, 200.0]
    """
    count = len(longitudes)
    if count == 0:
        return []
    gap = min(gap_deg, 360.0 / count)
    order = sorted(range(count), key=lambda i: longitudes[i] % 360.0)
    # Start the sweep after the widest empty arc, so no cluster wraps around.
    sorted_lon = [longitudes[i] % 360.0 for i in order]
    widest = max(range(count), key=lambda k: (sorted_lon[(k + 1) % count] - sorted_lon[k]) % 360.0 or 360.0)
    start = (widest + 1) % count
    order = order[start:] + order[:start]
    base = sorted_lon[start]
    unwrapped = [(longitudes[i] - base) % 360.0 for i in order]
    clusters: list[list[int]] = [[k] for k in range(count)]

    def spread(cluster: list[int]) -> list[float]:
        centre = sum(unwrapped[k] for k in cluster) / len(cluster)
        return [centre + gap * (n - (len(cluster) - 1) / 2.0) for n in range(len(cluster))]

    merged = True
    while merged:
        merged = False
        for c in range(len(clusters) - 1):
            if spread(clusters[c])[-1] + gap > spread(clusters[c + 1])[0] + 1e-9:
                clusters[c:c + 2] = [clusters[c] + clusters[c + 1]]
                merged = True
                break
    placed = [place for cluster in clusters for place in spread(cluster)]
    result = [0.0] * count
    for k, i in enumerate(order):
        result[i] = (placed[k] + base) % 360.0
    return result


def _inside(x1: float, y1: float, x2: float, y2: float, box: Box) -> tuple[float, float] | None:
    """The parameter interval of the segment inside a box (Liang and Barsky,
    Computer Graphics 18, 1984), or None."""
    dx, dy = x2 - x1, y2 - y1
    low, high = 0.0, 1.0
    for p, q in ((-dx, x1 - box.left), (dx, box.right - x1), (-dy, y1 - box.top), (dy, box.bottom - y1)):
        if p == 0.0:
            if q < 0.0:
                return None
            continue
        t = q / p
        if p < 0.0:
            low = max(low, t)
        else:
            high = min(high, t)
        if low > high:
            return None
    return low, high


def segment_crosses(x1: float, y1: float, x2: float, y2: float, box: Box) -> bool:
    """Whether a segment passes through a box by more than a hair.

    >>> segment_crosses(0, 5, 20, 5, Box(8, 0, 12, 10)), segment_crosses(0, 20, 20, 20, Box(8, 0, 12, 10))
    (True, False)
    """
    span = _inside(x1, y1, x2, y2, box)
    return span is not None and (span[1] - span[0]) * math.hypot(x2 - x1, y2 - y1) > 0.5


def cut_around(x1: float, y1: float, x2: float, y2: float, boxes: Iterable[Box], margin: float = 2.0
               ) -> list[tuple[float, float, float, float]]:
    """The pieces of a segment left once the parts within `margin` of any box are cut out.

    >>> cut_around(0, 5, 20, 5, [Box(8, 0, 12, 10)], 0.0)
    [(0.0, 5.0, 8.0, 5.0), (12.0, 5.0, 20.0, 5.0)]
    """
    spans = sorted(span for box in boxes if (span := _inside(x1, y1, x2, y2, box.grown(margin))) is not None)
    pieces: list[tuple[float, float]] = []
    start = 0.0
    for low, high in spans:
        if low > start:
            pieces.append((start, low))
        start = max(start, high)
    if start < 1.0:
        pieces.append((start, 1.0))
    length = math.hypot(x2 - x1, y2 - y1)
    return [(x1 + (x2 - x1) * a, y1 + (y2 - y1) * a, x1 + (x2 - x1) * b, y1 + (y2 - y1) * b)
            for a, b in pieces if (b - a) * length > 0.75]


@dataclass(frozen=True)
class Text:
    """A text on the page, centred on (x, y) unless `anchor` is "start"; an
    optional `suffix` follows it at half size."""

    x: float
    y: float
    size: float
    text: str
    fill: str
    anchor: str = "middle"
    bold: bool = False
    suffix: str = ""

    @cached_property
    def box(self) -> Box:
        """The box the text's ink stays within (worked out once per text)."""
        width = text_width(self.text, self.size) + text_width(self.suffix, self.size * 0.55)
        left = self.x - width / 2.0 if self.anchor == "middle" else self.x
        return Box(left, self.y - self.size * 0.5, left + width, self.y + self.size * 0.5)

    def svg(self) -> str:
        weight = ' font-weight="bold"' if self.bold else ""
        suffix = f'<tspan font-size="{self.size * 0.55:.1f}">{escape(self.suffix)}</tspan>' if self.suffix else ""
        return (f'<text x="{self.x:.2f}" y="{self.y:.2f}" font-size="{self.size:g}" text-anchor="{self.anchor}" '
                f'dominant-baseline="central" fill="{self.fill}"{weight}>{escape(self.text)}{suffix}</text>')


@dataclass(frozen=True)
class Line:
    """A straight stroke; the canvas cuts it where it would cross a text."""

    x1: float
    y1: float
    x2: float
    y2: float
    stroke: str
    width: float
    dash: str = ""


class Canvas:
    """Shapes, lines and texts gathered for one SVG picture. Lines are cut
    around every text box when the picture is drawn, so no label is crossed."""

    def __init__(self) -> None:
        self.shapes: list[str] = []
        self.lines: list[Line] = []
        self.texts: list[Text] = []

    def render(self, width: float, height: float, background: str, font: str) -> str:
        boxes = BoxIndex([text.box for text in self.texts], _NEAR_PX)
        parts = [
            f'<svg xmlns="http://www.w3.org/2000/svg" width="{width:.0f}" height="{height:.0f}" '
            f'viewBox="0 0 {width:.0f} {height:.0f}" font-family="{font}">',
            f'<rect width="{width:.0f}" height="{height:.0f}" fill="{background}"/>',
            *self.shapes,
        ]
        for line in self.lines:
            near = boxes.near(line.x1, line.y1, line.x2, line.y2)
            dash = f' stroke-dasharray="{line.dash}"' if line.dash else ""
            for x1, y1, x2, y2 in cut_around(line.x1, line.y1, line.x2, line.y2, near):
                parts.append(f'<line x1="{x1:.2f}" y1="{y1:.2f}" x2="{x2:.2f}" y2="{y2:.2f}" '
                             f'stroke="{line.stroke}" stroke-width="{line.width:g}"{dash}/>')
        parts += [text.svg() for text in self.texts]
        parts.append("</svg>")
        return "\n".join(parts) + "\n"


class BoxIndex:
    """Boxes filed by the square cells of the page they reach (grown by
    `margin`), so the boxes near a line are sought among the few in the cells
    of its extent rather than among all: a wheel has some 500 lines and 350
    texts.

    >>> index = BoxIndex([Box(0, 0, 10, 10), Box(200, 200, 210, 210)], 3.0)
    >>> index.near(0, 20, 30, 20), index.near(0, 12, 30, 12)
    ([], [Box(left=0, top=0, right=10, bottom=10)])
    """

    CELL_PX = 48.0

    def __init__(self, boxes: Sequence[Box], margin: float) -> None:
        self._reach = [(box.left - margin, box.top - margin, box.right + margin, box.bottom + margin)
                       for box in boxes]
        self._boxes = list(boxes)
        self._cells: dict[tuple[int, int], list[int]] = {}
        for number, (left, top, right, bottom) in enumerate(self._reach):
            for cell in self._cells_of(left, top, right, bottom):
                self._cells.setdefault(cell, []).append(number)

    def _cells_of(self, left: float, top: float, right: float, bottom: float) -> Iterable[tuple[int, int]]:
        size = self.CELL_PX
        for column in range(math.floor(left / size), math.floor(right / size) + 1):
            for row in range(math.floor(top / size), math.floor(bottom / size) + 1):
                yield column, row

    def near(self, x1: float, y1: float, x2: float, y2: float) -> list[Box]:
        """The boxes, in their order, whose grown extent meets the segment's bounding box."""
        low_x, high_x, low_y, high_y = min(x1, x2), max(x1, x2), min(y1, y2), max(y1, y2)
        size, cells = self.CELL_PX, self._cells
        columns = range(math.floor(low_x / size), math.floor(high_x / size) + 1)
        rows = range(math.floor(low_y / size), math.floor(high_y / size) + 1)
        candidates: Iterable[int]
        if len(columns) == 1 and len(rows) == 1:  # most lines: one cell, its boxes already in order
            candidates = cells.get((columns[0], rows[0]), ())
        else:
            found: set[int] = set()
            for column in columns:
                for row in rows:
                    found.update(cells.get((column, row), ()))
            candidates = sorted(found)
        reach = self._reach
        return [self._boxes[n] for n in candidates if not (
            high_x < reach[n][0] or low_x > reach[n][2] or high_y < reach[n][1] or low_y > reach[n][3])]


#: How close (px) a text must come to a line's extent to be cut around.
_NEAR_PX = 3.0
