"""Chart wheels drawn per second: the single wheel (ordinary, stellium, polar,
sidereal; light and dark) and the bi-wheels (transits, synastry), on charts
computed once beforehand, so only the drawing is timed. Best of five passes.
With --hashes it prints the SHA-256 of each variant's SVG instead, to check
that a change to the drawing code leaves the pictures byte for byte alone.

    python bench/wheel_speed.py [--passes N] [--hashes]
"""
from __future__ import annotations

import argparse
import hashlib
import pathlib
import sys
import time
from collections.abc import Callable
from datetime import datetime, timezone
from zoneinfo import ZoneInfo

import orvane

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent))  # this checkout's orvane_tools
from orvane_tools.chart import Chart, chart  # noqa: E402
from orvane_tools.data import default_engine  # noqa: E402
from orvane_tools.wheel import synastry_wheel_svg, transit_wheel_svg, wheel_svg  # noqa: E402

BIRTH = datetime(1987, 9, 18, 14, 30, tzinfo=ZoneInfo("America/Los_Angeles"))
SAN_FRANCISCO = orvane.GeodeticObserver(-122.42, 37.77)


def charts() -> dict[str, Chart]:
    engine = default_engine()
    extra = ["chiron", "pholus"]
    return {
        "ordinary": chart(BIRTH, SAN_FRANCISCO, engine=engine, extra_bodies=extra),
        "stellium": chart(datetime(1962, 2, 4, 12, 0, tzinfo=timezone.utc), orvane.GeodeticObserver(77.21, 28.61),
                          engine=engine, extra_bodies=extra),
        "polar": chart(datetime(1990, 12, 21, 9, 0, tzinfo=timezone.utc), orvane.GeodeticObserver(18.96, 69.65),
                       engine=engine),
        "sidereal": chart(BIRTH, SAN_FRANCISCO, engine=engine, sidereal="lahiri", houses="whole_sign"),
        "transits": chart(datetime(2026, 1, 1, 12, 0, tzinfo=timezone.utc), SAN_FRANCISCO, engine=engine,
                          extra_bodies=extra),
    }


def variants(drawn: dict[str, Chart]) -> dict[str, Callable[[], str]]:
    found: dict[str, Callable[[], str]] = {}
    for name in ("ordinary", "stellium", "polar", "sidereal"):
        for theme in ("light", "dark"):
            found[f"{name}-{theme}"] = (lambda n=name, t=theme: wheel_svg(
                drawn[n], n, when=BIRTH if n == "ordinary" else None, place_name="San Francisco", theme=t))
    found["transits"] = lambda: transit_wheel_svg(drawn["ordinary"], drawn["transits"], "Transits",
                                                  natal_when=BIRTH)
    found["synastry"] = lambda: synastry_wheel_svg(drawn["ordinary"], drawn["stellium"], "Ada", "Charles",
                                                   theme="dark")
    return found


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--passes", type=int, default=5)
    parser.add_argument("--hashes", action="store_true")
    args = parser.parse_args()
    drawings = variants(charts())
    if args.hashes:
        for name, draw in drawings.items():
            print(f"{hashlib.sha256(draw().encode()).hexdigest()}  {name}")
        return
    rows = []
    for name, draw in drawings.items():
        draw()  # warm: imports and first-use caches
        best = float("inf")
        for _ in range(args.passes):
            t0 = time.process_time()
            draw()
            best = min(best, time.process_time() - t0)
        rows.append((name, best))
        print(f"{name:16} {best * 1e3:7.2f} ms CPU  {1.0 / best:7.1f} charts/s")
    total = sum(best for _, best in rows)
    print(f"{'all':16} {total / len(rows) * 1e3:7.2f} ms CPU per chart on average, "
          f"{len(rows) / total:7.1f} charts/s")


if __name__ == "__main__":
    main()
