"""Apparent places by an independent chain: a kernel read by jplephem, light
time iterated to convergence, light deflection by Jupiter, Saturn and the Sun
with ERFA ld (each body taken back to the moment the light passed it, as ERFA
ldn does), ERFA ab, and the IAU 2006/2000A bias-precession-nutation matrix of
ERFA pnm06a. Vectorised over instants; positions in km, days TDB."""
from __future__ import annotations

import erfa
import numpy as np
from jplephem.spk import SPK

C_KM_S = 299792.458
AU_KM = 149597870.7
DAY_S = 86400.0
# Jupiter and Saturn systems and the Sun: mass in solar masses, limiter.
DEFLECTORS = [(5, 1.0 / 1047.3486, 3e-9), (6, 1.0 / 3497.898, 3e-10), (10, 1.0, 6e-6)]


class Chain:
    def __init__(self, kernel_path: str) -> None:
        self.kernel = SPK.open(kernel_path)
        self.pairs = {(s.center, s.target): s for s in self.kernel.segments}

    def close(self) -> None:
        self.kernel.close()

    def barycentric(self, code: int, jd: np.ndarray, jd2: np.ndarray | float = 0.0) -> tuple[np.ndarray, np.ndarray]:
        """Barycentric position (km) and velocity (km/s) of a body at the day
        jd + jd2 (two parts: a light time kept apart from the day), shape (n, 3)."""
        position = np.zeros((len(jd), 3))
        velocity = np.zeros((len(jd), 3))
        while code != 0:
            center = next(c for (c, t) in self.pairs if t == code)
            p, v = self.pairs[(center, code)].compute_and_differentiate(jd, jd2)
            position += p.T
            velocity += v.T / DAY_S
            code = center
        return position, velocity

    def apparent_equatorial(self, code: int, jd: np.ndarray, origin: int = 399) -> np.ndarray:
        """Unit vectors of the apparent direction on the true equator and
        equinox of date, shape (n, 3)."""
        observer, observer_velocity = self.barycentric(origin, jd)
        target, _ = self.barycentric(code, jd)
        tau = np.linalg.norm(target - observer, axis=1) / C_KM_S
        for _ in range(10):
            target, _ = self.barycentric(code, jd, -tau / DAY_S)
            tau = np.linalg.norm(target - observer, axis=1) / C_KM_S
        p = target - observer
        direction = p / np.linalg.norm(p, axis=1)[:, None]
        for body, mass, limiter in DEFLECTORS:
            if code == body or origin == body or (100 <= code < 1000 and code // 100 == body and body != 10):
                continue
            position, velocity = self.barycentric(body, jd)
            toward = observer - position
            dt = np.minimum(np.sum(direction * toward, axis=1) / C_KM_S, 0.0)
            position = position + dt[:, None] * velocity
            e = observer - position
            em = np.linalg.norm(e, axis=1)
            q = target - position
            q /= np.linalg.norm(q, axis=1)[:, None]
            direction = erfa.ld(mass, direction, q, e / em[:, None], em / AU_KM, limiter)
        sun, _ = self.barycentric(10, jd)
        s = np.linalg.norm(observer - sun, axis=1) / AU_KM
        s[s == 0.0] = np.inf  # at the Sun's centre: no dilation term
        v = observer_velocity / C_KM_S
        bm1 = np.sqrt(1.0 - np.sum(v * v, axis=1))
        direction = erfa.ab(direction, v, s, bm1)
        matrix = erfa.pnm06a(jd, 0.0)
        return np.einsum("nij,nj->ni", matrix, direction)

    @staticmethod
    def ecliptic(equatorial: np.ndarray, jd: np.ndarray) -> np.ndarray:
        """Rotated from the true equator to the true ecliptic of date."""
        _, deps = erfa.nut06a(jd, 0.0)
        eps = erfa.obl06(jd, 0.0) + deps
        c, s = np.cos(eps), np.sin(eps)
        x, y, z = equatorial.T
        return np.stack([x, c * y + s * z, -s * y + c * z], axis=1)


def angles_deg(vectors: np.ndarray) -> tuple[np.ndarray, np.ndarray]:
    """Longitude in [0, 360) and latitude of unit vectors, degrees."""
    lon = np.degrees(np.arctan2(vectors[:, 1], vectors[:, 0])) % 360.0
    lat = np.degrees(np.arcsin(np.clip(vectors[:, 2], -1.0, 1.0)))
    return lon, lat


def separation_mas(lon1, lat1, lon2, lat2) -> np.ndarray:
    """Angle between two directions given in degrees, milliarcseconds."""
    a = np.stack([np.cos(np.radians(lat1)) * np.cos(np.radians(lon1)),
                  np.cos(np.radians(lat1)) * np.sin(np.radians(lon1)), np.sin(np.radians(lat1))], axis=-1)
    b = np.stack([np.cos(np.radians(lat2)) * np.cos(np.radians(lon2)),
                  np.cos(np.radians(lat2)) * np.sin(np.radians(lon2)), np.sin(np.radians(lat2))], axis=-1)
    return np.degrees(np.arctan2(np.linalg.norm(np.cross(a, b), axis=-1), np.sum(a * b, axis=-1))) * 3.6e6
