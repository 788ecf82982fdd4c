"""Reference house cusps from pyswisseph (the Swiss Ephemeris house routines).

Each row gives a moment as UT1 and TT Julian days, where TT is the UT plus the
Swiss Ephemeris's own delta T, so both sides work from the same UT1 and TT.
"""
import pathlib

import numpy as np
import swisseph as swe

JD_1800 = 2378496.5
JD_2200 = 2524593.5
SYSTEMS = {"Placidus": b"P", "Campanus": b"C", "Equal": b"E", "WholeSign": b"W"}


def write(out_dir: pathlib.Path) -> None:
    rng = np.random.default_rng(19560321)
    lines = ["system,lon_deg,lat_deg,height_m,ut1_jd,tt_jd,"
             + ",".join(f"cusp{i}" for i in range(1, 13)) + ",asc_deg,mc_deg,armc_deg"]
    for i in range(250):
        lat = [60.0, -60.0, 0.0][i] if i < 3 else float(rng.uniform(-60.0, 60.0))
        lon = float(rng.uniform(-180.0, 180.0))
        height = float(rng.uniform(-100.0, 4000.0))
        ut = float(rng.uniform(JD_1800, JD_2200))
        tt = ut + swe.deltat(ut)
        for name, code in SYSTEMS.items():
            cusps, ascmc = swe.houses_ex(ut, lat, lon, code, 0)
            values = [lon, lat, height, ut, tt, *cusps[:12], ascmc[0], ascmc[1], ascmc[2]]
            lines.append(name + "," + ",".join(repr(float(v)) for v in values))
    (out_dir / "houses_swisseph.csv").write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    import sys

    write(pathlib.Path(sys.argv[1]))
