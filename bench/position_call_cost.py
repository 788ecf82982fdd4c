"""Cost of one Engine.position call from Python, for instruction counts.

`python bench/position_call_cost.py N` opens DE421 and makes N calls of
engine.position("moon", instant, orvane.apparent()); with N = 0 it does the
setup only. The per-call cost is the difference of two runs divided by N:

    valgrind --tool=callgrind --callgrind-out-file=/dev/null python bench/position_call_cost.py 20000
    valgrind --tool=callgrind --callgrind-out-file=/dev/null python bench/position_call_cost.py 0
"""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "reference"))
import data_files  # noqa: E402

import orvane  # noqa: E402


def main() -> None:
    calls = int(sys.argv[1]) if len(sys.argv) > 1 else 20000
    engine = orvane.open(str(data_files.de421()), "0" * 64)
    instant = orvane.Instant.tt(2459215.5)
    options = orvane.apparent()
    position = engine.position
    for _ in range(calls):
        position("moon", instant, options)


if __name__ == "__main__":
    main()
