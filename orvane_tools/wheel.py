"""A chart wheel drawn as a standalone SVG picture: the zodiac ring, the
houses with the ascendant and the midheaven, the bodies with their degrees,
and the aspect lines."""

from __future__ import annotations

import math
from collections.abc import Sequence
from xml.sax.saxutils import escape

from orvane_tools.chart import Chart, Point

SIZE = 860
CENTRE = SIZE / 2
ZODIAC_OUTER, ZODIAC_INNER = 380.0, 330.0
HOUSE_INNER = 300.0
BODY_RADIUS = 272.0
DEGREE_RADIUS = 244.0
LINE_STEP = 19.0
ASPECT_RADIUS = 186.0
MIN_LABEL_GAP_DEG = 7.5

SIGN_GLYPHS = "♈♉♊♋♌♍♎♏♐♑♒♓"
# Fire, earth, air and water signs, in turn.
ELEMENT_FILLS = ("#fbe3d6", "#e6efd8", "#fdf6d3", "#dbe8f6")
POINT_GLYPHS = {
    "sun": "☉", "moon": "☽", "mercury": "☿", "venus": "♀", "mars": "♂", "jupiter": "♃",
    "saturn": "♄", "uranus": "♅", "neptune": "♆", "pluto": "♇", "true_node": "☊", "mean_apogee": "⚸",
    "part_of_fortune": "⊗", "ceres": "⚳", "pallas": "⚴", "juno": "⚵", "vesta": "⚶", "chiron": "⚷",
}
ASPECT_STYLES = {
    "opposition": ("#c0392b", ""), "square": ("#c0392b", ""), "trine": ("#2e6fbd", ""),
    "sextile": ("#2e6fbd", "6 4"),
}
FONT = "DejaVu Sans, Segoe UI Symbol, Arial Unicode MS, sans-serif"


def screen_angle_deg(longitude_deg: float, ascendant_deg: float) -> float:
    """Angle on the page, counter-clockwise from the right: the ascendant at
    the left, the signs running counter-clockwise."""
    return 180.0 + longitude_deg - ascendant_deg


def at(longitude_deg: float, radius: float, ascendant_deg: float) -> tuple[float, float]:
    angle = math.radians(screen_angle_deg(longitude_deg, ascendant_deg))
    return CENTRE + radius * math.cos(angle), CENTRE - radius * math.sin(angle)


def spread_labels(longitudes: Sequence[float], gap_deg: float = MIN_LABEL_GAP_DEG) -> list[float]:
    """Label longitudes near the given ones, at least `gap_deg` apart around
    the circle: close ones are spread evenly about their mean, and clusters
    that then overlap are merged, until none do."""
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
    # Clusters of neighbours, each spread evenly about the mean of its
    # members' longitudes; two clusters that overlap merge, until none do.
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


