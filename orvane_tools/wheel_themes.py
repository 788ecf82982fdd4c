"""The wheel's colour themes: plain colours only (no CSS variables or
stylesheets), so every SVG renderer paints the same picture."""

from __future__ import annotations

from collections.abc import Mapping
from dataclasses import dataclass


@dataclass(frozen=True)
class Theme:
    """The colours of a wheel. The element tuples run fire, earth, air, water;
    `aspect_inks` maps an aspect family ("hard", "soft", "minor") to its ink."""

    name: str
    background: str
    ink: str
    muted: str
    rule: str
    band: str
    angle: str
    element_fills: tuple[str, str, str, str]
    element_inks: tuple[str, str, str, str]
    aspect_inks: Mapping[str, str]


LIGHT = Theme(
    name="light", background="#ffffff", ink="#1b1b1b", muted="#5f5f5f", rule="#9a9a9a", band="#f3f1ec",
    angle="#a5281b",
    element_fills=("#fbe3d6", "#e6efd8", "#fdf6d3", "#dbe8f6"),
    element_inks=("#c0392b", "#2e7d32", "#9a7d0a", "#1f5fa8"),
    aspect_inks={"hard": "#c0392b", "soft": "#2e6fbd", "minor": "#7d8f3a"},
)

DARK = Theme(
    name="dark", background="#15171c", ink="#ececec", muted="#a8a8a8", rule="#5c6068", band="#1f232b",
    angle="#ff8a70",
    element_fills=("#4a2620", "#233a26", "#43391a", "#1e3048"),
    element_inks=("#ff8a70", "#8fd694", "#f2d16b", "#7fb4ff"),
    aspect_inks={"hard": "#ff7f6e", "soft": "#74a9ff", "minor": "#b5c96a"},
)

THEMES: Mapping[str, Theme] = {theme.name: theme for theme in (LIGHT, DARK)}


def theme_named(name: str | Theme) -> Theme:
    """A theme by name ("light" or "dark"); a Theme passes through.

    >>> theme_named("dark").background
    '#15171c'
    """
    if isinstance(name, Theme):
        return name
    try:
        return THEMES[name]
    except KeyError:
        raise ValueError(f"unknown theme {name!r}; the themes are {', '.join(THEMES)}") from None
