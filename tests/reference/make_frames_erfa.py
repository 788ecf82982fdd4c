"""Reference tables for the frame rotations, Earth rotation and the observer,
computed with pyerfa (the IAU SOFA routines)."""
import math
import pathlib

import erfa
import numpy as np

AS2R = erfa.DAS2R
J2000 = 2451545.0
JD_1800 = 2378496.5
JD_2200 = 2524593.5
EARTH_ROTATION_RATE = 7.292115e-5  # rad/s, the rotation rate the observer's velocity uses


def _days(rng: np.random.Generator, count: int) -> list[float]:
    return [J2000] + [float(d) for d in rng.uniform(JD_1800, JD_2200, count)]


def _bpn(tt: float, nutation: bool):
    """Bias-precession(-nutation) matrix and the obliquity it ends with."""
    gamb, phib, psib, epsa = erfa.pfw06(tt, 0.0)
    dpsi, deps = erfa.nut00b(tt, 0.0) if nutation else (0.0, 0.0)
    if not nutation:
        return erfa.pmat06(tt, 0.0), epsa
    return erfa.fw2m(gamb, phib, psib + dpsi, epsa + deps), epsa + deps


def _write(path: pathlib.Path, header: list[str], rows: list[list[float]]) -> None:
    lines = [",".join(header)] + [",".join(repr(float(v)) for v in row) for row in rows]
    path.write_text("\n".join(lines) + "\n")


def write(out_dir: pathlib.Path) -> None:
    rng = np.random.default_rng(20240611)

    rows = []
    for tt in _days(rng, 400):
        dpsi, deps = erfa.nut00b(tt, 0.0)
        rows.append([tt, dpsi, deps])
    _write(out_dir / "frames_nutation.csv", ["tt_jd", "dpsi_rad", "deps_rad"], rows)

    rows = []
    for tt in _days(rng, 100):
        for nutation in (False, True):
            bpn, eps = _bpn(tt, nutation)
            for equatorial in (True, False):
                m = bpn if equatorial else erfa.rx(eps, bpn)
                rows.append([tt, float(nutation), float(equatorial)] + [float(v) for v in np.ravel(m)])
    _write(out_dir / "frames_rotation.csv",
           ["tt_jd", "nutation", "equatorial"] + [f"m{i}{j}" for i in range(3) for j in range(3)], rows)

    rows = []
    for ut1 in _days(rng, 400):
        tt = ut1 + float(rng.uniform(-20.0, 250.0)) / 86400.0
        bpn, _ = _bpn(tt, True)
        rows.append([ut1, tt, erfa.era00(ut1, 0.0), erfa.gmst06(ut1, 0.0, tt, 0.0),
                     erfa.gst06(ut1, 0.0, tt, 0.0, bpn)])
    _write(out_dir / "frames_sidereal_time.csv", ["ut1_jd", "tt_jd", "era_rad", "gmst_rad", "gast_rad"], rows)

    rows = []
    for _ in range(300):
        position = rng.uniform(-2.0e9, 2.0e9, 3) * 10.0 ** rng.uniform(-6.0, 0.0)
        velocity = rng.uniform(-60.0, 60.0, 3)
        pv = np.zeros((), erfa.dt_pv)
        pv["p"], pv["v"] = position, velocity
        theta, phi, r, td, _, _ = (float(v) for v in erfa.pv2s(pv))
        rows.append([*position, *velocity, theta, phi, r, td])
    _write(out_dir / "frames_spherical.csv",
           ["x_km", "y_km", "z_km", "vx_km_s", "vy_km_s", "vz_km_s", "lon_rad", "lat_rad", "distance_km",
            "lon_rate_rad_per_s"], rows)

    rows = []
    for i in range(300):
        lon = float(rng.uniform(-180.0, 180.0))
        lat = [90.0, -90.0, 0.0][i] if i < 3 else float(rng.uniform(-90.0, 90.0))
        height = float(rng.uniform(-400.0, 6000.0))
        ut1 = float(rng.uniform(JD_1800, JD_2200))
        tt = ut1 + float(rng.uniform(-20.0, 250.0)) / 86400.0
        xp, yp = (float(v) for v in rng.uniform(-0.6, 0.6, 2))
        itrs = erfa.gd2gc(2, lon * erfa.DD2R, lat * erfa.DD2R, height) / 1000.0
        tirs = erfa.trxp(erfa.pom00(xp * AS2R, yp * AS2R, erfa.sp00(tt, 0.0)), itrs)
        velocity = np.array([-EARTH_ROTATION_RATE * tirs[1], EARTH_ROTATION_RATE * tirs[0], 0.0])
        bpn, _ = _bpn(tt, True)
        # Celestial to terrestrial is R3(GAST) after the bias-precession-nutation.
        c2t = erfa.rz(erfa.gst06(ut1, 0.0, tt, 0.0, bpn), bpn)
        position, velocity = erfa.trxp(c2t, tirs), erfa.trxp(c2t, velocity)
        rows.append([lon, lat, height, ut1, tt, xp, yp] + [float(v) for v in position] + [float(v) for v in velocity])
    _write(out_dir / "frames_observer.csv",
           ["lon_deg", "lat_deg", "height_m", "ut1_jd", "tt_jd", "xp_arcsec", "yp_arcsec",
            "x_km", "y_km", "z_km", "vx_km_s", "vy_km_s", "vz_km_s"], rows)


if __name__ == "__main__":
    import sys

    write(pathlib.Path(sys.argv[1]))
