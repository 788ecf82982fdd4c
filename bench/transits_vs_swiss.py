"""Transit and return times against the Swiss Ephemeris (Moshier's theory:
pyswisseph without planet files) on random natal charts.

Solar and lunar returns against ``swe.solcross_ut`` and ``swe.mooncross_ut``
(their UT results carried to TT by pyswisseph's own Delta T, so that the two
Delta T models cancel); transits of the other bodies against a bisection on
pyswisseph's longitudes. Prints the worst time differences by body, and
beside them the worst in arcseconds of the body's motion (the time
difference times its speed), which Moshier's own error bounds.

    python bench/transits_vs_swiss.py [charts]
"""
from __future__ import annotations

import random
import sys

import orvane
import swisseph as swe

from orvane_tools import returns, transits
from orvane_tools.chart import chart
from orvane_tools.data import default_engine

SWISS = {"sun": 0, "moon": 1, "mercury": 2, "venus": 3, "mars": 4, "jupiter": 5, "saturn": 6, "uranus": 7,
         "neptune": 8, "pluto": 9}


def swiss_crossing(body: str, target: float, near_tt: float) -> float:
    """The TT of pyswisseph's body at `target` by bisection around `near_tt`."""
    def offset(tt: float) -> float:
        return (swe.calc(tt, SWISS[body], swe.FLG_MOSEPH)[0][0] - target + 180.0) % 360.0 - 180.0
    low, high = near_tt - 0.02, near_tt + 0.02
    while offset(low) * offset(high) > 0.0:
        low, high = low - (high - low), high + (high - low)
    rising = offset(high) > offset(low)
    while high - low > 1e-9:
        middle = 0.5 * (low + high)
        if (offset(middle) < 0.0) == rising:
            low = middle
        else:
            high = middle
    return 0.5 * (low + high)


def main(count: int) -> None:
    engine = default_engine()
    rng = random.Random(5)
    worst: dict[str, tuple[float, float]] = {}

    def note(name: str, seconds: float, speed: float) -> None:
        arcsec = abs(seconds) * abs(speed) * 3600.0 / 86400.0
        old = worst.get(name, (0.0, 0.0))
        worst[name] = (max(old[0], abs(seconds)), max(old[1], arcsec))

    for _ in range(count):
        birth = rng.uniform(2433282.5, 2458849.5)  # 1950 to 2020
        place = orvane.GeodeticObserver(rng.uniform(-180, 180), rng.uniform(-60, 60))
        natal = chart(orvane.Instant.tt(birth), place, engine=engine)
        start = rng.uniform(2458849.5, 2466154.5)  # 2020 to 2040
        for found in transits.transits(natal, orvane.Instant.tt(start), orvane.Instant.tt(start + 60.0),
                                       points=["sun", "moon", "ascendant"], aspects=["conjunction", "square"],
                                       bodies=list(SWISS), engine=engine):
            speed = swe.calc(found.tt_julian_day, SWISS[found.body], swe.FLG_MOSEPH | swe.FLG_SPEED)[0][3]
            seconds = (found.tt_julian_day - swiss_crossing(found.body, found.target_deg, found.tt_julian_day)) * 86400
            note(found.body, seconds, speed)
        for kind, cross in (("solar", swe.solcross_ut), ("lunar", swe.mooncross_ut)):
            ours = returns.next_return(kind, natal, orvane.Instant.tt(start), place, houses=None, engine=engine)
            near = ours.tt_julian_day - 2.0
            ut = cross(ours.natal_longitude_deg, near - swe.deltat(near), swe.FLG_MOSEPH)
            seconds = (ours.tt_julian_day - (ut + swe.deltat(ut))) * 86400.0
            note(f"{kind}_return", seconds, 1.0 if kind == "solar" else 13.2)
    print(f"{count} charts; worst |time difference| (s) and that times the body's speed (arcsec):")
    for name, (seconds, arcsec) in sorted(worst.items()):
        print(f"  {name:14s} {seconds:12.3f} s {arcsec:8.3f}\"")


if __name__ == "__main__":
    main(int(sys.argv[1]) if len(sys.argv) > 1 else 50)
