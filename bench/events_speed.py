"""Speed of each event kind against skyfield, over the same year and kernel
(DE421), in one run: wall time of one search each, best of three.

    python bench/events_speed.py
"""
from __future__ import annotations

import pathlib
import sys
import time
from collections.abc import Callable

import orvane

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(HERE.parent / "tests" / "reference"))
import data_files  # noqa: E402
from longitude_speed import engine as make_engine  # noqa: E402
from skyfield import almanac  # noqa: E402
from skyfield.api import load, load_file, wgs84  # noqa: E402

START, DAYS = 2460310.5, 365.0


def best(run: Callable[[], object]) -> float:
    times = []
    for _ in range(3):
        t0 = time.perf_counter()
        run()
        times.append(time.perf_counter() - t0)
    return min(times)


def main() -> None:
    e = make_engine()
    eph = load_file(str(data_files.de421()))
    ts = load.timescale(builtin=True)
    t0, t1 = ts.tt_jd(START), ts.tt_jd(START + DAYS)
    s, t = orvane.Instant.tt(START), orvane.Instant.tt(START + DAYS)
    place = wgs84.latlon(51.5, -0.13)
    observer = orvane.GeodeticObserver(-0.13, 51.5, 0.0)

    def our_risings() -> None:
        after = orvane.Instant.ut1(START)
        while after.julian_day < START + DAYS:
            after = orvane.Instant.ut1(e.next_horizon_event(5, observer, after, "rise", -34 / 60).ut1_julian_day)

    cases: list[tuple[str, Callable[[], object], Callable[[], object]]] = [
        ("moon quarters", lambda: e.events("moon_quarters", s, t),
         lambda: almanac.find_discrete(t0, t1, almanac.moon_phases(eph))),
        ("mars conjunctions/oppositions", lambda: e.events("sun_conjunction", s, t, body=4),
         lambda: almanac.find_discrete(t0, t1, almanac.oppositions_conjunctions(eph, eph["mars"]))),
        ("lunar nodes", lambda: e.events("lunar_node", s, t),
         lambda: almanac.find_discrete(t0, t1, almanac.moon_nodes(eph))),
        ("jupiter risings (London)", our_risings,
         lambda: almanac.find_risings(eph["earth"] + place, eph["jupiter barycenter"], t0, t1,
                                      horizon_degrees=-34 / 60)),
    ]
    print(f"{'event':32s} {'orvane ms':>10s} {'skyfield ms':>12s} {'ratio':>7s}")
    for name, ours, theirs in cases:
        a, b = best(ours), best(theirs)
        print(f"{name:32s} {a * 1e3:10.1f} {b * 1e3:12.1f} {b / a:7.1f}x")
    for kind, body in (("station", 1), ("ingress", "sun"), ("greatest_elongation", 1), ("lunar_apsis", None),
                       ("lunar_declination", None), ("aspect", "mars"), ("longitude", "mercury")):
        print(f"{kind + ' (no skyfield search)':32s} {best(lambda: e.events(kind, s, t, body=body, angle_deg=90.0)) * 1e3:10.1f}")


if __name__ == "__main__":
    main()
