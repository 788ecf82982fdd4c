"""Reference table for the relativistic aberration, from pyerfa (ERFA ab)."""
import pathlib

import erfa
import numpy as np

C_KM_S = 299792.458
AU_KM = 149597870.7


def write(out_dir: pathlib.Path) -> None:
    rng = np.random.default_rng(20261208)
    lines = ["px,py,pz,vx,vy,vz,sx,sy,sz,ax,ay,az"]
    for _ in range(200):
        direction = rng.normal(size=3)
        direction /= np.linalg.norm(direction)
        position = direction * rng.uniform(3e5, 5e9)  # km, the Moon's distance to Pluto's
        velocity = rng.normal(size=3) * rng.uniform(5.0, 50.0)  # km/s
        sun = rng.normal(size=3)
        sun *= rng.uniform(0.3, 40.0) * AU_KM / np.linalg.norm(sun)  # observer from the Sun, km
        v = velocity / C_KM_S
        apparent = erfa.ab(direction, v, np.linalg.norm(sun) / AU_KM, np.sqrt(1.0 - v @ v))
        lines.append(",".join(repr(float(x)) for x in [*position, *velocity, *sun, *apparent]))
    (out_dir / "aberration_erfa.csv").write_text("\n".join(lines) + "\n")
