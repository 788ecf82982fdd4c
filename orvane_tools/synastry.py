"""Two charts together: the aspects between them and each one's points in
the other's houses (synastry), the composite chart of their midpoints, and
the Davison chart cast for the midpoint in time and place."""

from __future__ import annotations

from collections.abc import Mapping
from dataclasses import dataclass
from typing import Any

import orvane

from orvane_tools.aspects import Aspect, aspects_between, find_aspects
from orvane_tools.chart import Chart, Houses, Point, chart


def cross_aspects(first: Chart, second: Chart, orbs: Mapping[str, float | None] | None = None) -> tuple[Aspect, ...]:
    """Every aspect between a point (or angle) of `first` and one of
    `second`, with the orbs of :func:`orvane_tools.aspects.merged_orbs`;
    `Aspect.first` names the first chart's point.

    >>> a = cross_aspects(chart_a, chart_b)  # doctest: +SKIP
    """
    return aspects_between((*first.points, *first.angles), (*second.points, *second.angles), orbs)


@dataclass(frozen=True)
class Overlay:
    """A point of one chart in a house of the other."""

    point: str
    longitude_deg: float
    house: int


def house_overlay(points_of: Chart, houses_of: Chart) -> tuple[Overlay, ...]:
    """Each point and angle of `points_of` in the houses of `houses_of`
    (which must have houses).

    >>> [o.house for o in house_overlay(chart_a, chart_b)]  # doctest: +SKIP
    """
    if houses_of.houses is None:
        raise ValueError("the chart whose houses are asked for was cast without houses")
    houses = houses_of.houses
    return tuple(Overlay(p.name, p.longitude_deg, houses.house_of(p.longitude_deg))
                 for p in (*points_of.points, *points_of.angles))


@dataclass(frozen=True)
class Synastry:
    aspects: tuple[Aspect, ...]
    first_in_second: tuple[Overlay, ...]
    second_in_first: tuple[Overlay, ...]


def synastry(first: Chart, second: Chart, orbs: Mapping[str, float | None] | None = None) -> Synastry:
    """The aspects between two charts and each chart's points in the other's
    houses (left empty where the other chart has none).

    >>> both = synastry(chart_a, chart_b)  # doctest: +SKIP
    """
    return Synastry(cross_aspects(first, second, orbs),
                    house_overlay(first, second) if second.houses is not None else (),
                    house_overlay(second, first) if first.houses is not None else ())


def nearer_midpoint_deg(first: float, second: float) -> float:
    """The midpoint of two longitudes on the shorter arc between them (the
    arc from the first, when they are opposite, taken counter-clockwise).

    >>> nearer_midpoint_deg(350.0, 20.0)
    5.0
    """
    arc = (second - first) % 360.0
    return (first + (arc if arc <= 180.0 else arc - 360.0) / 2.0) % 360.0


def _mean_speed(a: float | None, b: float | None) -> float | None:
    return None if a is None or b is None else (a + b) / 2.0


def _midpoint(a: Point, b: Point) -> Point:
    return Point(a.name, nearer_midpoint_deg(a.longitude_deg, b.longitude_deg), (a.latitude_deg + b.latitude_deg) / 2.0,
                 None, _mean_speed(a.speed_deg_per_day, b.speed_deg_per_day))


def composite(first: Chart, second: Chart, orbs: Mapping[str, float | None] | None = None) -> Chart:
    """The composite chart: the nearer midpoint of each point both charts
    have, of their angles and of their house cusps; its moment is the mean of
    theirs and its place their midpoint (as for Davison), for reference only.
    Both charts must be on the same zodiac.

    >>> both = composite(chart_a, chart_b)  # doctest: +SKIP
    """
    if first.zodiac != second.zodiac:
        raise ValueError(f"the charts are on different zodiacs: {first.zodiac} and {second.zodiac}")
    theirs = {p.name: p for p in second.points}
    points = tuple(_midpoint(p, theirs[p.name]) for p in first.points if p.name in theirs)
    their_angles = {p.name: p for p in second.angles}
    angles = tuple(_midpoint(p, their_angles[p.name]) for p in first.angles if p.name in their_angles)
    houses: Houses | None = None
    if first.houses is not None and second.houses is not None:
        a, b = first.houses, second.houses
        houses = Houses(a.system if a.system == b.system else f"{a.system}/{b.system}",
                        tuple(nearer_midpoint_deg(x, y) for x, y in zip(a.cusps_deg, b.cusps_deg)),
                        nearer_midpoint_deg(a.ascendant_deg, b.ascendant_deg),
                        nearer_midpoint_deg(a.midheaven_deg, b.midheaven_deg), a.requested_system)
    ut1 = None if first.ut1_julian_day is None or second.ut1_julian_day is None else \
        (first.ut1_julian_day + second.ut1_julian_day) / 2.0
    return Chart(tt_julian_day=(first.tt_julian_day + second.tt_julian_day) / 2.0, ut1_julian_day=ut1,
                 place=midpoint_place(first.place, second.place), zodiac=first.zodiac,
                 ayanamsha_deg=(first.ayanamsha_deg + second.ayanamsha_deg) / 2.0, points=points, houses=houses,
                 aspects=find_aspects([*points, *angles], orbs), ut1_source=None, angles=angles)


def midpoint_place(first: orvane.GeodeticObserver, second: orvane.GeodeticObserver) -> orvane.GeodeticObserver:
    """The Davison place: the mean latitude and the nearer midpoint of the
    longitudes (east positive), at the mean height.

    >>> p = midpoint_place(orvane.GeodeticObserver(170.0, 10.0), orvane.GeodeticObserver(-170.0, 20.0))
    >>> round(p.longitude_east_deg, 6), p.latitude_deg
    (180.0, 15.0)
    """
    longitude = nearer_midpoint_deg(first.longitude_east_deg, second.longitude_east_deg)
    if longitude > 180.0:
        longitude -= 360.0
    return orvane.GeodeticObserver(longitude, (first.latitude_deg + second.latitude_deg) / 2.0,
                                   (first.height_m + second.height_m) / 2.0)


def davison(first: orvane.Instant, first_place: orvane.GeodeticObserver, second: orvane.Instant,
            second_place: orvane.GeodeticObserver, *, engine: orvane.Engine | None = None, **options: Any) -> Chart:
    """The Davison chart: a chart cast for the midpoint of two moments (in TT)
    at the midpoint of two places; `options` go to :func:`orvane_tools.chart.chart`.

    >>> paris, rome = orvane.GeodeticObserver(2.35, 48.85), orvane.GeodeticObserver(12.5, 41.9)
    >>> d = davison(orvane.Instant.utc(2447000.0), paris, orvane.Instant.utc(2448000.0), rome)  # doctest: +SKIP
    """
    from orvane_tools.data import default_engine

    if engine is None:
        engine = default_engine()
    tt = (engine.convert_instant(first, "tt").julian_day + engine.convert_instant(second, "tt").julian_day) / 2.0
    return chart(orvane.Instant.tt(tt), midpoint_place(first_place, second_place), engine=engine, **options)
