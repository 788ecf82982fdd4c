"""Planet magnitudes of ``orvane_tools.events.phenomena`` against skyfield's
``planetary_magnitude`` on the same kernel (DE421) over random dates from
1900 to 2050; prints the worst difference of each planet, how many dates
differ by more than 0.01 and how many have a value on one side only.
skyfield takes the Sun at the solar-system barycentre; phenomena takes the
Sun's own place, so the phase angle and the Sun distance differ a little:
for Mercury by up to a few hundredths of a degree and 1e-2 au, and where a
formula has a step (Uranus at 3.1 degrees of phase) or a limit (Saturn at
6.5, Neptune at 1.9 before 2000) the two can fall on either side of it.

    python bench/magnitudes_vs_skyfield.py [dates]
"""
from __future__ import annotations

import math
import pathlib
import random
import sys

import orvane
import skyfield_data
from skyfield import api
from skyfield.magnitudelib import planetary_magnitude

from orvane_tools import data
from orvane_tools.events import phenomena


def main(count: int) -> None:
    kernel = pathlib.Path(skyfield_data.__file__).parent / "data" / "de421.bsp"
    engine = data.default_engine(kernel, planet_centres=False, small_bodies=False, centaurs=False)
    eph, ts = api.load_file(str(kernel)), api.load.timescale(builtin=True)
    rng = random.Random(3)
    days = [rng.uniform(2415020.5, 2469807.5) for _ in range(count)]
    for name, code in (("mercury", 1), ("venus", 2), ("mars", 4), ("jupiter", 5), ("saturn", 6), ("uranus", 7),
                       ("neptune", 8)):
        worst, over, none, one_side = 0.0, 0, 0, 0
        for day in days:
            ours = phenomena(engine, code, orvane.Instant.tt(day)).magnitude
            theirs = float(planetary_magnitude(eph["earth"].at(ts.tt_jd(day)).observe(eph[code])))
            if ours is None or math.isnan(theirs):
                none += ours is None and math.isnan(theirs)
                one_side += (ours is None) != math.isnan(theirs)
                continue
            worst = max(worst, abs(ours - theirs))
            over += abs(ours - theirs) > 0.01
        print(f"{name:8s} worst {worst:.5f} mag, {over} of {count} dates over 0.01, {none} without a value in both, "
              f"{one_side} on one side only")


if __name__ == "__main__":
    main(int(sys.argv[1]) if len(sys.argv) > 1 else 2000)
