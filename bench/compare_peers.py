"""orvane beside its peers, measured in one run on one machine, as ratios of
the peer's time to orvane's (above 1: orvane is faster).

Rows (DE421 throughout; the leap-second kernel and IERS EOP 20 C04 for orvane):
- apparent ecliptic of date, Sun, Moon, Mercury, Venus, Mars at 100,000 instants
  1950-2050 from one array: `positions_for_julian_days` against skyfield
  vectorised, one call per body (`earth.at(t).observe(b).apparent()
  .frame_latlon_and_rates(ecliptic_frame)`); the Moon alone likewise;
- geometric ecliptic J2000, ten bodies at 100,000 instants: against skyfield
  (`(b - earth).at(t).frame_latlon_and_rates(ecliptic_J2000_frame)`) and against
  jplephem's raw Cartesian states (no frame, no spherical conversion). DE421
  has no centres for Jupiter to Pluto: a kernel written here puts each at its
  system barycentre, and the peers use the barycentres;
- one apparent `position` of the Moon against pyswisseph `calc_ut` (Moshier,
  with speed);
- `rise_set_transit` of the Sun per day against skyfield's `find_risings`,
  `find_settings` and `find_transits` over 60 days, per day;
- `next_lunation` per event against skyfield's `moon_phases` search, per event;
- Placidus `house_cusps` against pyswisseph `houses_ex`.
It also reports the peak memory of ten bodies by one million instants from an
array beside the size of the result array.

Each row times orvane and its peer in turns (CPU time of this process, the
best of four turns each), so that a slow spell of a shared machine falls on
both sides of a ratio. Run from the repository root after `pip install .`
(Release build):
    python bench/compare_peers.py
"""
from __future__ import annotations

import os
import pathlib
import sys
import tempfile
import time

# Every library on one thread: the times are CPU time of this process, and
# idle BLAS worker threads spinning after a NumPy call would be counted
# against whatever runs next.
os.environ.setdefault("OPENBLAS_NUM_THREADS", "1")

import numpy as np  # noqa: E402

REPO = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "reference"))
sys.path.insert(0, str(REPO / "tests" / "python"))

import daf_writer  # noqa: E402
import data_files  # noqa: E402
import orvane  # noqa: E402
import swisseph as swe  # noqa: E402
from jplephem.spk import SPK  # noqa: E402
from skyfield import almanac  # noqa: E402
from skyfield.api import load, load_file, wgs84  # noqa: E402
from skyfield.framelib import ecliptic_frame, ecliptic_J2000_frame  # noqa: E402

SHA = "0" * 64  # recorded, never verified
# The rows compare one core with one core (CPU time of this process).
orvane.set_threads(1)
FIVE = ["sun", "moon", "mercury", "venus", "mars"]
OUTER = ["jupiter", "saturn", "uranus", "neptune", "pluto"]
TEN = FIVE + OUTER
SKYFIELD_NAMES = {"sun": "sun", "moon": "moon", "mercury": "mercury", "venus": "venus", "mars": "mars",
                  "jupiter": "jupiter barycenter", "saturn": "saturn barycenter", "uranus": "uranus barycenter",
                  "neptune": "neptune barycenter", "pluto": "pluto barycenter"}
# jplephem chains from the barycentre: (center, target) links.
CHAINS = {"sun": [(0, 10)], "moon": [(0, 3), (3, 301)], "mercury": [(0, 1), (1, 199)], "venus": [(0, 2), (2, 299)],
          "mars": [(0, 4), (4, 499)], "jupiter": [(0, 5)], "saturn": [(0, 6)], "uranus": [(0, 7)],
          "neptune": [(0, 8)], "pluto": [(0, 9)]}
EARTH = [(0, 3), (3, 399)]
PLACE = (-0.1276, 51.5072, 11.0)  # London
INSTANTS = 100_000


def best_of(function, repeats: int) -> float:
    """The shortest of `repeats` timed runs, in seconds."""
    best = float("inf")
    for _ in range(repeats):
        start = time.process_time()
        function()
        best = min(best, time.process_time() - start)
    return best


