"""Where the time of a year of transits to one chart goes: the whole search
with the targets a body never reaches left out (as orvane_tools.transits
does) and with every target searched, the number of engine longitude
searches each way, and per body the cost of one search beside the cost of a
scan of its speed over the year, which the engine repeats in every search
to cut the range at the stations, and an estimate of what one search per
body taking all of its targets would cost. Best of three.

    python bench/transits_cost.py
"""
from __future__ import annotations

import pathlib
import sys
import time
from collections.abc import Callable
from datetime import datetime, timezone

import orvane

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent))  # this checkout's orvane_tools
from orvane_tools import transits as transits_module  # noqa: E402
from orvane_tools.chart import chart  # noqa: E402
from orvane_tools.data import default_engine  # noqa: E402

START, END = orvane.Instant.utc(2461041.5), orvane.Instant.utc(2461406.5)  # 2026


def best(run: Callable[[], object], passes: int = 3) -> float:
    times = []
    for _ in range(passes):
        t0 = time.perf_counter()
        run()
        times.append(time.perf_counter() - t0)
    return min(times)


def main() -> None:
    engine = default_engine()
    natal = chart(datetime(1990, 5, 17, 12, 30, tzinfo=timezone.utc), orvane.GeodeticObserver(2.35, 48.86),
                  engine=engine)
    swept = transits_module._swept_arc
    searches = [0]

    def counting(*arguments: object) -> Callable[[float], bool]:
        on_arc = swept(*arguments)  # type: ignore[arg-type]

        def reachable(target: float) -> bool:
            searches[0] += on_arc(target)
            return on_arc(target)
        return reachable

    def every(*arguments: object) -> Callable[[float], bool]:
        def reachable(target: float) -> bool:
            searches[0] += 1
            return True
        return reachable

    for label, arc in (("targets on the swept arc", counting), ("every target", every)):
        transits_module._swept_arc = arc  # type: ignore[assignment]
        searches[0] = 0
        found = transits_module.transits(natal, START, END, engine=engine)
        count = searches[0]
        seconds = best(lambda: transits_module.transits(natal, START, END, engine=engine))
        print(f"a year of transits, {label:24}: {seconds:6.2f} s, {count:5d} longitude searches, {len(found)} transits")
    transits_module._swept_arc = swept

    # The engine's search cuts the range at the stations by scanning the
    # body's speed a day apart; its "station" search scans the same way (a day
    # apart for Mercury, two days for the others), so it stands for that scan.
    points = {p.name for p in (*natal.points, *natal.angles)}
    targets = [target for name in transits_module.NATAL_POINTS if name in points
               for aspect in transits_module.MAJOR_ASPECTS
               for target in transits_module.aspect_targets(natal.point(name).longitude_deg, aspect)]
    print(f"\n{'body':8} {'one search':>11} {'station scan':>13} {'searches':>9} {'now':>9} {'scan once':>10}")
    now_total = grouped_total = 0.0
    for body in ("sun", "moon", "mercury", "venus", "mars", "jupiter", "saturn", "uranus", "neptune", "pluto", "chiron"):
        one = best(lambda: [engine.events("longitude", START, END, body=body, angle_deg=10.0 + 37.0 * k)
                            for k in range(10)]) / 10
        scan = 0.0
        if body not in ("sun", "moon"):
            scan = best(lambda: engine.events("station", START, END, body=body)) * (1.0 if body == "mercury" else 2.0)
        on_arc = swept(engine, body, START, END, None)
        count = sum(on_arc(target) for target in targets)
        now, grouped = count * one, (scan + count * max(one - scan, 0.0)) if count else 0.0
        now_total += now
        grouped_total += grouped
        print(f"{body:8} {one * 1e3:8.2f} ms {scan * 1e3:10.2f} ms {count:9d} {now * 1e3:6.0f} ms {grouped * 1e3:7.0f} ms")
    print(f"{'all':8} {'':11} {'':13} {'':9} {now_total * 1e3:6.0f} ms {grouped_total * 1e3:7.0f} ms"
          "  (scan once: an engine search taking all of a body's targets at once, estimated)")

if __name__ == "__main__":
    main()
