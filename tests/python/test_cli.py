"""The `orvane` command end to end: one run per command through the installed
console script, and the exit statuses of refusals."""
from __future__ import annotations

import csv
import io
import json
import os
import pathlib
import subprocess
import sys

import pytest

ORVANE = pathlib.Path(sys.executable).with_name("orvane")


def run(*args: str) -> subprocess.CompletedProcess[str]:
    return subprocess.run([str(ORVANE), *args], capture_output=True, text=True, timeout=300)


def run_in(encoding: str, *args: str) -> subprocess.CompletedProcess[bytes]:
    environment = {**os.environ, "PYTHONIOENCODING": encoding}
    return subprocess.run([str(ORVANE), *args], capture_output=True, timeout=300, env=environment)


def ok(*args: str) -> str:
    result = run(*args)
    assert result.returncode == 0, result.stderr
    assert result.stderr == ""
    return result.stdout


def test_now_lists_every_body_with_altitude():
    rows = json.loads(ok("now", "--place", "-33.87,151.21,40", "--format", "json"))
    assert [r["body"] for r in rows][:3] == ["sun", "moon", "mercury"] and len(rows) == 10
    for row in rows:
        assert 0.0 <= row["longitude_deg"] < 360.0 and 0.0 <= row["ra_hours"] < 24.0
        assert -90.0 <= row["altitude_deg"] <= 90.0 and 0.0 <= row["azimuth_deg"] < 360.0


def test_positions_stream_rows_per_instant_and_body():
    text = ok("positions", "--bodies", "sun,moon", "--from", "2026-03-20", "--to", "2026-03-21",
              "--step", "6h", "--format", "csv")
    rows = list(csv.DictReader(io.StringIO(text)))
    assert len(rows) == 5 * 2 and rows[0]["time_utc"] == "2026-03-20T00:00:00Z"
    suns = [float(r["longitude_deg"]) for r in rows if r["body"] == "sun"]
    # The March equinox of 2026 falls at 14:46 UTC on the 20th.
    assert suns[2] > 359.0 and suns[3] < 1.0
    sidereal = ok("positions", "--bodies", "sun", "--from", "2026-03-20", "--to", "2026-03-20",
                  "--sidereal", "lahiri", "--format", "json")
    assert 335.0 < json.loads(sidereal)[0]["longitude_deg"] < 337.0


def test_chart_with_houses_aspects_and_wheel(tmp_path):
    svg = tmp_path / "chart.svg"
    rows = json.loads(ok("chart", "1990-05-17", "14:30", "--tz", "Europe/Paris", "--place", "48.8566,2.3522",
                         "--houses", "placidus", "--svg", str(svg), "--format", "json"))
    by_name = {r["name"]: r for r in rows}
    assert 55.0 < by_name["sun"]["longitude_deg"] < 57.0  # 26 Taurus
    assert {"ascendant", "midheaven", "12", "true_node", "mean_apogee"} <= by_name.keys()
    computed = {"true_apogee", "part_of_fortune", "vertex", "east_point"}
    assert all(by_name[name]["section"] == "point" for name in computed)
    aspects = [r["name"].split() for r in rows if r["section"] == "aspect"]
    assert aspects and all(len(words) == 4 and words[3] in ("applying", "separating") for words in aspects
                           if "sun" in words and "ascendant" in words)
    assert {"semisextile", "quincunx", "quintile"} & {words[1] for words in aspects}
    assert any(r["section"] == "aspect" and r["orb_deg"] <= 8.0 for r in rows)
    assert svg.read_text().startswith("<svg")


def test_almanac_day_in_local_time():
    text = ok("almanac", "--place", "40.7128,-74.006", "--tz", "America/New_York",
              "--from", "2026-06-21", "--to", "2026-06-22", "--format", "csv")
    rows = list(csv.DictReader(io.StringIO(text)))
    assert [r["date"] for r in rows] == ["2026-06-21", "2026-06-22"]
    # New York at the June solstice: sunrise about 05:25, sunset about 20:31 (EDT).
    assert rows[0]["sunrise"].startswith("2026-06-21T05:2") and rows[0]["sunrise"].endswith("-04:00")
    assert "05:23" <= rows[0]["sunrise"][11:16] <= "05:27" and "20:29" <= rows[0]["sunset"][11:16] <= "20:33"
    assert rows[0]["civil_dawn"] < rows[0]["sunrise"] < rows[0]["sunset"] < rows[0]["civil_dusk"]
    assert 0.0 <= float(rows[0]["moon_illuminated"]) <= 1.0


