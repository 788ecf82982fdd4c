"""Reference table for the IAU 2000A nutation and its IAU 2006 adjustment,
from pyerfa (ERFA nut00a, nut06a), over the span of DE441 and beyond."""
import pathlib

import erfa
import numpy as np

J2000 = 2451545.0
JD_MINUS_13000 = -3026604.5  # years -13200 and +17191: DE441's span
JD_PLUS_17000 = 8000016.5
JD_1550 = 2287184.5
JD_2650 = 2688976.5


def write(out_dir: pathlib.Path) -> None:
    rng = np.random.default_rng(20261208)
    days = [J2000] + [float(d) for d in rng.uniform(JD_1550, JD_2650, 300)] + \
        [float(d) for d in rng.uniform(JD_MINUS_13000, JD_PLUS_17000, 100)]
    lines = ["tt_jd,dpsi00a_rad,deps00a_rad,dpsi06a_rad,deps06a_rad"]
    for tt in days:
        dpsi00, deps00 = erfa.nut00a(tt, 0.0)
        dpsi06, deps06 = erfa.nut06a(tt, 0.0)
        lines.append(",".join(repr(float(v)) for v in (tt, dpsi00, deps00, dpsi06, deps06)))
    (out_dir / "frames_nutation_2000a.csv").write_text("\n".join(lines) + "\n")