def best_of_both(ours, theirs, rounds: int = 4) -> tuple[float, float]:
    """The shortest timed run of each, the two taking turns: a slow spell of
    a shared machine then falls on both sides rather than on one."""
    best_ours = best_theirs = float("inf")
    for _ in range(rounds):
        best_ours = min(best_ours, best_of(ours, 1))
        best_theirs = min(best_theirs, best_of(theirs, 1))
    return best_ours, best_theirs


def centres_at_barycentres(directory: pathlib.Path) -> str:
    """A kernel putting Jupiter to Pluto (599..999) at their system barycentres."""
    start, end = (2414864.5 - 2451545.0) * 86400.0, (2471184.5 - 2451545.0) * 86400.0
    segments = [daf_writer.Segment(code * 100 + 99, code, start, end,
                                   daf_writer.linear_type2(start, end - start, 1, (0.0, 0.0, 0.0), (0.0, 0.0, 0.0),
                                                           degree=1))
                for code in range(5, 10)]
    path = directory / "centres.bsp"
    path.write_bytes(daf_writer.spk_bytes(segments))
    return str(path)


def row(rows, name: str, ours: float, theirs: float, peer: str, unit: str, scale: float) -> None:
    rows.append((name, ours * scale, theirs * scale, unit, peer, theirs / ours))


def main() -> None:
    de421 = str(data_files.de421())
    engine = orvane.open(de421, SHA, str(data_files.leap_seconds()), SHA, str(data_files.eop_c04()), SHA)
    workdir = pathlib.Path(tempfile.mkdtemp())
    engine.with_additional_kernel_file(centres_at_barycentres(workdir), SHA)
    eph = load_file(de421)
    ts = load.timescale()
    earth = eph["earth"]
    days = np.linspace(2433282.5, 2469807.5, INSTANTS)  # 1950 to 2050
    t = ts.tt_jd(days)
    rows: list[tuple] = []

    # Apparent ecliptic of date from an array.
    apparent = orvane.apparent()
    for bodies, label in [(FIVE, "apparent of date, 5 bodies x 100k"), (["moon"], "apparent of date, Moon x 100k")]:
        targets = [eph[SKYFIELD_NAMES[b]] for b in bodies]
        ours, theirs = best_of_both(
            lambda: engine.positions_for_julian_days(bodies, days, "tt", apparent),
            lambda: [earth.at(t).observe(b).apparent().frame_latlon_and_rates(ecliptic_frame) for b in targets])
        row(rows, label, ours, theirs, "skyfield", "us/position", 1e6 / (len(bodies) * INSTANTS))

    # Geometric ecliptic J2000, ten bodies.
    geometric = orvane.geometric()
    tdb = ts.tdb_jd(days)
    vectors = [eph[SKYFIELD_NAMES[b]] - earth for b in TEN]
    ours, theirs = best_of_both(lambda: engine.positions_for_julian_days(TEN, days, "tdb", geometric),
                                lambda: [v.at(tdb).frame_latlon_and_rates(ecliptic_J2000_frame) for v in vectors])
    row(rows, "geometric J2000, 10 bodies x 100k", ours, theirs, "skyfield", "us/position", 1e6 / (10 * INSTANTS))
    kernel = SPK.open(de421)

    def jplephem_states():
        def state(chain):
            p = v = 0.0
            for link in chain:
                dp, dv = kernel[link].compute_and_differentiate(days)
                p, v = p + dp, v + dv
            return p, v
        e = state(EARTH)
        return [(state(CHAINS[b])[0] - e[0]) for b in TEN]

    ours, theirs = best_of_both(lambda: engine.positions_for_julian_days(TEN, days, "tdb", geometric),
                                jplephem_states)
    row(rows, "geometric J2000, 10 bodies x 100k", ours, theirs, "jplephem (Cartesian only)", "us/position",
        1e6 / (10 * INSTANTS))

    # One apparent position against Moshier with speed.
    calls = 20_000
    instants = [orvane.Instant.ut1(2460000.5 + 0.37 * k) for k in range(365)]
    position = engine.position

    def ours_single():
        for k in range(calls):
            position("moon", instants[k % 365], apparent)

    swe.set_ephe_path(None)
    flags = swe.FLG_MOSEPH | swe.FLG_SPEED
    calc_ut = swe.calc_ut

    def theirs_single():
        for k in range(calls):
            calc_ut(2460000.5 + 0.37 * (k % 365), swe.MOON, flags)

    row(rows, "one apparent position (Moon)", *best_of_both(ours_single, theirs_single),
        "pyswisseph calc_ut Moshier", "us/call", 1e6 / calls)

    # Rise, set and transit of the Sun, per day over 60 days.
    place = orvane.GeodeticObserver(*PLACE)
    start = 2460000.5
    altitude = orvane.SUN_UPPER_LIMB_ALTITUDE_DEG

    def ours_horizon():
        for k in range(60):
            engine.rise_set_transit("sun", place, orvane.Instant.utc(start + k), altitude)

    topos = earth + wgs84.latlon(PLACE[1], PLACE[0], elevation_m=PLACE[2])
    sun = eph["sun"]
    t0, t1 = ts.ut1_jd(start), ts.ut1_jd(start + 60)

    def theirs_horizon():
        almanac.find_risings(topos, sun, t0, t1)
        almanac.find_settings(topos, sun, t0, t1)
        almanac.find_transits(topos, sun, t0, t1)

    row(rows, "rise_set_transit Sun", *best_of_both(ours_horizon, theirs_horizon),
        "skyfield find_risings+settings+transits", "us/day", 1e6 / 60)

    # Lunations: a year of new and full Moons.
    phases = almanac.moon_phases(eph)
    t0, t1 = ts.tt_jd(start), ts.tt_jd(start + 365)
    events, kinds = almanac.find_discrete(t0, t1, phases)
    per_kind = sum(1 for k in kinds if k in (0, 2))

    def ours_lunations():
        for kind in ("new_moon", "full_moon"):
            after = orvane.Instant.tt(start)
            while True:
                found = engine.next_lunation(after, kind)
                if found.julian_day > start + 365:
                    break
                after = found

    ours, theirs = best_of_both(ours_lunations, lambda: almanac.find_discrete(t0, t1, phases))
    row(rows, "next_lunation", ours / per_kind, theirs / len(events), "skyfield moon_phases", "us/event", 1e6)

    # Placidus cusps.
    calls = 20_000

    def ours_houses():
        for k in range(calls):
            orvane.house_cusps(place, start + 0.37 * k, start + 0.37 * k + 0.0008, "placidus")

    def theirs_houses():
        for k in range(calls):
            swe.houses_ex(start + 0.37 * k, PLACE[1], PLACE[0], b"P")

    row(rows, "house_cusps Placidus", *best_of_both(ours_houses, theirs_houses), "pyswisseph houses_ex",
        "us/call", 1e6 / calls)

    print(f"{'work':<36} {'orvane':>10} {'peer':>10}  {'unit':<12} {'peer / orvane':>13}  peer")
    for name, ours, theirs, unit, peer, ratio in rows:
        print(f"{name:<36} {ours:10.3f} {theirs:10.3f}  {unit:<12} {ratio:12.1f}x  {peer}")

    print(memory_of_a_million(de421, workdir))


