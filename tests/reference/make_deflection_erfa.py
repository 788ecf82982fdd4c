"""Reference table for the light deflection by one body, from pyerfa (ERFA ld)."""
import pathlib

import erfa
import numpy as np

AU_KM = 149597870.7


def _unit(v: np.ndarray) -> np.ndarray:
    return v / np.linalg.norm(v)


def write(out_dir: pathlib.Path) -> None:
    rng = np.random.default_rng(20261209)
    lines = ["px,py,pz,bx,by,bz,mass,limiter,ax,ay,az"]
    for i in range(300):
        body = _unit(rng.normal(size=3)) * rng.uniform(0.3, 10.0) * AU_KM  # from the observer, km
        if i % 3 == 0:  # targets grazing or behind the body, where the limiter acts
            target = body * rng.uniform(1.0001, 3.0) + _unit(rng.normal(size=3)) * rng.uniform(1e3, 1e6)
        else:
            target = _unit(rng.normal(size=3)) * rng.uniform(3e5, 6e9)
        mass = float(rng.choice([1.0, 0.00095, 0.00029]))
        limiter = float(rng.choice([1e-6, 3e-9]))
        e = _unit(-body)
        q = _unit(target - body)
        apparent = erfa.ld(mass, _unit(target), q, e, np.linalg.norm(body) / AU_KM, limiter)
        lines.append(",".join(repr(float(x)) for x in [*target, *body, mass, limiter, *apparent]))
    (out_dir / "deflection_erfa.csv").write_text("\n".join(lines) + "\n")
