"""Speed of the eclipse searches over a century (1950-2050, DE421) in one
run: ours against the Swiss Ephemeris (Moshier's Sun and Moon, which reads
no file) doing the same listing, and against Skyfield's lunar eclipses on
the same kernel. Wall time of each whole search, best of three.

    python bench/eclipses_speed.py

The Swiss loops ask what our records hold: for lunar eclipses
lun_eclipse_when (kind, contacts) and lun_eclipse_how (magnitudes); for
solar ones sol_eclipse_when_glob and sol_eclipse_where (place, magnitude);
at a place sol_eclipse_when_loc (contacts, magnitude, obscuration).
"""
from __future__ import annotations

import pathlib
import sys
import time
from collections.abc import Callable

import orvane
import swisseph as swe
from skyfield import eclipselib
from skyfield.api import load, load_file

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests" / "reference"))
import data_files  # noqa: E402
from orvane_tools.data import default_engine  # noqa: E402

START, END = 2433282.5, 2469807.5  # 1950-01-01 to 2050-01-01
FLAGS = swe.FLG_MOSEPH
BERLIN = (13.4, 52.5, 34.0)


def best(run: Callable[[], int]) -> tuple[float, int]:
    times, count = [], 0
    for _ in range(3):
        t0 = time.perf_counter()
        count = run()
        times.append(time.perf_counter() - t0)
    return min(times), count


def swiss_loop(when: Callable[[float], tuple], then: Callable[[float], object] | None) -> int:
    t, count = START, 0
    while True:
        tret = when(t)[1]
        if tret[0] > END:
            return count
        if then is not None:
            then(tret[0])
        count += 1
        t = tret[0] + 1.0


def main() -> None:
    engine = default_engine(str(data_files.de421()))
    s, e = orvane.Instant(START, "tt"), orvane.Instant(END, "tt")
    place = orvane.GeodeticObserver(*BERLIN)
    ts, eph = load.timescale(builtin=True), load_file(str(data_files.de421()))
    rows = [
        ("lunar", lambda: len(engine.lunar_eclipses(s, e)),
         lambda: swiss_loop(lambda t: swe.lun_eclipse_when(t, FLAGS, 0),
                            lambda t: swe.lun_eclipse_how(t, (0.0, 0.0, 0.0), FLAGS))),
        ("solar, global", lambda: len(engine.solar_eclipses(s, e)),
         lambda: swiss_loop(lambda t: swe.sol_eclipse_when_glob(t, FLAGS, 0),
                            lambda t: swe.sol_eclipse_where(t, FLAGS))),
        ("solar, at Berlin", lambda: sum(1 for x in engine.local_solar_eclipses(place, s, e) if x[-1]),
         lambda: swiss_loop(lambda t: swe.sol_eclipse_when_loc(t, BERLIN, FLAGS), None)),
    ]
    print(f"{'search, 1950-2050':20s} {'orvane s':>9s} {'n':>4s} {'swiss s':>9s} {'n':>4s} {'swiss/orvane':>13s}")
    for name, ours, theirs in rows:
        (ours_s, ours_n), (theirs_s, theirs_n) = best(ours), best(theirs)
        print(f"{name:20s} {ours_s:9.3f} {ours_n:4d} {theirs_s:9.3f} {theirs_n:4d} {theirs_s / ours_s:13.1f}")
    ours_s, ours_n = best(rows[0][1])
    sky_s, sky_n = best(lambda: len(eclipselib.lunar_eclipses(ts.tt_jd(START), ts.tt_jd(END), eph)[0]))
    print(f"{'lunar vs Skyfield':20s} {ours_s:9.3f} {ours_n:4d} {sky_s:9.3f} {sky_n:4d} {sky_s / ours_s:13.1f}")


if __name__ == "__main__":
    main()
