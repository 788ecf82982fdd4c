"""Cost of one Engine.position call from Python, for instruction counts.

`python bench/position_call_cost.py N` opens DE421 and makes N calls of
engine.position("moon", instant, orvane.apparent()); with N = 0 it does the
setup only. The per-call cost is the difference of two runs divided by N:

    valgrind --tool=callgrind --callgrind-out-file=/dev/null python bench/position_call_cost.py 20000
    valgrind --tool=callgrind --callgrind-out-file=/dev/null python bench/position_call_cost.py 0

A second argument, a step in days, takes the instants in turn from 365 such
steps (as bench/compare_peers.py does with 0.37), so that calls do not
repeat the instant before and records are loaded as they are needed. A
third, `ut1`, makes UT1 instants (with the time kernels attached), as
compare_peers.py does. Callgrind's `--toggle-collect='orvane::SpkOrvane::position(int*'`
counts the engine's part alone, without the setup's variation.
"""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "reference"))
import data_files  # noqa: E402

import orvane  # noqa: E402


def main() -> None:
    calls = int(sys.argv[1]) if len(sys.argv) > 1 else 20000
    step = float(sys.argv[2]) if len(sys.argv) > 2 else 0.0
    ut1 = len(sys.argv) > 3 and sys.argv[3] == "ut1"
    sha = "0" * 64
    engine = (orvane.open(str(data_files.de421()), sha, str(data_files.leap_seconds()), sha,
                          str(data_files.eop_c04()), sha)
              if ut1 else orvane.open(str(data_files.de421()), sha))
    make = orvane.Instant.ut1 if ut1 else orvane.Instant.tt
    instants = [make(2459215.5 + step * k) for k in range(365 if step else 1)]
    options = orvane.apparent()
    position = engine.position
    for k in range(calls):
        position("moon", instants[k % len(instants)], options)


if __name__ == "__main__":
    main()
