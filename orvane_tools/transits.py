"""Transits: every moment a moving body stands at an exact aspect to a point
of a natal chart, over a range of time.

The engine's event search finds each crossing of a fixed longitude (the
natal point's longitude plus or minus the aspect's angle) on pieces where
the body moves one way, so a retrograde loop gives all three passes. The
lunar nodes, which are no bodies of the kernels, are sampled and bisected
here. Longitudes are apparent and geocentric on the true ecliptic of date,
in the natal chart's zodiac (a sidereal chart gives sidereal transits).

    >>> from datetime import datetime, timezone
    >>> import orvane
    >>> from orvane_tools.chart import chart
    >>> natal = chart(datetime(1990, 5, 17, 12, 30, tzinfo=timezone.utc), orvane.GeodeticObserver(2.35, 48.86))
    >>> found = transits(natal, "2026-01-01Z", "2026-07-01Z", bodies=["saturn"], points=["sun"])
    >>> [(t.body, t.aspect, t.natal_point) for t in found]
    [('saturn', 'sextile', 'sun')]
"""

from __future__ import annotations

import math
from collections.abc import Callable, Sequence
from dataclasses import dataclass
from datetime import datetime

import orvane

from orvane_tools.aspects import ASPECT_TABLE, ASPECTS_BY_NAME
from orvane_tools.chart import BODIES, Chart, mean_lunar_node_deg, nutation_in_longitude_deg, osculating_node_deg
from orvane_tools.data import check_covered, default_engine
from orvane_tools.dates import to_datetime, to_instant
from orvane_tools.small_bodies import require_kernels

#: The moving bodies searched unless named: the Sun to Pluto and the mean lunar node.
TRANSITING: tuple[str, ...] = (*BODIES, "mean_node")
#: Bodies searched unless others are named where the engine's kernels serve them over the range.
SERVED_EXTRAS: tuple[str, ...] = ("chiron",)
#: The lunar nodes, sampled here (the other bodies are the engine's).
NODES: tuple[str, ...] = ("mean_node", "true_node")
#: The natal points aspected unless named: the ten bodies, the ascendant and the midheaven (those the chart has).
NATAL_POINTS: tuple[str, ...] = (*BODIES, "ascendant", "midheaven")
#: The aspects searched unless named: the major ones of the aspect table.
MAJOR_ASPECTS: tuple[str, ...] = tuple(kind.name for kind in ASPECT_TABLE if kind.major)

# Sampling steps of the nodes (days): the mean node moves 0.053 degree a day
# one way; the true node swings by the Sun's pull on the lunar orbit and is
# sampled four times a day so that a turn is not stepped over.
_NODE_STEPS = {"mean_node": 5.0, "true_node": 0.25}
_NODE_DIFFERENCE_DAYS = 0.001  # half-width of the Moon's central difference for the true node
_BISECTION_DAYS = 1e-8          # ~1 ms

_When = datetime | str | float | orvane.Instant


@dataclass(frozen=True)
class Transit:
    """A moving body at an exact aspect to a natal point.

    `target_deg` is the longitude the body reaches (the natal longitude plus
    or minus the aspect's angle); `direction` is "direct" or "retrograde",
    the way the body moves as the aspect perfects.
    """

    when: datetime
    tt_julian_day: float
    body: str
    aspect: str
    natal_point: str
    natal_longitude_deg: float
    target_deg: float
    direction: str

    @property
    def retrograde(self) -> bool:
        return self.direction == "retrograde"


def aspect_targets(natal_longitude_deg: float, aspect: str) -> tuple[float, ...]:
    """The longitudes at which a body stands at `aspect` to a natal longitude:
    one for the conjunction and the opposition, two for the others.

    >>> aspect_targets(10.0, "square")
    (100.0, 280.0)
    >>> aspect_targets(10.0, "opposition")
    (190.0,)
    """
    angle = ASPECTS_BY_NAME[aspect].angle_deg
    ahead, behind = (natal_longitude_deg + angle) % 360.0, (natal_longitude_deg - angle) % 360.0
    return (ahead,) if ahead == behind else (ahead, behind)