def wheel_svg(chart: Chart, title: str = "") -> str:
    houses = chart.houses
    asc = houses.ascendant_deg if houses is not None else 0.0
    parts: list[str] = [
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{SIZE}" height="{SIZE}" viewBox="0 0 {SIZE} {SIZE}" '
        f'font-family="{FONT}">',
        f'<rect width="{SIZE}" height="{SIZE}" fill="#ffffff"/>',
    ]
    # Zodiac ring: twelve sectors, their glyphs, and degree ticks.
    for sign in range(12):
        start, end = sign * 30.0, sign * 30.0 + 30.0
        parts.append(_sector(start, end, ZODIAC_INNER, ZODIAC_OUTER, asc, ELEMENT_FILLS[sign % 4]))
        x, y = at(start + 15.0, (ZODIAC_INNER + ZODIAC_OUTER) / 2, asc)
        parts.append(f'<text x="{x:.2f}" y="{y:.2f}" font-size="28" text-anchor="middle" '
                     f'dominant-baseline="central" fill="#333333">{SIGN_GLYPHS[sign]}</text>')
    for degree in range(360):
        length = 10.0 if degree % 10 == 0 else 6.0 if degree % 5 == 0 else 3.0
        parts.append(_line(degree, ZODIAC_INNER, ZODIAC_INNER + length, asc, "#555555", 0.8))
    parts.append(_circle(ZODIAC_OUTER, "#333333", 1.5))
    parts.append(_circle(ZODIAC_INNER, "#333333", 1.2))
    parts.append(_circle(HOUSE_INNER, "#333333", 1.0))
    parts.append(_circle(ASPECT_RADIUS, "#888888", 1.0))

    # Houses: cusp lines, numbers, the ascendant and midheaven marked.
    if houses is not None:
        cusps = houses.cusps_deg
        for number, cusp in enumerate(cusps, start=1):
            angular = number in (1, 4, 7, 10)
            parts.append(_line(cusp, ASPECT_RADIUS, ZODIAC_INNER, asc, "#222222" if angular else "#999999",
                               2.2 if angular else 1.0))
            following = cusps[number % 12]
            middle = cusp + ((following - cusp) % 360.0) / 2.0
            x, y = at(middle, (HOUSE_INNER + ZODIAC_INNER) / 2, asc)
            parts.append(f'<text x="{x:.2f}" y="{y:.2f}" font-size="13" text-anchor="middle" '
                         f'dominant-baseline="central" fill="#666666">{number}</text>')
        for name, longitude in (("ASC", houses.ascendant_deg), ("MC", houses.midheaven_deg)):
            parts.append(_line(longitude, ZODIAC_OUTER, ZODIAC_OUTER + 12.0, asc, "#b03a2e", 3.0))
            x, y = at(longitude, ZODIAC_OUTER + 12.0, asc)
            x, y = _nudge(x, y, 12.0)
            parts.append(f'<text x="{x:.2f}" y="{y:.2f}" font-size="13" font-weight="bold" '
                         f'text-anchor="middle" dominant-baseline="central" fill="#b03a2e">{name}</text>')

    # Aspect lines between the drawn bodies' and the angles' true longitudes.
    places = {p.name: p.longitude_deg for p in (*chart.points, *chart.angles)}
    for aspect in chart.aspects:
        style = ASPECT_STYLES.get(aspect.kind)
        if style is None or not all(name in POINT_GLYPHS or name in ("ascendant", "midheaven")
                                    for name in (aspect.first, aspect.second)):
            continue
        x1, y1 = at(places[aspect.first], ASPECT_RADIUS, asc)
        x2, y2 = at(places[aspect.second], ASPECT_RADIUS, asc)
        dash = f' stroke-dasharray="{style[1]}"' if style[1] else ""
        parts.append(f'<line x1="{x1:.2f}" y1="{y1:.2f}" x2="{x2:.2f}" y2="{y2:.2f}" stroke="{style[0]}" '
                     f'stroke-width="1.2"{dash}/>')

    # Bodies: a tick at the true longitude, the glyph and degrees where there is room.
    shown: list[Point] = [p for p in chart.points if p.name in POINT_GLYPHS]
    labels = spread_labels([p.longitude_deg for p in shown])
    for point, label in zip(shown, labels):
        parts.append(_line(point.longitude_deg, HOUSE_INNER - 8.0, HOUSE_INNER, asc, "#000000", 1.5))
        parts.append(_line_between(point.longitude_deg, HOUSE_INNER - 8.0, label, BODY_RADIUS + 14.0, asc))
        x, y = at(label, BODY_RADIUS, asc)
        parts.append(f'<text x="{x:.2f}" y="{y:.2f}" font-size="24" text-anchor="middle" '
                     f'dominant-baseline="central" fill="#000000">{POINT_GLYPHS[point.name]}</text>')
        # Degrees, minutes and the retrograde mark stacked towards the centre,
        # so neighbouring labels need no more room than their glyphs.
        degrees = int(point.degree_in_sign)
        minutes = int((point.degree_in_sign - degrees) * 60.0)
        pieces = [f"{degrees}°", f"{minutes:02d}′"] + (["℞"] if point.retrograde else [])
        # Stacked outside in; reversed where the inner end is read first (the
        # stack runs down the page, or across it towards the right).
        angle = math.radians(screen_angle_deg(label, asc))
        if (math.sin(angle) < 0.0) if abs(math.sin(angle)) > 0.45 else (math.cos(angle) > 0.0):
            pieces.reverse()
        for n, piece in enumerate(pieces):
            x, y = at(label, DEGREE_RADIUS - n * LINE_STEP, asc)
            parts.append(f'<text x="{x:.2f}" y="{y:.2f}" font-size="11" text-anchor="middle" '
                         f'dominant-baseline="central" fill="#333333">{piece}</text>')
    if title:
        parts.append(f'<text x="12" y="22" font-size="15" fill="#333333">{escape(title)}</text>')
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def _sector(start: float, end: float, inner: float, outer: float, asc: float, fill: str) -> str:
    a = at(start, outer, asc)
    b = at(end, outer, asc)
    c = at(end, inner, asc)
    d = at(start, inner, asc)
    # Longitude grows counter-clockwise on the page: sweep flag 0 outside, 1 back inside.
    return (f'<path d="M {a[0]:.2f} {a[1]:.2f} A {outer} {outer} 0 0 0 {b[0]:.2f} {b[1]:.2f} '
            f'L {c[0]:.2f} {c[1]:.2f} A {inner} {inner} 0 0 1 {d[0]:.2f} {d[1]:.2f} Z" fill="{fill}" '
            f'stroke="#333333" stroke-width="0.8"/>')


def _line(longitude: float, inner: float, outer: float, asc: float, colour: str, width: float) -> str:
    x1, y1 = at(longitude, inner, asc)
    x2, y2 = at(longitude, outer, asc)
    return (f'<line x1="{x1:.2f}" y1="{y1:.2f}" x2="{x2:.2f}" y2="{y2:.2f}" stroke="{colour}" '
            f'stroke-width="{width}"/>')


def _line_between(longitude: float, radius: float, label: float, label_radius: float, asc: float) -> str:
    x1, y1 = at(longitude, radius, asc)
    x2, y2 = at(label, label_radius, asc)
    return f'<line x1="{x1:.2f}" y1="{y1:.2f}" x2="{x2:.2f}" y2="{y2:.2f}" stroke="#777777" stroke-width="0.7"/>'


def _circle(radius: float, colour: str, width: float) -> str:
    return (f'<circle cx="{CENTRE}" cy="{CENTRE}" r="{radius}" fill="none" stroke="{colour}" '
            f'stroke-width="{width}"/>')


def _nudge(x: float, y: float, distance: float) -> tuple[float, float]:
    """Move a point `distance` further out from the centre."""
    dx, dy = x - CENTRE, y - CENTRE
    norm = math.hypot(dx, dy) or 1.0
    return x + dx / norm * distance, y + dy / norm * distance
