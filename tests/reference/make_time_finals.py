"""The rows of the real IERS finals table (astropy-iers-data, finals2000A.all)
as skyfield's own IERS parser reads them, and UT1-UTC from a skyfield timescale
built on those rows at random UTC instants over the table.

finals_path.txt: the table's path (one line).
finals_rows.csv: utc_jd (MJD + 2400000.5), x_arcsec, y_arcsec, dut1_seconds,
one row per line holding UT1-UTC, in file order.
finals_dut1.csv: utc_jd, dut1_seconds at 2,000 random instants.
"""
import pathlib

import numpy as np
from skyfield.data import iers
from skyfield.timelib import Timescale

from data_files import eop_finals


def write(out_dir: pathlib.Path) -> None:
    path = eop_finals()
    (out_dir / "finals_path.txt").write_text(str(path) + "\n")
    with open(path, "rb") as f:
        data = iers.parse_x_y_dut1_from_finals_all(f)
    rows = ["utc_jd,x_arcsec,y_arcsec,dut1_seconds"]
    for mjd, x, y, dut1 in data:
        rows.append(f"{float(mjd) + 2400000.5!r},{float(x)!r},{float(y)!r},{float(dut1)!r}")
    (out_dir / "finals_rows.csv").write_text("\n".join(rows) + "\n")

    daily_tt, daily_delta_t, leap_dates, leap_offsets = iers.build_timescale_arrays(data["utc_mjd"], data["dut1"])
    ts = Timescale((daily_tt, daily_delta_t), leap_dates, leap_offsets)
    mjd = np.random.default_rng(11).uniform(data["utc_mjd"][0], data["utc_mjd"][-1], 2000)
    dut1 = ts.utc(1858, 11, 17.0 + mjd).dut1
    lines = ["utc_jd,dut1_seconds"] + [f"{float(m) + 2400000.5!r},{float(d)!r}" for m, d in zip(mjd, dut1)]
    (out_dir / "finals_dut1.csv").write_text("\n".join(lines) + "\n")
