"""Transits to a natal chart and solar and lunar returns against the Swiss
Ephemeris (Moshier's theory): returns by its crossing functions, transits by
a bisection on its longitudes; and the passes of a retrograde loop."""
from __future__ import annotations

import dataclasses
from datetime import datetime, timezone

import orvane
import pytest

from orvane_tools import returns, transits
from orvane_tools.chart import Point, chart
from orvane_tools.data import default_engine
from test_chart import BODY_LIMITS, POINT_IDS, POINT_LIMITS, SWISS_IDS

swe = pytest.importorskip("swisseph")

PARIS = orvane.GeodeticObserver(2.3522, 48.8566)
BIRTH = datetime(1990, 5, 17, 12, 30, tzinfo=timezone.utc)


def _swiss_crossing(body: str, target: float, near_tt: float) -> float:
    def offset(tt: float) -> float:
        return (swe.calc(tt, SWISS_IDS[body], swe.FLG_MOSEPH)[0][0] - target + 180.0) % 360.0 - 180.0
    low, high = near_tt - 0.02, near_tt + 0.02
    while offset(low) * offset(high) > 0.0:
        low, high = low - (high - low), high + (high - low)
    rising = offset(high) > offset(low)
    while high - low > 1e-9:
        middle = 0.5 * (low + high)
        low, high = (middle, high) if (offset(middle) < 0.0) == rising else (low, middle)
    return 0.5 * (low + high)


@pytest.fixture(scope="module")
def natal():
    return chart(BIRTH, PARIS, engine=default_engine())


def test_transit_times_agree_with_swiss_longitudes(natal):
    """Every transit of a quarter year lands where pyswisseph's body reaches the
    target: within 10 s, or within Moshier's own error (the chart tests'
    limits in arcseconds) at the body's speed where it moves slowly."""
    engine = default_engine()
    found = transits.transits(natal, "2026-01-01Z", "2026-04-01Z", bodies=list(SWISS_IDS),
                              points=["sun", "moon", "ascendant", "midheaven"], engine=engine)
    assert {t.body for t in found} >= {"sun", "moon", "mercury", "venus", "mars"}
    for t in found:
        ours = engine.position(t.body, orvane.Instant.tt(t.tt_julian_day), orvane.apparent())
        assert abs((ours.longitude_deg - t.target_deg + 180.0) % 360.0 - 180.0) < 1e-6
        assert t.retrograde == (ours.longitude_speed_deg_per_day < 0.0)
        speed = abs(ours.longitude_speed_deg_per_day) * 3600.0 / 86400.0  # arcsec per second
        seconds = abs(t.tt_julian_day - _swiss_crossing(t.body, t.target_deg, t.tt_julian_day)) * 86400.0
        assert seconds < max(10.0, BODY_LIMITS[t.body] / speed), t


@pytest.mark.parametrize("kind", ["solar", "lunar"])
def test_returns_agree_with_swiss_crossings(natal, kind):
    engine = default_engine()
    cross = swe.solcross_ut if kind == "solar" else swe.mooncross_ut
    for found in returns.returns_between(kind, natal, "2024-01-01Z", "2027-01-01Z" if kind == "solar" else
                                         "2024-04-01Z", houses=None, engine=engine):
        start = found.tt_julian_day - 2.0
        ut = cross(found.natal_longitude_deg, start - swe.deltat(start), swe.FLG_MOSEPH)
        assert abs(found.tt_julian_day - (ut + swe.deltat(ut))) * 86400.0 < 10.0
        assert found.chart.point(returns.RETURN_BODIES[kind]).longitude_deg == pytest.approx(
            natal.point(returns.RETURN_BODIES[kind]).longitude_deg, abs=1e-6)


def test_a_retrograde_loop_gives_three_passes(natal):
    """Mars stood still at 6 Leo on 2024-12-06 and at 17 Cancer on 2025-02-24:
    a point at 0 Leo is met going forward, back and forward again."""
    point = Point("sun", 120.0, 0.0, None, None)
    loop = dataclasses.replace(natal, points=(point,))
    found = transits.transits(loop, "2024-10-01Z", "2025-06-01Z", bodies=["mars"], points=["sun"],
                              aspects=["conjunction"])
    assert [t.direction for t in found] == ["direct", "retrograde", "direct"]
    assert [t.when.month for t in found] == [11, 1, 4]


@pytest.mark.parametrize("node", ["mean_node", "true_node"])
def test_node_transits_land_on_their_targets(natal, node):
    engine = default_engine()
    found = transits.transits(natal, "2026-01-01Z", "2027-01-01Z", bodies=[node], engine=engine)
    assert found
    for t in found:
        at = transits.node_longitudes_deg(engine, node, [t.tt_julian_day])[0]
        assert abs((at - t.target_deg + 180.0) % 360.0 - 180.0) < 1e-5
        swiss = swe.calc(t.tt_julian_day, POINT_IDS[node], swe.FLG_MOSEPH)[0][0]
        assert abs((swiss - t.target_deg + 180.0) % 360.0 - 180.0) * 3600.0 < POINT_LIMITS[node]
    if node == "mean_node":
        assert all(t.retrograde for t in found)


def test_sidereal_chart_gives_sidereal_transits_and_returns():
    engine = default_engine()
    natal = chart(BIRTH, PARIS, sidereal="lahiri", engine=engine)
    found = transits.transits(natal, "2026-01-01Z", "2026-03-01Z", bodies=["venus"], engine=engine)
    assert found
    for t in found:
        place = engine.sidereal_position("venus", orvane.Instant.tt(t.tt_julian_day), orvane.apparent(), "lahiri")
        assert abs((place.longitude_deg - t.target_deg + 180.0) % 360.0 - 180.0) < 1e-6
    back = returns.solar_return(natal, 2026, houses=None, engine=engine)
    assert back.chart.zodiac == "lahiri"
    assert back.chart.point("sun").longitude_deg == pytest.approx(natal.point("sun").longitude_deg, abs=1e-6)
    tropical = returns.solar_return(chart(BIRTH, PARIS, engine=engine), 2026, houses=None, engine=engine)
    # The ayanamsha grew by about 36 years of precession (0.5 degree): the Sun needs half a day more.
    assert 0.4 < back.tt_julian_day - tropical.tt_julian_day < 0.6


def test_refusals(natal):
    with pytest.raises(ValueError, match="unknown aspect 'trien'"):
        transits.transits(natal, "2026-01-01Z", "2026-02-01Z", aspects=["trien"])
    with pytest.raises(ValueError, match="unknown return 'venus'"):
        returns.next_return("venus", natal, "2026-01-01Z")
    with pytest.raises(KeyError):
        transits.transits(natal, "2026-01-01Z", "2026-02-01Z", points=["ascendent"])


def test_defaults_take_what_the_chart_and_the_kernels_have():
    """A chart without houses has no angles to aspect; Chiron moves with the
    planets where the kernels serve it, and not outside its years."""
    engine = default_engine()
    bare = chart(BIRTH, PARIS, houses=None, engine=engine)
    found = transits.transits(bare, "2026-01-01Z", "2026-07-01Z", aspects=["conjunction", "opposition"],
                              engine=engine)
    assert {t.natal_point for t in found} <= set(transits.NATAL_POINTS) - {"ascendant", "midheaven"}
    assert "chiron" in {t.body for t in transits.transits(bare, "2026-01-01Z", "2030-01-01Z", bodies=None,
                                                          points=["sun", "moon", "venus", "mars"], engine=engine)}
    assert not transits._served(engine, "chiron", orvane.Instant.tt(2500000.5), orvane.Instant.tt(2500100.5))
