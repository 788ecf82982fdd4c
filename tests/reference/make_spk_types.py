"""Crafted kernels of SPK Types 3, 13 and 21 and CSPICE's states from them.

Types 3 and 13 are written by CSPICE's own writers (spkw03, spkw13); Type 21,
which has no writer in spiceypy, by the test suite's DAF writer. The states of
each segment's target relative to its center come from CSPICE reading the same
file (spkgeo), at random epochs, record and state epochs, and the midpoints
between consecutive state epochs.

Writes spk_type<N>.bsp for N in 3, 13, 21 and spk_types_states.csv with columns
type, target, center, epoch (TDB seconds past J2000), x, y, z (km), vx, vy, vz (km/s).
"""
import pathlib
import sys

import numpy as np
import spiceypy

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "python"))
import daf_writer  # noqa: E402

CENTER = 10


def _orbit(t):
    """An eccentric orbit-like path, km and km/s, smooth but no polynomial."""
    x = np.array([4.1e8 * np.cos(t / 3.1e6), 3.2e8 * np.sin(t / 2.9e6), 1.1e8 * np.sin(t / 4.7e6 + 0.3)])
    v = np.array([-4.1e8 / 3.1e6 * np.sin(t / 3.1e6), 3.2e8 / 2.9e6 * np.cos(t / 2.9e6),
                  1.1e8 / 4.7e6 * np.cos(t / 4.7e6 + 0.3)])
    return x, v


def _type3(path, rng):
    """Two segments of Chebyshev position and velocity records fitted to the orbit."""
    handle = spiceypy.spkopn(str(path), "type 3", 0)
    epochs = []
    for target, degree, intlen, count in ((2000001, 12, 8 * 86400.0, 40), (2000002, 4, 86400.0, 150)):
        btime = -1.0e8 + 1234.5
        records = []
        for k in range(count):
            mid, radius = btime + (k + 0.5) * intlen, intlen / 2
            nodes = np.cos(np.pi * (np.arange(degree + 1) + 0.5) / (degree + 1))
            x, v = _orbit(mid + radius * nodes)
            record = [mid, radius]
            for values in (*x, *v):
                record += list(np.polynomial.chebyshev.chebfit(nodes, values, degree))
            records += record
        spiceypy.spkw03(handle, target, CENTER, "J2000", btime, btime + count * intlen, f"type 3 {target}",
                        intlen, count, degree, records, btime)
        end = btime + count * intlen
        epochs.append((target, [btime, end, *(btime + intlen * np.arange(1, count)), *rng.uniform(btime, end, 300)]))
    spiceypy.spkcls(handle)
    return epochs


def _type13(path, rng):
    """Two segments of unequally spaced states, an even and an odd window."""
    handle = spiceypy.spkopn(str(path), "type 13", 0)
    epochs = []
    for target, degree, count in ((2000001, 7, 250), (2000002, 9, 130)):
        times = -2.0e8 + np.cumsum(rng.uniform(0.5, 2.0, count) * 86400.0)
        states = [np.concatenate(_orbit(t)) for t in times]
        spiceypy.spkw13(handle, target, CENTER, "J2000", times[0], times[-1], f"type 13 {target}", degree, count,
                        states, times)
        middles = (times[1:] + times[:-1]) / 2
        epochs.append((target, [*times, *middles, *rng.uniform(times[0], times[-1], 300)]))
    spiceypy.spkcls(handle)
    return epochs


def _type21_records(rng, count, dimension, start):
    """Modified difference lines with plausible scales; their final epochs."""
    words, finals = [], []
    t = start
    for _ in range(count):
        step = rng.uniform(2.0, 6.0) * 86400.0
        final = t + step
        kqmax1 = int(rng.integers(max(2, dimension - 4), dimension + 2))
        kq = [int(rng.integers(1, kqmax1)) for _ in range(3)]
        g = list(np.cumsum(rng.uniform(0.8, 1.2, dimension) * step))
        x, v = _orbit(final)
        reference = [x[0], v[0], x[1], v[1], x[2], v[2]]
        dt = []
        for i in range(3):
            dt += list(rng.uniform(-1, 1, dimension) * 1e-4 * np.abs(x[i]) / step ** 2 / 10.0 ** np.arange(dimension))
        words += [final, *g, *reference, *dt, float(kqmax1), *map(float, kq)]
        finals.append(final)
        t = final
    return words, finals


def _type21(path, rng):
    """Two segments, of 15 and 25 difference-line terms; the first needs its epoch directory."""
    segments, epochs = [], []
    for target, dimension, count in ((2000001, 15, 260), (2000002, 25, 40)):
        start = -3.0e8
        records, finals = _type21_records(rng, count, dimension, start)
        directory = finals[99::100][: (count - 1) // 100]
        words = records + finals + directory + [float(dimension), float(count)]
        segments.append(daf_writer.Segment(target, CENTER, start, finals[-1], words, data_type=21,
                                           name=f"type 21 {target}".encode()))
        epochs.append((target, [start, *finals, *rng.uniform(start, finals[-1], 300)]))
    data = daf_writer.spk_bytes(segments)
    path.write_bytes(data + bytes(-len(data) % daf_writer.RECORD))  # CSPICE reads whole records
    return epochs


def write(out_dir: pathlib.Path) -> None:
    rng = np.random.default_rng(13)
    rows = []
    for data_type, make in ((3, _type3), (13, _type13), (21, _type21)):
        path = out_dir / f"spk_type{data_type}.bsp"
        path.unlink(missing_ok=True)
        epochs = make(path, rng)
        spiceypy.furnsh(str(path))
        try:
            for target, times in epochs:
                for t in times:
                    state, _ = spiceypy.spkgeo(target, float(t), "J2000", CENTER)
                    rows.append((data_type, target, CENTER, float(t), *state))
        finally:
            spiceypy.unload(str(path))
    with open(out_dir / "spk_types_states.csv", "w") as out:
        out.write("type,target,center,epoch,x,y,z,vx,vy,vz\n")
        for row in rows:
            out.write(",".join(repr(float(v)) for v in row) + "\n")


if __name__ == "__main__":
    write(pathlib.Path(sys.argv[1]))
