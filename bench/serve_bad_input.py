"""Malformed requests against a running `orvane serve`: what each got, and
whether the server still answered /v1/health after it. Prints a Markdown table.

    orvane serve --port 8765 &
    python bench/serve_bad_input.py http://127.0.0.1:8765
"""

from __future__ import annotations

import http.client
import json
import socket
import sys
import time
import urllib.parse

CHART = "date=1990-05-17&time=14:30&tz=Europe/Paris&place=48.8566,2.3522"
# (what, method, path with query, body)
REQUESTS: list[tuple[str, str, str, bytes | None]] = [
    ("bad time", "GET", "/v1/chart?" + CHART.replace("14:30", "25:61"), None),
    ("impossible date", "GET", "/v1/chart?" + CHART.replace("05-17", "02-30"), None),
    ("date in another form", "GET", "/v1/chart?" + CHART.replace("1990-05-17", "17/05/1990"), None),
    ("unknown zone", "GET", "/v1/chart?" + CHART.replace("Europe/Paris", "Mars/Olympus"), None),
    ("offset out of range", "GET", "/v1/chart?" + CHART.replace("Europe/Paris", "%2B25:00"), None),
    ("longitude first", "GET", "/v1/chart?" + CHART.replace("48.8566,2.3522", "2.35E,48.85N"), None),
    ("latitude 91", "GET", "/v1/chart?" + CHART.replace("48.8566,2.3522", "91,0"), None),
    ("NaN place", "GET", "/v1/chart?" + CHART.replace("48.8566,2.3522", "nan,0"), None),
    ("a path as place", "GET", "/v1/chart?" + CHART.replace("48.8566,2.3522", "../../etc/passwd"), None),
    ("kernel from the request", "GET", "/v1/chart?" + CHART + "&kernel=/tmp/evil.bsp", None),
    ("misspelt house system", "GET", "/v1/chart?" + CHART + "&houses=placidos", None),
    ("date outside the kernel", "GET", "/v1/chart?" + CHART.replace("1990", "1500"), None),
    ("missing place", "GET", "/v1/chart?date=1990-05-17&time=14:30", None),
    ("fold not a number", "GET", "/v1/chart?" + CHART + "&fold=two", None),
    ("unknown body", "GET", "/v1/positions?bodies=sun,vulcan&at=2000-01-01", None),
    ("time in words", "GET", "/v1/positions?bodies=sun&at=yesterday", None),
    ("two centuries by the second", "GET", "/v1/positions?bodies=sun&from=1900-01-01&to=2100-01-01&step=1s", None),
    ("negative step", "GET", "/v1/positions?bodies=sun&from=2000-01-01&to=2000-01-02&step=-1d", None),
    ("range backwards", "GET", "/v1/positions?bodies=sun&from=2000-01-02&to=2000-01-01", None),
    ("boolean as text", "GET", "/v1/positions?bodies=sun&at=2000-01-01&geometric=maybe", None),
    ("topocentric without place", "GET", "/v1/positions?bodies=sun&at=2000-01-01&origin=topocentric", None),
    ("almanac of 17 months", "GET", "/v1/almanac?place=0,0&from=2026-01-01&to=2027-06-01", None),
    ("events over two centuries", "GET", "/v1/events?from=1900-01-01&to=2099-01-01", None),
    ("unknown event kind", "GET", "/v1/events?from=2026-01-01&to=2027-01-01&kind=eclipse", None),
    ("3 kB query", "GET", "/v1/chart?" + CHART + "&time=" + "x" * 3000, None),
    ("100 kB body", "POST", "/v1/chart?" + CHART, b"x" * 100_000),
    ("body on a GET", "GET", "/v1/chart?" + CHART, b"x" * 5000),
    ("unknown endpoint", "GET", "/v2/chart?" + CHART, None),
    ("percent-garbage", "GET", "/v1/chart?date=%ff%fe&time=%00&place=%zz", None),
]


def ask(base: urllib.parse.SplitResult, method: str, path: str, body: bytes | None) -> tuple[int, str, float]:
    started = time.perf_counter()
    connection = http.client.HTTPConnection(base.hostname, base.port, timeout=30)
    try:
        connection.request(method, path, body=body)
        answer = connection.getresponse()
        text = answer.read().decode("utf-8", "replace")
    finally:
        connection.close()
    try:
        error = json.loads(text).get("error") or json.loads(text).get("detail")
        text = f"{error['field']}: {error['message']}" if isinstance(error, dict) else str(error)
    except (ValueError, AttributeError, KeyError):
        pass
    return answer.status, text, time.perf_counter() - started


def half_request(base: urllib.parse.SplitResult) -> tuple[int, str, float]:
    """A request that never finishes its headers: the server must go on answering others."""
    started = time.perf_counter()
    with socket.create_connection((base.hostname, base.port), timeout=30) as stalled:
        stalled.sendall(b"GET /v1/health HTTP/1.1\r\nHost: x\r\n")
        status, _, _ = ask(base, "GET", "/v1/health", None)
        return status, "another client answered while this one stalled", time.perf_counter() - started


def main() -> None:
    base = urllib.parse.urlsplit(sys.argv[1] if len(sys.argv) > 1 else "http://127.0.0.1:8765")
    print("| request | status | answer | ms | health after |")
    print("| --- | --- | --- | --- | --- |")
    rows = [(what, lambda m=method, p=path, b=body: ask(base, m, p, b)) for what, method, path, body in REQUESTS]
    rows.append(("headers never finished", lambda: half_request(base)))
    for what, run in rows:
        status, text, seconds = run()
        health, _, _ = ask(base, "GET", "/v1/health", None)
        print(f"| {what} | {status} | {text[:110].replace('|', '/')} | {seconds * 1000:.0f} | {health} |")


if __name__ == "__main__":
    main()
