"""Apparent places of catalogue stars by ERFA: the hip2.dat row carried from
J1991.25 to J2000.0 by ERFA pmsafe, then ERFA atci13 (space motion and
parallax as pmpx, the Sun's deflection of a star at infinity as ld,
aberration as ab, IAU 2006/2000A bias-precession-nutation to the CIRS), and
the CIRS right ascension turned to the true equinox by the equation of the
origins. atci13 reads the Earth from ERFA epv00, not the kernel: the
observer differs from the kernel's Earth by a few km, well under 1 µas."""
from __future__ import annotations

import erfa
import numpy as np

MAS_PER_RAD = np.degrees(1.0) * 3600e3
HIPPARCOS_EPOCH_JD = 2448349.0625
J2000_JD = 2451545.0


def true_equatorial(rows: np.ndarray, tdb_days: np.ndarray) -> np.ndarray:
    """Unit vectors on the true equator and equinox of date, shape
    (instants, stars, 3), of hip2.dat rows (columns: HIP, ..., RA rad, Dec
    rad, parallax mas, pm RA cos Dec mas/yr, pm Dec mas/yr)."""
    ra, dec = rows[:, 4], rows[:, 5]
    pm_ra = np.radians(rows[:, 7] / 3600e3) / np.cos(dec)
    pm_dec = np.radians(rows[:, 8] / 3600e3)
    parallax = rows[:, 6] / 1e3
    ra0, dec0, pr0, pd0, px0, rv0 = erfa.pmsafe(ra, dec, pm_ra, pm_dec, parallax, np.zeros(len(rows)),
                                               HIPPARCOS_EPOCH_JD, 0.0, J2000_JD, 0.0)
    out = np.empty((len(tdb_days), len(rows), 3))
    for i, day in enumerate(tdb_days):
        ri, di, eo = erfa.atci13(ra0, dec0, pr0, pd0, px0, rv0, day, 0.0)
        out[i] = erfa.s2c(ri - eo, di)
    return out


def separation_mas(a: np.ndarray, b: np.ndarray) -> np.ndarray:
    """Angles between unit vectors along the last axis, mas."""
    cross = np.linalg.norm(np.cross(a, b), axis=-1)
    return np.arctan2(cross, np.sum(a * b, axis=-1)) * MAS_PER_RAD