MEMORY_CHILD = """
import sys, numpy as np, orvane
def peak_kb():  # this process's own high-water mark (ru_maxrss also counts the parent's)
    return int(next(line for line in open("/proc/self/status") if line.startswith("VmHWM")).split()[1])
engine = orvane.open(sys.argv[1], "0" * 64)
engine.with_additional_kernel_file(sys.argv[2], "0" * 64)
days = np.linspace(2433282.5, 2469807.5, 1_000_000)
engine.positions_for_julian_days(["sun"], days[:10], "tdb", orvane.geometric())
before = peak_kb()
result = engine.positions_for_julian_days(sys.argv[3].split(","), days, "tdb", orvane.geometric())
after = peak_kb()
print(f"{(after - before) / 1e3:.1f} {result.nbytes / 1e6:.1f}")
"""


def memory_of_a_million(de421: str, workdir: pathlib.Path) -> str:
    """Peak resident growth of ten bodies by one million instants from an array, in a fresh process."""
    import subprocess

    out = subprocess.run([sys.executable, "-c", MEMORY_CHILD, de421, str(workdir / "centres.bsp"), ",".join(TEN)],
                         check=True, capture_output=True, text=True).stdout.split()
    return (f"10 bodies x 1,000,000 instants from an array: peak resident growth {out[0]} MB, "
            f"result array {out[1]} MB")


if __name__ == "__main__":
    main()
