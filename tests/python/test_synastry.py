"""Synastry, composite and Davison charts: cross aspects, house overlays and
midpoints on real charts."""
from __future__ import annotations

import orvane
import pytest

from orvane_tools import synastry
from orvane_tools.aspects import separation_deg
from orvane_tools.chart import chart
from orvane_tools.data import default_engine

PARIS = orvane.GeodeticObserver(2.35, 48.85)
SYDNEY = orvane.GeodeticObserver(151.21, -33.87)


@pytest.fixture(scope="module")
def pair():
    engine = default_engine()
    return (chart(orvane.Instant.utc(2447664.1), PARIS, engine=engine),
            chart(orvane.Instant.utc(2449012.8), SYDNEY, engine=engine))


@pytest.mark.parametrize(("first", "second", "midpoint"), [
    (10.0, 20.0, 15.0), (350.0, 20.0, 5.0), (20.0, 350.0, 5.0), (10.0, 200.0, 285.0), (100.0, 100.0, 100.0),
    (0.0, 180.0, 90.0),
])
def test_nearer_midpoint(first, second, midpoint):
    assert synastry.nearer_midpoint_deg(first, second) == pytest.approx(midpoint)


def test_cross_aspects_pair_the_two_charts_both_ways(pair):
    first, second = pair
    forward = synastry.cross_aspects(first, second)
    backward = synastry.cross_aspects(second, first)
    assert {(a.first, a.second, a.kind) for a in forward} == {(a.second, a.first, a.kind) for a in backward}
    a_names = {p.name for p in (*first.points, *first.angles)}
    for aspect in forward:
        assert aspect.first in a_names
        assert aspect.separation_deg == pytest.approx(separation_deg(first.point(aspect.first).longitude_deg,
                                                                     second.point(aspect.second).longitude_deg))
    # A chart against itself: every point conjoins its own place.
    with_itself = synastry.cross_aspects(first, first)
    assert {(a.first, a.kind) for a in with_itself if a.first == a.second} == {(p.name, "conjunction")
                                                                                for p in (*first.points, *first.angles)}


def test_house_overlay_puts_each_point_in_the_other_houses(pair):
    first, second = pair
    both = synastry.synastry(first, second)
    assert second.houses is not None
    for placed in both.first_in_second:
        cusp, following = second.houses.cusps_deg[placed.house - 1], second.houses.cusps_deg[placed.house % 12]
        assert (placed.longitude_deg - cusp) % 360.0 < (following - cusp) % 360.0
    assert len(both.second_in_first) == len(second.points) + len(second.angles)
    bare = chart(orvane.Instant.utc(2449012.8), SYDNEY, houses=None)
    with pytest.raises(ValueError, match="without houses"):
        synastry.house_overlay(first, bare)


def test_composite_stands_at_the_nearer_midpoints(pair):
    first, second = pair
    together = synastry.composite(first, second)
    for point in (*together.points, *together.angles):
        a, b = first.point(point.name).longitude_deg, second.point(point.name).longitude_deg
        assert separation_deg(point.longitude_deg, a) == pytest.approx(separation_deg(point.longitude_deg, b))
        assert separation_deg(point.longitude_deg, a) <= 90.0
    assert together.houses is not None and first.houses is not None and second.houses is not None
    assert together.houses.ascendant_deg == pytest.approx(
        synastry.nearer_midpoint_deg(first.houses.ascendant_deg, second.houses.ascendant_deg))
    sidereal = chart(orvane.Instant.utc(2449012.8), SYDNEY, sidereal="lahiri")
    with pytest.raises(ValueError, match="different zodiacs"):
        synastry.composite(first, sidereal)


def test_davison_is_the_chart_of_the_midpoint_in_time_and_place():
    engine = default_engine()
    davison = synastry.davison(orvane.Instant.tt(2447664.1), PARIS, orvane.Instant.tt(2449012.8), SYDNEY,
                               engine=engine)
    assert davison.tt_julian_day == pytest.approx((2447664.1 + 2449012.8) / 2.0, abs=1e-9)
    assert davison.place.latitude_deg == pytest.approx((48.85 - 33.87) / 2.0)
    assert davison.place.longitude_east_deg == pytest.approx((2.35 + 151.21) / 2.0)
    direct = chart(orvane.Instant.tt(davison.tt_julian_day), davison.place, engine=engine)
    assert davison.point("moon").longitude_deg == direct.point("moon").longitude_deg
    # Across the date line the places meet on the shorter arc.
    east = synastry.midpoint_place(orvane.GeodeticObserver(170.0, 0.0), orvane.GeodeticObserver(-160.0, 0.0))
    assert east.longitude_east_deg == pytest.approx(-175.0)
