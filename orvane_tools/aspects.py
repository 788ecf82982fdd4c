"""Aspects: the vocabulary (one table), the orbs, and the search.

An aspect holds between two points of a chart (bodies, lunar points, the
Part of Fortune, the Vertex, the East Point, the ascendant and the
midheaven) whose separation in longitude lies within the orb of its angle.
The orb allowed is the aspect's orb (``ASPECT_TABLE``, or the chart's
``orbs=`` merged over it) times the widest factor of the two points' classes
(``CLASS_ORB_FACTORS``): the luminaries take a quarter more, the computed
points half. Separations are compared at full precision, with the orb
boundary included.
"""

from __future__ import annotations

import math
from collections.abc import Iterable, Mapping, Sequence
from dataclasses import dataclass
from typing import Protocol


@dataclass(frozen=True)
class AspectKind:
    """One aspect of the vocabulary: its name, exact angle, default orb and class."""

    name: str
    angle_deg: float
    orb_deg: float
    major: bool


#: The aspect vocabulary: name, angle, default orb (degrees), major or minor.
ASPECT_TABLE: tuple[AspectKind, ...] = (
    AspectKind("conjunction", 0.0, 8.0, True),
    AspectKind("sextile", 60.0, 6.0, True),
    AspectKind("square", 90.0, 7.0, True),
    AspectKind("trine", 120.0, 8.0, True),
    AspectKind("opposition", 180.0, 8.0, True),
    AspectKind("semisextile", 30.0, 2.0, False),
    AspectKind("semisquare", 45.0, 2.0, False),
    AspectKind("quintile", 72.0, 2.0, False),
    AspectKind("sesquiquadrate", 135.0, 2.0, False),
    AspectKind("biquintile", 144.0, 2.0, False),
    AspectKind("quincunx", 150.0, 3.0, False),
)

ASPECTS_BY_NAME: Mapping[str, AspectKind] = {kind.name: kind for kind in ASPECT_TABLE}

#: Default orbs (degrees) by aspect name, from ASPECT_TABLE.
DEFAULT_ORBS: Mapping[str, float] = {kind.name: kind.orb_deg for kind in ASPECT_TABLE}

#: The factor each class of point applies to an aspect's orb; a pair takes the larger.
CLASS_ORB_FACTORS: Mapping[str, float] = {"luminary": 1.25, "planet": 1.0, "angle": 1.0, "point": 0.5}

_LUMINARIES = frozenset({"sun", "moon"})
_POINTS = frozenset({"mean_node", "true_node", "mean_apogee", "true_apogee", "part_of_fortune", "vertex",
                     "east_point"})
_ANGLES = frozenset({"ascendant", "midheaven"})


def point_class(name: str) -> str:
    """The orb class of a chart point: luminary, angle, point, or planet
    (the planets and any other body).

    >>> point_class("moon"), point_class("ascendant"), point_class("true_node"), point_class("chiron")
    ('luminary', 'angle', 'point', 'planet')
    """
    if name in _LUMINARIES:
        return "luminary"
    if name in _ANGLES:
        return "angle"
    if name in _POINTS:
        return "point"
    return "planet"


def merged_orbs(orbs: Mapping[str, float | None] | None) -> dict[str, float]:
    """The default orbs with `orbs` merged over them; an orb of None leaves that
    aspect out. An unknown name or an orb that is negative or not finite is a
    ValueError naming the valid aspects.

    >>> merged_orbs({"quincunx": 3.5, "semisextile": None})["quincunx"]
    3.5
    >>> merged_orbs({"quincunks": 3})
    Traceback (most recent call last):
    ...
    ValueError: unknown aspect 'quincunks'; the aspects are conjunction, sextile, square, trine, opposition, semisextile, semisquare, quintile, sesquiquadrate, biquintile, quincunx
    """
    merged: dict[str, float] = dict(DEFAULT_ORBS)
    for name, orb in (orbs or {}).items():
        if name not in ASPECTS_BY_NAME:
            valid = ", ".join(kind.name for kind in ASPECT_TABLE)
            raise ValueError(f"unknown aspect {name!r}; the aspects are {valid}")
        if orb is None:
            del merged[name]
            continue
        if isinstance(orb, bool) or not (isinstance(orb, (int, float)) and math.isfinite(orb) and orb >= 0.0):
            raise ValueError(f"the orb of {name} must be a finite number of degrees, at least 0, got {orb!r}")
        merged[name] = float(orb)
    return merged


class Placed(Protocol):
    """What an aspect needs of a point: its name, longitude and daily motion."""

    @property
    def name(self) -> str: ...

    @property
    def longitude_deg(self) -> float: ...

    @property
    def speed_deg_per_day(self) -> float | None: ...