def transits(natal: Chart, start: _When, end: _When, *, bodies: Sequence[str | int] | None = None,
             points: Sequence[str] | None = None, aspects: Sequence[str] | None = None,
             engine: orvane.Engine | None = None) -> list[Transit]:
    """Every exact aspect of the moving `bodies` (default :data:`TRANSITING`
    and Chiron where the kernels serve it; any body of the kernels,
    "mean_node", "true_node") to the natal `points` (default
    :data:`NATAL_POINTS` the chart has; any point or angle of the chart) from
    `start` to `end`, in time order. `aspects` are names of the aspect table
    (default the majors). A sidereal natal chart gives its zodiac's transits.

    >>> from datetime import datetime, timezone
    >>> from orvane_tools.chart import chart
    >>> natal = chart(datetime(1990, 5, 17, 12, 30, tzinfo=timezone.utc), orvane.GeodeticObserver(2.35, 48.86))
    >>> found = transits(natal, "2025-01-01Z", "2026-01-01Z", bodies=["mars"], points=["sun"], aspects=["square"])
    >>> [(t.when.date().isoformat(), t.direction) for t in found]
    [('2025-06-10', 'direct')]
    """
    if engine is None:
        engine = default_engine()
    names = list(aspects) if aspects is not None else list(MAJOR_ASPECTS)
    for name in names:
        if name not in ASPECTS_BY_NAME:
            raise ValueError(f"unknown aspect {name!r}; the aspects are {', '.join(ASPECTS_BY_NAME)}")
    first, last = to_instant(start), to_instant(end)
    check_covered(engine, first, last)
    sidereal = None if natal.zodiac == "tropical" else natal.zodiac
    if points is None:
        have = {point.name for point in (*natal.points, *natal.angles)}
        points = [name for name in NATAL_POINTS if name in have]
    natal_points = [natal.point(name) for name in points]
    if bodies is None:
        bodies = [*TRANSITING, *(body for body in SERVED_EXTRAS if _served(engine, body, first, last))]
    require_kernels(engine, bodies)
    found: list[Transit] = []
    for body in bodies:
        if body in NODES:
            crossings = _node_crossings(engine, str(body), first, last, sidereal)
        else:
            reachable = _swept_arc(engine, body, first, last, sidereal)

            def crossings(target: float, body: str | int = body,
                          reachable: Callable[[float], bool] = reachable) -> list[tuple[float, str]]:
                if not reachable(target):  # the body never stands there: spare the engine's search
                    return []
                return engine.events("longitude", first, last, body=body, angle_deg=target, sidereal=sidereal)
        for point in natal_points:
            for aspect in names:
                for target in aspect_targets(point.longitude_deg, aspect):
                    for tt, direction in crossings(target):
                        found.append(Transit(to_datetime(orvane.Instant.tt(tt), engine), tt, str(body), aspect,
                                             point.name, point.longitude_deg, target, direction))
    found.sort(key=lambda transit: transit.tt_julian_day)
    return found


def _swept_arc(engine: orvane.Engine, body: str | int, first: orvane.Instant, last: orvane.Instant,
               sidereal: str | None) -> Callable[[float], bool]:
    """Whether a longitude lies on the arc a body sweeps from `first` to
    `last`: its places a day apart (one batch request), followed through
    their retrograde loops, the arc widened at each end by a day's fastest
    motion so that nothing between two samples is missed. Each longitude
    search costs the engine a daily scan of the body's motion, so the
    targets a slow body never reaches (most, over a year) are not searched.

    >>> from orvane_tools.data import default_engine
    >>> on_arc = _swept_arc(default_engine(), "saturn", orvane.Instant.utc(2461041.5), orvane.Instant.utc(2461406.5), None)
    >>> on_arc(5.0), on_arc(100.0)
    (True, False)
    """
    start = engine.convert_instant(first, "tt").julian_day
    end = engine.convert_instant(last, "tt").julian_day
    count = max(1, math.ceil(end - start))
    times = [start + (end - start) * k / count for k in range(count + 1)]
    instants = [orvane.Instant.tt(tt) for tt in times]
    places = engine.positions([body], instants, orvane.apparent())
    longitudes = [float(row[0][0]) for row in places]
    if sidereal is not None:
        longitudes = [lon - engine.ayanamsha(sidereal, instant).ayanamsha_deg
                      for lon, instant in zip(longitudes, instants)]
    step = (end - start) / count
    margin = max(abs(float(row[0][3])) for row in places) * step + 0.01
    low = high = path = 0.0
    for k in range(1, len(longitudes)):
        path += _wrapped(longitudes[k] - longitudes[k - 1])
        low, high = min(low, path), max(high, path)
    width = high - low + 2.0 * margin
    if width >= 360.0:
        return lambda target: True
    origin = longitudes[0] + low - margin
    return lambda target: (target - origin) % 360.0 <= width


