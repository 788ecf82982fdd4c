"""The chart wheel rendered by a real SVG renderer and looked at pixel by
pixel: every variant (one chart and two, light and dark, tropical and
sidereal, ordinary, stellium and polar) keeps its labels apart, crosses
none of them with a line, inks every glyph and colours by element."""
from __future__ import annotations

import io
import math
import re
import xml.etree.ElementTree as ET
from datetime import datetime, timezone
from zoneinfo import ZoneInfo

import orvane
import pytest

from orvane_tools.chart import chart
from orvane_tools.data import default_engine
from orvane_tools.wheel import (CENTRE_X, CENTRE_Y, DOUBLE, SINGLE, ZODIAC_INNER, ZODIAC_OUTER, at,
                                biwheel_svg, spread_labels, synastry_wheel_svg, transit_wheel_svg, wheel_svg)
from orvane_tools.wheel_glyphs import ASPECT_GLYPHS, POINT_GLYPHS, SIGN_GLYPHS, degree_text, element_of
from orvane_tools.wheel_layout import Text, segment_crosses
from orvane_tools.wheel_themes import DARK, LIGHT

cairosvg = pytest.importorskip("cairosvg")
Image = pytest.importorskip("PIL.Image")

SVG = "{http://www.w3.org/2000/svg}"
SF_BIRTH = datetime(1987, 9, 18, 14, 30, tzinfo=ZoneInfo("America/Los_Angeles"))
SAN_FRANCISCO = orvane.GeodeticObserver(-122.42, 37.77)
TROMSO = orvane.GeodeticObserver(18.96, 69.65)


@pytest.fixture(scope="module")
def charts():
    engine = default_engine()
    extra = ["chiron", "pholus"]
    return {
        "ordinary": chart(SF_BIRTH, SAN_FRANCISCO, engine=engine, extra_bodies=extra),
        # Seven bodies in Aquarius.
        "stellium": chart(datetime(1962, 2, 4, 12, 0, tzinfo=timezone.utc), orvane.GeodeticObserver(77.21, 28.61),
                          engine=engine, extra_bodies=extra),
        "polar": chart(datetime(1990, 12, 21, 9, 0, tzinfo=timezone.utc), TROMSO, engine=engine),
        "sidereal": chart(SF_BIRTH, SAN_FRANCISCO, engine=engine, sidereal="lahiri", houses="whole_sign"),
        "transits": chart(datetime(2026, 1, 1, 12, 0, tzinfo=timezone.utc), SAN_FRANCISCO, engine=engine,
                          extra_bodies=extra),
    }


VARIANTS = ["ordinary-light", "ordinary-dark", "stellium-light", "polar-dark", "sidereal-light",
            "transits-dark", "synastry-light"]


def draw(charts, variant: str) -> tuple[str, object]:
    name, theme = variant.split("-")
    if name == "transits":
        return transit_wheel_svg(charts["ordinary"], charts["transits"], "Transits", natal_when=SF_BIRTH,
                                 theme=theme), (charts["ordinary"], charts["transits"])
    if name == "synastry":
        return synastry_wheel_svg(charts["ordinary"], charts["stellium"], "Ada", "Charles",
                                  theme=theme), (charts["ordinary"], charts["stellium"])
    return wheel_svg(charts[name], name, when=SF_BIRTH if name == "ordinary" else None, theme=theme), (charts[name],)


def texts_of(svg: str) -> list[Text]:
    found = []
    for node in ET.fromstring(svg).iter(SVG + "text"):
        tspan = node.find(SVG + "tspan")
        found.append(Text(float(node.get("x")), float(node.get("y")), float(node.get("font-size")), node.text or "",
                          node.get("fill"), node.get("text-anchor"), suffix="" if tspan is None else tspan.text))
    return found


def lines_of(svg: str) -> list[tuple[float, float, float, float]]:
    return [tuple(float(node.get(k)) for k in ("x1", "y1", "x2", "y2"))
            for node in ET.fromstring(svg).iter(SVG + "line")]


