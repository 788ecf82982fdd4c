"""Barycentric states of every DE421 target from jplephem, at epochs spread
over the whole kernel: both ends, record boundaries of every segment and
random epochs.

Writes spk_de421_path.txt (the kernel file) and spk_de421_states.csv with
columns target, epoch (TDB seconds past J2000), x, y, z (km), vx, vy, vz (km/s).
Each target's chain of centers is walked to the barycenter (code 0) and the
segment states are summed in chain order. Every epoch is a whole multiple of
1/128 day, so that the seconds and jplephem's day fractions name the same
instant exactly.
"""
import pathlib

import numpy as np
from jplephem.spk import SPK

import data_files

SECONDS_PER_DAY = 86400.0
J2000 = 2451545.0
STEP_DAYS = 1.0 / 128.0


def _epochs_days(kernel):
    """Day offsets from J2000 (multiples of 1/128 day), sorted, without repeats."""
    rng = np.random.default_rng(421)
    start = max(s.start_jd for s in kernel.segments) - J2000
    end = min(s.end_jd for s in kernel.segments) - J2000
    days = [start, end, start + STEP_DAYS, end - STEP_DAYS]
    # Record boundaries of every segment, with their neighbours one step away.
    for segment in kernel.segments:
        init, intlen, _, n = kernel.daf.read_array(segment.end_i - 3, segment.end_i)
        init_days, intlen_days = init / SECONDS_PER_DAY, intlen / SECONDS_PER_DAY
        picks = rng.choice(np.arange(int(n) + 1), size=min(int(n) + 1, 40), replace=False)
        for k in picks:
            boundary = init_days + k * intlen_days
            days += [boundary, boundary - STEP_DAYS, boundary + STEP_DAYS]
    steps = rng.integers(0, int((end - start) / STEP_DAYS) + 1, size=1000)
    days += list(start + steps * STEP_DAYS)
    days = np.unique(np.array(days))
    return days[(days >= start) & (days <= end)]


def write(out_dir: pathlib.Path) -> None:
    path = data_files.de421()
    (out_dir / "spk_de421_path.txt").write_text(str(path) + "\n")
    kernel = SPK.open(str(path))
    try:
        by_target = {segment.target: segment for segment in kernel.segments}
        days = _epochs_days(kernel)
        whole = np.full(days.shape, J2000)
        seconds = days * SECONDS_PER_DAY
        rows = []
        for target in sorted(by_target):
            position = np.zeros((3, days.size))
            velocity = np.zeros((3, days.size))
            body = target
            while body != 0:
                segment = by_target[body]
                p, v = segment.compute_and_differentiate(whole, days)
                position = position + p
                velocity = velocity + v / SECONDS_PER_DAY
                body = segment.center
            for i in range(days.size):
                values = [seconds[i], *position[:, i], *velocity[:, i]]
                rows.append(str(target) + "," + ",".join(repr(float(value)) for value in values))
        text = "target,epoch,x,y,z,vx,vy,vz\n" + "\n".join(rows) + "\n"
        (out_dir / "spk_de421_states.csv").write_text(text)
    finally:
        kernel.close()


if __name__ == "__main__":
    import sys

    write(pathlib.Path(sys.argv[1]))
