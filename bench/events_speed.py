"""Speed of each event kind against skyfield, over the same year and kernel
(DE421), in one run: wall time of one search each, best of three. The
horizon rows take every rise, set, upper and lower transit of the year in
one call (Engine.horizon_events, Engine.star_horizon_events) beside
skyfield's risings alone, then beside its risings, settings and transits.

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
from skyfield.api import Star, load, load_file, wgs84  # noqa: E402

from skyfield.units import Angle  # noqa: E402

from orvane_tools.stars import attach_catalogue, catalogue_path  # noqa: E402

START, DAYS = 2460310.5, 365.0
SIRIUS = 32349


def sirius_star() -> Star:
    """Sirius as skyfield's Star from the same hip2 row the engine reads."""
    for line in open(catalogue_path()):
        v = line.split()
        if int(v[0]) == SIRIUS:
            return Star(ra=Angle(radians=float(v[4])), dec=Angle(radians=float(v[5])), parallax_mas=float(v[6]),
                        ra_mas_per_year=float(v[7]), dec_mas_per_year=float(v[8]), epoch=2448349.0625)
    raise LookupError(SIRIUS)


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

    u0, u1 = orvane.Instant.ut1(START), orvane.Instant.ut1(START + DAYS)
    observer_ = eph["earth"] + place

    def our_risings() -> None:  # every rise, set, upper and lower transit of the year in one call
        e.horizon_events(5, observer, u0, u1, -34 / 60)

    def their_horizon_events(target: str) -> None:
        jupiter = eph[target]
        almanac.find_risings(observer_, jupiter, t0, t1, horizon_degrees=-34 / 60)
        almanac.find_settings(observer_, jupiter, t0, t1, horizon_degrees=-34 / 60)
        almanac.find_transits(observer_, jupiter, t0, t1)

    attach_catalogue(e)
    sirius = eph["earth"] + place
    star = sirius_star()

    def their_star_events() -> None:
        almanac.find_risings(sirius, star, t0, t1, horizon_degrees=-34 / 60)
        almanac.find_settings(sirius, star, t0, t1, horizon_degrees=-34 / 60)
        almanac.find_transits(sirius, star, t0, t1)

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
        ("jupiter rise/set/transit", our_risings, lambda: their_horizon_events("jupiter barycenter")),
        ("venus rise/set/transit", lambda: e.horizon_events("venus", observer, u0, u1),
         lambda: their_horizon_events("venus")),
        ("sirius rise/set/transit", lambda: e.star_horizon_events(SIRIUS, observer, u0, u1),
         their_star_events),
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
