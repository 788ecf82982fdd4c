"""How long calls share the interpreter: a ticker thread's longest gap during a
1,000,000-instant positions_for_julian_days call and during fifty-year event
and horizon searches, how soon Ctrl-C (SIGINT from
another process) stops such a call, and two threads each with its own Engine
against the same work done serially.

Usage: python3 bench/interpreter_lock.py
"""
from __future__ import annotations

import hashlib
import os
import pathlib
import signal
import subprocess
import sys
import threading
import time
from collections.abc import Callable

import numpy as np

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tests" / "reference"))
import data_files  # noqa: E402

import orvane  # noqa: E402

BODIES = ["sun", "moon", "mercury", "venus", "mars"]
DAYS = np.linspace(2415020.5, 2469807.5, 1_000_000)  # 1900-2050, inside DE421


def sha256(path: pathlib.Path) -> str:
    return hashlib.sha256(path.read_bytes()).hexdigest()


def open_engine() -> orvane.Engine:
    kernel = data_files.de421()
    return orvane.open(str(kernel), sha256(kernel))


def timed_engine() -> orvane.Engine:
    """An Engine with both time kernels, as the searches need."""
    kernel, tls, eop = data_files.de421(), data_files.leap_seconds(), data_files.eop_c04()
    return orvane.open(str(kernel), sha256(kernel), str(tls), sha256(tls), str(eop), sha256(eop))


def ticker_gap(call: Callable[[], object] | None = None) -> tuple[float, float]:
    engine = open_engine()
    stop = threading.Event()
    gaps: list[float] = []

    def tick() -> None:
        last = time.perf_counter()
        while not stop.is_set():
            time.sleep(0.001)
            now = time.perf_counter()
            gaps.append(now - last)
            last = now

    ticker = threading.Thread(target=tick)
    ticker.start()
    start = time.perf_counter()
    if call is None:
        engine.positions_for_julian_days(BODIES, DAYS, "tt", orvane.geometric())
    else:
        call()
    took = time.perf_counter() - start
    stop.set()
    ticker.join()
    return took, max(gaps)


def interrupt_child() -> None:
    engine = open_engine()
    print("ready", flush=True)
    try:
        engine.positions_for_julian_days(BODIES, DAYS, "tt", orvane.apparent())
        print("finished", time.time(), flush=True)
    except KeyboardInterrupt:
        print("interrupted", time.time(), flush=True)


def ctrl_c_latency() -> float | None:
    child = subprocess.Popen([sys.executable, __file__, "--interrupt-child"], stdout=subprocess.PIPE, text=True)
    assert child.stdout is not None
    assert child.stdout.readline().strip() == "ready"
    time.sleep(1.0)  # about one second into the call
    sent = time.time()
    child.send_signal(signal.SIGINT)
    outcome, at = child.stdout.readline().split()
    child.wait()
    return float(at) - sent if outcome == "interrupted" else None


def two_threads() -> tuple[float, float]:
    """Each call on one thread, so the two callers' threads are the only parallelism."""
    days = DAYS[:400_000]
    threads_before = orvane.get_threads()
    orvane.set_threads(1)
    options = orvane.apparent()
    engines = [open_engine(), open_engine()]
    for engine in engines:
        engine.positions_for_julian_days(BODIES, days[:1000], "tt", options)
    start = time.perf_counter()
    for engine in engines:
        engine.positions_for_julian_days(BODIES, days, "tt", options)
    serial = time.perf_counter() - start

    ready = threading.Barrier(2)
    spans: list[tuple[float, float]] = []

    def work() -> None:
        engine = open_engine()  # an Engine belongs to the thread that opened it
        engine.positions_for_julian_days(BODIES, days[:1000], "tt", options)
        ready.wait()
        begin = time.perf_counter()
        engine.positions_for_julian_days(BODIES, days, "tt", options)
        spans.append((begin, time.perf_counter()))

    threads = [threading.Thread(target=work) for _ in range(2)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    orvane.set_threads(threads_before)
    return serial, max(end for _, end in spans) - min(begin for begin, _ in spans)


def main() -> None:
    if "--interrupt-child" in sys.argv:
        interrupt_child()
        return
    took, gap = ticker_gap()
    print(f"1,000,000 instants x {len(BODIES)} bodies (geometric): {took:.2f} s, longest ticker gap {gap * 1000:.1f} ms")
    searcher = timed_engine()
    place = orvane.GeodeticObserver(-0.13, 51.5, 0.0)
    first, last = orvane.Instant.tt(2442413.5), orvane.Instant.tt(2460676.5)  # 1975-2025, inside both time kernels
    for label, search in (
        ("events lunar_apsis 1975-2025", lambda: searcher.events("lunar_apsis", first, last)),
        ("horizon_events moon at London 1975-2025", lambda: searcher.horizon_events("moon", place, first, last)),
    ):
        took, gap = ticker_gap(search)
        print(f"{label}: {took:.2f} s, longest ticker gap {gap * 1000:.1f} ms")
    latency = ctrl_c_latency()
    print("Ctrl-C one second into a 1,000,000-instant apparent call: "
          + ("the call ran to its end" if latency is None else f"KeyboardInterrupt after {latency * 1000:.0f} ms"))
    serial, parallel = two_threads()
    print(f"400,000 instants x {len(BODIES)} bodies (apparent) twice: serial {serial:.2f} s, "
          f"two threads with an Engine each {parallel:.2f} s ({parallel / serial:.2f} of serial) on {os.cpu_count()} cores")


if __name__ == "__main__":
    main()
