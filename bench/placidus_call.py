"""Where one Placidus `house_cusps` call spends its time, from Python.

Times, as CPU time of this process (the best of eight turns taken in
alternation, each of 20,000 calls over instants 0.37 day apart, as
bench/compare_peers.py does): the Python loop alone, `house_cusps` for the
Equal system (argument conversion, sidereal time, nutation, obliquity and the
result, without an iteration), for Placidus, and pyswisseph's `houses_ex`
with b"P". Run after `pip install .`:

    python bench/placidus_call.py
"""
from __future__ import annotations

import os
import time

import orvane
import swisseph as swe

PLACE = (-0.1276, 51.5072, 11.0)  # London
START = 2460000.5  # as bench/compare_peers.py
CALLS = 20_000


def per_call(function) -> float:
    start = time.process_time()
    function()
    return (time.process_time() - start) / CALLS * 1e6


def main() -> None:
    place = orvane.GeodeticObserver(*PLACE)
    cusps = orvane.house_cusps

    def loop():
        for k in range(CALLS):
            (place, START + 0.37 * k, START + 0.37 * k + 0.0008, "placidus")

    def system(name):
        def run():
            for k in range(CALLS):
                cusps(place, START + 0.37 * k, START + 0.37 * k + 0.0008, name)
        return run

    def swiss():
        for k in range(CALLS):
            swe.houses_ex(START + 0.37 * k, PLACE[1], PLACE[0], b"P")

    rows = [("python loop and arguments", loop), ("house_cusps equal", system("equal")),
            ("house_cusps placidus", system("placidus")), ("swisseph houses_ex P", swiss)]
    times = {name: float("inf") for name, _ in rows}
    for _ in range(8):  # turns in alternation: a busy spell falls on every row
        for name, run in rows:
            times[name] = min(times[name], per_call(run))
    for name, us in times.items():
        print(f"{name:<28} {us:7.3f} us/call")
    print(f"load average {os.getloadavg()[0]:.2f}")
    print(f"houses_ex / placidus        {times['swisseph houses_ex P'] / times['house_cusps placidus']:7.2f}x")


if __name__ == "__main__":
    main()