@dataclass(frozen=True)
class Aspect:
    """Two points whose separation lies within the orb of an aspect.
    `applying` is True while the separation moves toward the exact angle,
    False while it moves away, None where a point's motion is unknown."""

    first: str
    second: str
    kind: str
    angle_deg: float
    separation_deg: float
    applying: bool | None = None

    @property
    def orb_deg(self) -> float:
        return abs(self.separation_deg - self.angle_deg)


def separation_deg(first: float, second: float) -> float:
    """The angle between two longitudes, 0 to 180 degrees.

    >>> separation_deg(350.0, 10.0)
    20.0
    """
    return abs((first - second + 180.0) % 360.0 - 180.0)


def applying(first: Placed, second: Placed, angle_deg: float) -> bool | None:
    """Whether the separation of two points is closing on `angle_deg` (None if a motion is unknown).

    The separation's rate is the relative motion signed by which side the
    first point stands; the orb shrinks when that rate and the separation's
    excess over the angle have opposite signs. At the exact angle the
    aspect is taken as separating.
    """
    if first.speed_deg_per_day is None or second.speed_deg_per_day is None:
        return None
    difference = (first.longitude_deg - second.longitude_deg + 180.0) % 360.0 - 180.0
    rate = math.copysign(1.0, difference) * (first.speed_deg_per_day - second.speed_deg_per_day)
    excess = abs(difference) - angle_deg
    return excess * rate < 0.0


def _candidates(kinds: Sequence[AspectKind], allowed: Mapping[str, float], factor: float
                ) -> list[list[tuple[AspectKind, float]]]:
    """For each whole degree of separation 0 to 180, the aspects (with their
    orb for `factor`) whose window reaches within a degree of it."""
    bins: list[list[tuple[AspectKind, float]]] = [[] for _ in range(181)]
    for kind in kinds:
        orb = allowed[kind.name] * factor
        low, high = max(0, math.floor(kind.angle_deg - orb) - 1), min(180, math.ceil(kind.angle_deg + orb) + 1)
        for degree in range(low, high + 1):
            bins[degree].append((kind, orb))
    return bins


def find_aspects(points: Sequence[Placed], orbs: Mapping[str, float | None] | None = None) -> tuple[Aspect, ...]:
    """Every aspect between pairs of `points`, in their order, with the orbs
    of :func:`merged_orbs` widened or narrowed by the points' classes.

    >>> from orvane_tools.chart import Point
    >>> sun, moon = Point("sun", 10.0, 0.0, 1.0, 1.0), Point("moon", 128.0, 0.0, 0.0026, 13.0)
    >>> [(a.kind, round(a.orb_deg, 1), a.applying) for a in find_aspects([sun, moon])]
    [('trine', 2.0, True)]
    """
    return _search(((first, points[j]) for i, first in enumerate(points) for j in range(i + 1, len(points))), orbs)


def aspects_between(first: Sequence[Placed], second: Sequence[Placed],
                    orbs: Mapping[str, float | None] | None = None) -> tuple[Aspect, ...]:
    """Every aspect between a point of `first` and a point of `second` (two
    charts, or a chart and the transits), first's points in the outer loop;
    `Aspect.first` names the point of `first`. Orbs as in :func:`find_aspects`.

    >>> from orvane_tools.chart import Point
    >>> natal = [Point("sun", 10.0, 0.0, 1.0, 1.0), Point("mars", 100.0, 0.0, 1.5, 0.5)]
    >>> [(a.first, a.second, a.kind) for a in aspects_between(natal, [Point("saturn", 190.0, 0.0, 9.0, 0.03)])]
    [('sun', 'saturn', 'opposition'), ('mars', 'saturn', 'square')]
    """
    return _search(((one, other) for one in first for other in second), orbs)


def _search(pairs: Iterable[tuple[Placed, Placed]], orbs: Mapping[str, float | None] | None) -> tuple[Aspect, ...]:
    """The aspects of each pair in turn, the candidate aspects looked up by
    whole degree of separation in one table per orb factor."""
    allowed = merged_orbs(orbs)
    kinds = [kind for kind in ASPECT_TABLE if kind.name in allowed]
    tables: dict[float, list[list[tuple[AspectKind, float]]]] = {}
    found: list[Aspect] = []
    for first, second in pairs:
        factor = max(CLASS_ORB_FACTORS[point_class(first.name)], CLASS_ORB_FACTORS[point_class(second.name)])
        table = tables.get(factor)
        if table is None:
            table = tables[factor] = _candidates(kinds, allowed, factor)
        separation = separation_deg(first.longitude_deg, second.longitude_deg)
        for kind, orb in table[int(separation)]:
            if abs(separation - kind.angle_deg) <= orb:
                found.append(Aspect(first.name, second.name, kind.name, kind.angle_deg, separation,
                                    applying(first, second, kind.angle_deg)))
    return tuple(found)
