"""The cost of the full IAU model beside the default one, on one core, in one run.

    python bench/full_astrometry_cost.py

One apparent `position` (Mars), five bodies at 100,000 instants from an
array, and Placidus cusps: CPU time per call, best of several rounds.
"""
from __future__ import annotations

import time
from collections.abc import Callable

import numpy as np
import orvane

from orvane_tools.data import default_engine


def best(work: Callable[[], object], calls: int, rounds: int = 5) -> float:
    """The least CPU time of `rounds` runs of `work`, per call."""
    least = float("inf")
    for _ in range(rounds):
        start = time.process_time()
        work()
        least = min(least, time.process_time() - start)
    return least / calls


def main() -> None:
    orvane.set_threads(1)
    engine = default_engine()
    observer = orvane.GeodeticObserver(48.85, 2.35, 35.0)
    instant = orvane.Instant.tt(2460000.5)
    days = np.linspace(2415020.5, 2469807.5, 100_000)
    bodies = ["sun", "moon", "mercury", "venus", "mars"]
    for model in ("standard", "full"):
        options = orvane.apparent(model=model)
        one = best(lambda: [engine.position(4, instant, options) for _ in range(2000)], 2000)
        batch = best(lambda: engine.positions_for_julian_days(bodies, days, "tt", options), 1, 3)
        cusps = best(lambda: [orvane.house_cusps(observer, 2460000.5, 2460000.5008, "placidus", model=model)
                              for _ in range(2000)], 2000)
        print(f"{model:9s} one position {one * 1e6:6.1f} us   5 bodies x 100k {batch:6.2f} s   "
              f"Placidus {cusps * 1e6:6.1f} us")


if __name__ == "__main__":
    main()
