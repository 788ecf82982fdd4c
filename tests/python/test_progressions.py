"""Secondary progressions and solar-arc directions against the Swiss
Ephemeris (Moshier's theory) at the progressed dates, and the four rules of
the progressed angles."""
from __future__ import annotations

import random

import orvane
import pytest

from orvane_tools import progressions
from orvane_tools.data import default_engine
from test_chart import BODY_LIMITS, SWISS_IDS

swe = pytest.importorskip("swisseph")


def _arcsec(a: float, b: float) -> float:
    return abs((a - b + 180.0) % 360.0 - 180.0) * 3600.0


def _cases(count: int, seed: int) -> list[tuple[float, float, orvane.GeodeticObserver]]:
    rng = random.Random(seed)
    return [(rng.uniform(2415020.5, 2455000.5), rng.uniform(1.0, 90.0) * 365.25,
             orvane.GeodeticObserver(rng.uniform(-180, 180), rng.uniform(-60, 60))) for _ in range(count)]


def test_progressed_and_directed_longitudes_agree_with_swiss_ephemeris():
    engine = default_engine()
    worst_progressed: dict[str, float] = {}
    worst_directed: dict[str, float] = {}
    for birth, age, place in _cases(40, 11):
        p = progressions.progress(orvane.Instant.tt(birth), place, orvane.Instant.tt(birth + age), engine=engine)
        assert p.progressed_tt == pytest.approx(birth + age / progressions.YEAR_DAYS["tropical"], abs=1e-9)
        swiss_natal = {n: swe.calc(birth, code, swe.FLG_MOSEPH)[0][0] for n, code in SWISS_IDS.items()}
        swiss_moved = {n: swe.calc(p.progressed_tt, code, swe.FLG_MOSEPH)[0][0] for n, code in SWISS_IDS.items()}
        swiss_arc = swiss_moved["sun"] - swiss_natal["sun"]
        directed = progressions.solar_arc_directions(p.natal, p.solar_arc_deg)
        for name in SWISS_IDS:
            worst_progressed[name] = max(worst_progressed.get(name, 0.0),
                                         _arcsec(p.chart.point(name).longitude_deg, swiss_moved[name]))
            worst_directed[name] = max(worst_directed.get(name, 0.0),
                                       _arcsec(directed.point(name).longitude_deg, swiss_natal[name] + swiss_arc))
    for name, limit in BODY_LIMITS.items():
        assert worst_progressed[name] < limit + 1.0, worst_progressed
        # The directed place carries the errors of the natal body and of the two Suns of the arc.
        assert worst_directed[name] < limit + 2.0 * BODY_LIMITS["sun"] + 1.0, worst_directed


@pytest.mark.parametrize("rule", progressions.ANGLE_RULES)
def test_progressed_angles_follow_their_rule(rule):
    engine = default_engine()
    for birth, age, place in _cases(6, 3):
        p = progressions.progress(orvane.Instant.tt(birth), place, orvane.Instant.tt(birth + age), angle_rule=rule,
                                  houses="porphyry", engine=engine)
        assert p.natal.houses is not None and p.chart.houses is not None
        assert p.chart.ut1_julian_day is not None
        cusps = orvane.house_cusps(place, p.chart.ut1_julian_day, p.progressed_tt, "porphyry")
        natal = orvane.house_cusps(place, p.natal.ut1_julian_day, birth, "porphyry")
        midheaven = p.chart.houses.midheaven_deg
        if rule == "solar_arc_mc":
            assert _arcsec(midheaven, p.natal.houses.midheaven_deg + p.solar_arc_deg) < 0.01
        elif rule == "naibod_ra":
            expected = age / progressions.YEAR_DAYS["tropical"] * 360.0 / progressions.YEAR_DAYS["tropical"]
            assert _arcsec(cusps.ramc_deg, natal.ramc_deg + expected) < 0.01
        elif rule == "true":
            ut1 = engine.convert_instant(orvane.Instant.tt(p.progressed_tt), "ut1").julian_day
            assert p.chart.ut1_julian_day == ut1
            _, angles = swe.houses_ex(ut1, place.latitude_deg, place.longitude_east_deg, b"O")
            assert _arcsec(midheaven, angles[1]) < 1.0 and _arcsec(p.chart.houses.ascendant_deg, angles[0]) < 1.0
        # The ascendant is the one of the progressed RAMC at the birth latitude.
        assert _arcsec(p.chart.houses.ascendant_deg, cusps.ascendant_deg) < 0.01
        assert p.chart.angles[0].name == "ascendant" and _arcsec(p.chart.angles[0].longitude_deg,
                                                                 cusps.ascendant_deg) < 0.01


def test_year_length_and_rule_are_checked():
    with pytest.raises(ValueError, match="angle rule"):
        progressions.progress(orvane.Instant.tt(2451545.0), orvane.GeodeticObserver(0, 0),
                              orvane.Instant.tt(2460000.0), angle_rule="placidus")
    with pytest.raises(ValueError, match="positive"):
        progressions.progressed_julian_day(2451545.0, 2460000.0, 0.0)
    # A day for a year: thirty years of 365.25 days is thirty days on.
    assert progressions.progressed_julian_day(2451545.0, 2451545.0 + 30 * 365.25, 365.25) == 2451575.0