def _served(engine: orvane.Engine, body: str, first: orvane.Instant, last: orvane.Instant) -> bool:
    try:
        for instant in (first, last):
            engine.position(body, instant, orvane.apparent())
    except ValueError:
        return False
    return True


def node_longitudes_deg(engine: orvane.Engine, node: str, tt_julian_days: Sequence[float],
                        sidereal: str | None = None) -> list[float]:
    """The mean or true (osculating) lunar node's longitude at TT Julian days,
    as the chart gives it, in a sidereal zodiac if one is named.

    >>> from orvane_tools.data import default_engine
    >>> round(node_longitudes_deg(default_engine(), "mean_node", [2451545.0])[0], 2)
    125.04
    """
    if node == "mean_node":
        longitudes = [mean_lunar_node_deg(tt) + nutation_in_longitude_deg(tt) for tt in tt_julian_days]
    else:
        step = _NODE_DIFFERENCE_DAYS
        instants = [orvane.Instant.tt(tt + k * step) for tt in tt_julian_days for k in (-1, 0, 1)]
        moon = engine.positions(["moon"], instants, orvane.apparent())
        longitudes = [osculating_node_deg(moon[3 * i][0], moon[3 * i + 1][0], moon[3 * i + 2][0], step)
                      for i in range(len(tt_julian_days))]
    if sidereal is not None:
        longitudes = [lon - engine.ayanamsha(sidereal, orvane.Instant.tt(tt)).ayanamsha_deg
                      for lon, tt in zip(longitudes, tt_julian_days)]
    return [lon % 360.0 for lon in longitudes]


def _node_crossings(engine: orvane.Engine, node: str, first: orvane.Instant, last: orvane.Instant,
                    sidereal: str | None) -> Callable[[float], list[tuple[float, str]]]:
    """A search of the node's crossings of a longitude, over one sampling of the range."""
    start = engine.convert_instant(first, "tt").julian_day
    end = engine.convert_instant(last, "tt").julian_day
    step = _NODE_STEPS[node]
    count = max(1, int((end - start) / step) + 1)
    times = [start + (end - start) * k / count for k in range(count + 1)]
    values = node_longitudes_deg(engine, node, times, sidereal)

    def at(tt: float) -> float:
        return node_longitudes_deg(engine, node, [tt], sidereal)[0]

    def search(target: float) -> list[tuple[float, str]]:
        found: list[tuple[float, str]] = []
        offsets = [_wrapped(value - target) for value in values]
        for k in range(count):
            a, b = offsets[k], offsets[k + 1]
            if abs(a - b) > 90.0 or (a < 0.0) == (b < 0.0) and a != 0.0:
                continue
            if b == 0.0 and k + 1 < count:
                continue  # found at the start of the next interval
            low, high = times[k], times[k + 1]
            rising = b > a
            while high - low > _BISECTION_DAYS:
                middle = 0.5 * (low + high)
                if (_wrapped(at(middle) - target) < 0.0) == rising:
                    low = middle
                else:
                    high = middle
            found.append((0.5 * (low + high), "direct" if rising else "retrograde"))
        return found

    return search


def _wrapped(degrees: float) -> float:
    return (degrees + 180.0) % 360.0 - 180.0
