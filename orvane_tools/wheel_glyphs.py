"""The glyphs a wheel draws for signs, points and aspects, each checked to
ink in DejaVu Sans (what cairosvg and most systems find for sans-serif)."""

from __future__ import annotations

from collections.abc import Mapping

SIGN_GLYPHS = "♈♉♊♋♌♍♎♏♐♑♒♓"

#: Glyph and optional small suffix for each point a wheel draws, in drawing order.
POINT_GLYPHS: Mapping[str, tuple[str, str]] = {
    "sun": ("☉", ""), "moon": ("☽", ""), "mercury": ("☿", ""), "venus": ("♀", ""), "mars": ("♂", ""),
    "jupiter": ("♃", ""), "saturn": ("♄", ""), "uranus": ("♅", ""), "neptune": ("♆", ""), "pluto": ("♇", ""),
    "ceres": ("⚳", ""), "pallas": ("⚴", ""), "juno": ("⚵", ""), "vesta": ("⚶", ""),
    "chiron": ("⚷", ""), "pholus": ("Ph", ""),
    "true_node": ("☊", ""), "mean_node": ("☊", "m"), "south_node": ("☋", ""),
    "true_apogee": ("⚸", "t"), "mean_apogee": ("⚸", ""),
    "part_of_fortune": ("⊗", ""), "vertex": ("Vx", ""), "east_point": ("EP", ""),
    "ascendant": ("AC", ""), "midheaven": ("MC", ""),
}

POINT_NAMES: Mapping[str, str] = {
    "true_node": "True node", "mean_node": "Mean node", "south_node": "South node",
    "true_apogee": "True Lilith", "mean_apogee": "Mean Lilith", "part_of_fortune": "Fortune",
    "east_point": "East Point", "ascendant": "Ascendant", "midheaven": "Midheaven",
}

#: Glyph and family ("hard", "soft", "minor") of each aspect.
ASPECT_GLYPHS: Mapping[str, tuple[str, str]] = {
    "conjunction": ("☌", "soft"), "sextile": ("✶", "soft"), "square": ("□", "hard"),
    "trine": ("△", "soft"), "opposition": ("☍", "hard"), "semisextile": ("⊻", "minor"),
    "semisquare": ("∠", "minor"), "quintile": ("Q", "minor"), "sesquiquadrate": ("⅜", "minor"),
    "biquintile": ("bQ", "minor"), "quincunx": ("⊼", "minor"),
}


def point_label(name: str) -> str:
    """A point's name as a table shows it.

    >>> point_label("true_apogee"), point_label("mars")
    ('True Lilith', 'Mars')
    """
    return POINT_NAMES.get(name, name.replace("_", " ").capitalize())


def element_of(longitude_deg: float) -> int:
    """0 fire, 1 earth, 2 air, 3 water for the tropical or sidereal sign of a longitude.

    >>> element_of(5.0), element_of(95.0)
    (0, 3)
    """
    return int(longitude_deg % 360.0 // 30.0) % 4


def degree_text(longitude_deg: float, retrograde: bool = False) -> str:
    """Degrees and minutes within the sign, read straight, with ℞ when retrograde.

    >>> degree_text(55.999), degree_text(200.5, True)
    ('26°00′', '20°30′℞')
    """
    minutes = int(round((longitude_deg % 30.0) * 60.0))
    if minutes >= 30 * 60:
        minutes = 30 * 60 - 1
    return f"{minutes // 60:02d}°{minutes % 60:02d}′" + ("℞" if retrograde else "")