def test_events_in_order():
    rows = json.loads(ok("events", "--from", "2026-01-01", "--to", "2027-01-01", "--format", "json"))
    kinds = [r["event"] for r in rows]
    assert kinds.count("new_moon") in (12, 13) and kinds.count("full_moon") in (12, 13)
    assert [k for k in kinds if "equinox" in k or "solstice" in k] == [
        "march_equinox", "june_solstice", "september_equinox", "december_solstice"]
    assert next(r["time"] for r in rows if r["event"] == "march_equinox").startswith("2026-03-20T14:4")


@pytest.mark.parametrize("args, status, text", [
    (("positions", "--bodies", "sun", "--from", "2026-01-01"), 2, "--to"),
    (("chart", "2026-01-01", "25:00", "--place", "0,0"), 2, "time"),
    (("now", "--place", "north"), 2, "place"),
    (("positions", "--bodies", "sun", "--from", "1500-01-01", "--to", "1500-01-02"), 1, ""),
    (("chart", "2026-06-21", "12:00", "--place", "80,0", "--houses", "placid"), 2, "did you mean 'placidus'"),
    (("positions", "--bodies", "sun", "--from", "2026-01-02", "--to", "2026-01-01"), 2, "--to is before --from"),
    (("events", "--from", "2026-02-01", "--to", "2026-01-01"), 2, "--to is before --from"),
    (("almanac", "--place", "0,0", "--from", "2026-02-01", "--to", "2026-01-01"), 2, "--to is before --from"),
    (("positions", "--bodies", "sun", "--from", "2026-01-01", "--to", "2026-01-02", "--step", "9" * 400 + "d"),
     2, "too large"),
    (("positions", "--bodies", "sun", "--from", "2026-01-01", "--to", "2026-01-02", "--step", "0.0s"), 2, "step"),
    (("positions", "--bodies", "sun", "--from", "2026-01-01", "--to", "2026-01-02", "--step", "0.00001s"), 2,
     "at least 1 ms"),
    (("positions", "--bodies", "sun", "--from", "1900-01-01", "--to", "2100-01-01", "--step", "0.001s"), 2,
     "too small for the range"),
    (("now", "--place", "nan,nan"), 2, "place must be finite"),
    (("now", "--place", "0,inf"), 2, "place must be finite"),
    (("chart", "2026-01-01", "12:00", "--place", "51.5,0,nan"), 2, "place must be finite"),
    (("now", "--place", "-90.5,0"), 2, "latitude"),
    (("now", "--place", "0,361"), 2, "longitude"),
    (("now", "--place", "0,0,-10000000"), 2, "height"),
    (("now", "--place", "0,0,1000000000"), 2, "height"),
    (("chart", "2026-01-01", "12:00", "--place", "51.5,0,-12001"), 2, "height"),
])
def test_refusals_are_one_line_with_their_status(args, status, text):
    result = run(*args)
    assert result.returncode == status
    assert result.stdout == "" or status == 1
    assert result.stderr.count("\n") == 1 and "Traceback" not in result.stderr and text in result.stderr


@pytest.mark.parametrize("encoding", ["ascii", "latin-1", "utf-8"])
@pytest.mark.parametrize("form", ["table", "csv", "json"])
def test_chart_in_any_output_encoding(encoding, form):
    result = run_in(encoding, "chart", "1990-05-17", "14:30", "--tz", "Europe/Paris", "--place", "48.8566,2.3522",
                    "--format", form)
    assert result.returncode == 0 and result.stderr == b"", result.stderr
    text = result.stdout.decode(encoding)
    # The Sun at 26°20′38″ Taurus.
    shown = {"ascii": "26deg20'38\" Taurus", "latin-1": "26°20'38\" Taurus", "utf-8": "26°20′38″ Taurus"}[encoding]
    if form == "json":
        assert next(r for r in json.loads(text) if r["name"] == "sun")["zodiac"] == "26°20′38″ Taurus"
    elif form == "csv":
        assert next(r for r in csv.DictReader(io.StringIO(text)) if r["name"] == "sun")["zodiac"] == shown
    else:
        assert shown in text