def rgb(colour: str) -> tuple[int, int, int]:
    return tuple(int(colour[k:k + 2], 16) for k in (1, 3, 5))


def near(a, b, tolerance: int) -> bool:
    return max(abs(x - y) for x, y in zip(a, b)) <= tolerance


def picture_of(svg: str):
    return Image.open(io.BytesIO(cairosvg.svg2png(bytestring=svg.encode()))).convert("RGB")


def radius_of(text: Text) -> float:
    return math.hypot(text.x - CENTRE_X, text.y - CENTRE_Y)


@pytest.mark.parametrize("variant", VARIANTS)
def test_wheel_variant_layout_ink_and_colours(charts, variant):
    svg, drawn = draw(charts, variant)
    theme = DARK if variant.endswith("dark") else LIGHT
    # Plain SVG: no styles, variables, scripts, links, external fonts or rotated text.
    for forbidden in ("<style", "var(", "<script", "href", "@font-face", "class=", "transform", "rotate"):
        assert forbidden not in svg
    texts = texts_of(svg)
    boxes = [t.box for t in texts]
    # No two labels overlap.
    for i, a in enumerate(boxes):
        for j in range(i + 1, len(boxes)):
            assert not a.overlaps(boxes[j]), (texts[i].text, texts[j].text)
    # No line crosses a label.
    for segment in lines_of(svg):
        for text, box in zip(texts, boxes):
            assert not segment_crosses(*segment, box), (segment, text.text)
    # Every label is inked in its own colour inside its box.
    picture = picture_of(svg)
    for text in texts:
        box, ink = text.box, rgb(text.fill)
        pixels = [picture.getpixel((x, y)) for x in range(math.floor(box.left), math.ceil(box.right))
                  for y in range(math.floor(box.top), math.ceil(box.bottom))]
        ground = max(set(pixels), key=pixels.count)
        reach = max(abs(a - b) for a, b in zip(ground, ink))
        assert any(near(p, ink, max(40, reach // 2)) for p in pixels), (text.text, text.fill)
    # Each sign's sector has its element's fill; its glyph is in the element's ink.
    asc = drawn[0].houses.ascendant_deg
    signs = {t.text: t for t in texts if t.text in SIGN_GLYPHS and radius_of(t) > ZODIAC_INNER}
    assert len(signs) == 12
    for sign, glyph in enumerate(SIGN_GLYPHS):
        x, y = at(sign * 30.0 + 3.0, (ZODIAC_INNER + ZODIAC_OUTER) / 2, asc)
        assert picture.getpixel((round(x), round(y))) == rgb(theme.element_fills[sign % 4])
        assert signs[glyph].fill == theme.element_inks[sign % 4]
    assert picture.getpixel((2, picture.size[1] - 2)) == rgb(theme.background)
    # Every body and point of each chart is drawn in its ring with its
    # element's ink and its degree read straight on one label.
    rings = SINGLE if len(drawn) == 1 else DOUBLE
    for chart_, band in zip(drawn, rings.bands):
        low, high = band.limit, band.tick
        in_ring = [t for t in texts if low <= radius_of(t) <= high]
        glyphs = [(t.text, t.suffix, t.fill) for t in in_ring]
        degrees = {t.text for t in in_ring}
        names = [p.name for p in chart_.points if p.name in POINT_GLYPHS] + ["south_node"]
        assert len(names) >= 17
        for point in chart_.points:
            if point.name not in POINT_GLYPHS:
                continue
            element_ink = theme.element_inks[element_of(point.longitude_deg)]
            assert (*POINT_GLYPHS[point.name], element_ink) in glyphs, point.name
            assert degree_text(point.longitude_deg, point.retrograde) in degrees, point.name
    angle_labels = {t.text for t in texts if radius_of(t) > ZODIAC_OUTER}
    assert {"AC", "DC", "MC", "IC"} <= angle_labels


@pytest.mark.parametrize("variant, expected", [
    ("ordinary-light", ["1987-09-18 14:30 PDT (1987-09-18 21:30 UT)", "37°46′N 122°25′W",
                        "Tropical zodiac · Placidus houses"]),
    ("polar-dark", ["Tropical zodiac · Porphyry houses (Placidus has no cusps at this latitude)", "69°39′N 18°58′E"]),
    ("sidereal-light", ["Sidereal zodiac (Lahiri, ayanamsha 23°", "Whole Sign houses"]),
    ("transits-dark", ["Natal", "Transits", "2026-01-01 12:00 UT"]),
])
def test_header_states_birth_data_and_settings(charts, variant, expected):
    svg, _ = draw(charts, variant)
    header = " | ".join(t.text for t in texts_of(svg) if t.y < 140)
    for piece in expected:
        assert piece in header


def test_tables_list_positions_houses_and_cusps(charts):
    svg, _ = draw(charts, "ordinary-light")
    texts = texts_of(svg)
    result = charts["ordinary"]
    right = [t for t in texts if t.x > CENTRE_X + ZODIAC_OUTER + 40]
    for point in result.points:
        if point.name not in POINT_GLYPHS:
            continue
        row = [t for t in right if t.text == degree_text(point.longitude_deg)]
        assert row, point.name
        same_line = {t.text for t in right if abs(t.y - row[0].y) < 1.0}
        assert SIGN_GLYPHS[int(point.longitude_deg // 30)] in same_line
        assert str(result.houses.house_of(point.longitude_deg)) in same_line
        assert ("℞" in same_line) == point.retrograde
    for cusp in result.houses.cusps_deg:
        assert any(t.text == degree_text(cusp) for t in right)
    # The aspect grid holds one glyph per aspect between the tabled points.
    glyphs = {glyph for glyph, _ in ASPECT_GLYPHS.values()}
    cells = [t for t in right if t.text in glyphs]
    tabled = {p.name for p in (*result.points, *result.angles) if p.name in POINT_GLYPHS}
    assert len(cells) == sum(1 for a in result.aspects if a.first in tabled and a.second in tabled)


def test_biwheel_puts_the_outer_chart_in_its_ring_and_cross_aspects_in_the_grid(charts):
    natal, now = charts["ordinary"], charts["transits"]
    svg = biwheel_svg(natal, now, inner_name="Natal", outer_name="Transits")
    texts = texts_of(svg)
    suns = sorted(radius_of(t) for t in texts if t.text == "☉" and radius_of(t) < ZODIAC_INNER)
    assert len(suns) == 2 and suns[0] < DOUBLE.house_inner < DOUBLE.house_outer < suns[1]
    # The outer Sun sits at its own longitude, the inner one at the natal Sun's.
    outer_sun = [t for t in texts if t.text == "☉" and radius_of(t) == suns[1]][0]
    angle = math.degrees(math.atan2(CENTRE_Y - outer_sun.y, outer_sun.x - CENTRE_X))
    expected = 180.0 + now.point("sun").longitude_deg - natal.houses.ascendant_deg
    assert abs((angle - expected + 180.0) % 360.0 - 180.0) < 10.0


def test_every_glyph_inks_as_itself_not_as_a_missing_glyph_box():
    def ink(text: str) -> bytes:
        svg = (f'<svg xmlns="http://www.w3.org/2000/svg" width="40" height="40"><rect width="40" height="40" '
               f'fill="#ffffff"/>{Text(20, 20, 24, text, "#000000").svg()}</svg>')
        svg = svg.replace("<svg ", '<svg font-family="DejaVu Sans, Segoe UI Symbol, Arial Unicode MS, sans-serif" ', 1)
        return picture_of(svg).tobytes()

    missing = ink("\U000F0000")
    blank = ink(" ")
    symbols = set(SIGN_GLYPHS) | {g for g, _ in POINT_GLYPHS.values()} | {g for g, _ in ASPECT_GLYPHS.values()} | {"℞"}
    for symbol in sorted(symbols):
        drawn = ink(symbol)
        assert drawn != missing and drawn != blank, symbol


@pytest.mark.parametrize("text, size", [("29°59′℞", 10), ("☉", 22), ("Vx", 15.4), ("♍", 26), ("Mean Lilith", 11),
                                        ("⅜", 11), ("bQ", 8), ("1987-09-18 14:30 PDT (1987-09-18 21:30 UT)", 12)])
def test_text_boxes_hold_all_their_ink(text, size):
    label = Text(200, 30, size, text, "#000000")
    svg = (f'<svg xmlns="http://www.w3.org/2000/svg" width="400" height="60" font-family="DejaVu Sans, '
           f'Segoe UI Symbol, Arial Unicode MS, sans-serif"><rect width="400" height="60" fill="#ffffff"/>'
           f'{label.svg()}</svg>')
    picture = picture_of(svg).convert("L")
    box = label.box.grown(1.0)
    inked = [(x, y) for x in range(400) for y in range(60) if picture.getpixel((x, y)) < 160]
    assert inked and all(box.left <= x <= box.right and box.top <= y <= box.bottom for x, y in inked)


def test_unknown_theme_is_refused(charts):
    with pytest.raises(ValueError, match="the themes are light, dark"):
        wheel_svg(charts["ordinary"], theme="sepia")


def test_close_bodies_get_labels_apart():
    labels = spread_labels([10.0, 10.5, 11.0, 359.8, 200.0])
    ordered = sorted(labels[:4], key=lambda v: (v - 340.0) % 360.0)
    gaps = [((b - a) % 360.0) for a, b in zip(ordered, ordered[1:])]
    assert min(gaps) >= 7.5 - 1e-9
    assert abs(labels[4] - 200.0) < 1e-9


def test_chart_command_draws_the_wheel_with_header_and_theme(capsys):
    from orvane_tools import cli

    assert cli.main(["chart", "1987-09-18", "14:30", "--tz", "America/Los_Angeles", "--place", "37.77,-122.42",
                     "--svg", "-", "--theme", "dark"]) == 0
    svg = capsys.readouterr().out
    header = " | ".join(t.text for t in texts_of(svg) if t.y < 140)
    assert "1987-09-18 14:30 PDT (1987-09-18 21:30 UT)" in header and "Placidus houses" in header
    assert picture_of(svg).getpixel((2, 2)) == rgb(DARK.background)


@pytest.mark.parametrize("name", ["ordinary", "stellium", "polar"])
def test_header_counts_elements_and_qualities_and_gives_the_moon_phase(charts, name):
    result = charts[name]
    svg = wheel_svg(result)
    header = " | ".join(t.text for t in texts_of(svg) if t.y < 140)
    signs = [int(result.point(body).longitude_deg // 30) for body in
             ("sun", "moon", "mercury", "venus", "mars", "jupiter", "saturn", "uranus", "neptune", "pluto")]
    for k, element in enumerate(("Fire", "Earth", "Air", "Water")):
        assert f"{element} {sum(1 for s in signs if s % 4 == k)}" in header
    for k, quality in enumerate(("Cardinal", "Fixed", "Mutable")):
        assert f"{quality} {sum(1 for s in signs if s % 3 == k)}" in header
    # The illuminated fraction from the Sun's and Moon's apparent directions in space.
    sun, moon = result.point("sun"), result.point("moon")
    def unit(p):
        lon, lat = math.radians(p.longitude_deg), math.radians(p.latitude_deg)
        return (math.cos(lat) * math.cos(lon), math.cos(lat) * math.sin(lon), math.sin(lat))
    cosine = sum(a * b for a, b in zip(unit(sun), unit(moon)))
    lit = round((1.0 - cosine) / 2.0 * 100.0)
    assert re.search(rf"Moon [a-z ]+, ({lit - 1}|{lit}|{lit + 1})% lit", header)
    if name == "stellium":
        assert "Air 7" in header
