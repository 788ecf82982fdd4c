"""The synastry, progress and vedic commands in all three output forms, and their refusals."""
from __future__ import annotations

import csv
import io
import json
import sys

import pytest

from orvane_tools import cli, vedic

FIRST = ["--first", "1990-05-17T14:30", "--first-tz", "Europe/Paris", "--first-place", "48.8566,2.3522"]
SECOND = ["--second", "1988-11-02T08:10", "--second-tz", "Australia/Sydney", "--second-place", "-33.87,151.21"]


def _run(monkeypatch, *args: str) -> tuple[int, str, str]:
    out, err = io.StringIO(), io.StringIO()
    monkeypatch.setattr(sys, "stdout", out)
    monkeypatch.setattr(sys, "stderr", err)
    status = cli.main([*args, "-q"])
    return status, out.getvalue(), err.getvalue()


@pytest.mark.parametrize("kind", ["synastry", "composite", "davison"])
def test_synastry_kinds_as_json(monkeypatch, kind):
    status, text, err = _run(monkeypatch, "synastry", *FIRST, *SECOND, "--kind", kind, "--format", "json")
    assert status == 0, err
    rows = json.loads(text)
    sections = {row["section"] for row in rows}
    if kind == "synastry":
        assert sections == {"aspect", "first_in", "second_in"}
        assert all(1 <= row["house"] <= 12 for row in rows if row["section"] != "aspect")
    else:
        assert {"point", "cusp"} <= sections
        assert [row["name"] for row in rows][:2] == ["sun", "moon"]


def test_progress_csv_has_progressed_and_directed_rows(monkeypatch):
    status, text, err = _run(monkeypatch, "progress", "--birth", "1990-05-17T14:30", "--tz", "Europe/Paris",
                             "--place", "48.8566,2.3522", "--to", "2026-06-01", "--directions", "--angles", "naibod_ra",
                             "--year", "julian", "--format", "csv")
    assert status == 0, err
    rows = list(csv.DictReader(io.StringIO(text)))
    sun = {row["section"]: row for row in rows if row["name"] == "sun"}
    # The directed Sun is the progressed Sun: the solar arc is the Sun's own.
    assert float(sun["directed"]["longitude_deg"]) == pytest.approx(float(sun["progressed"]["longitude_deg"]), abs=1e-9)
    assert sum(row["section"] == "cusp" for row in rows) == 12


def test_vedic_table_lists_points_limbs_and_dashas(monkeypatch):
    status, text, err = _run(monkeypatch, "vedic", "--at", "1990-05-17T14:30", "--tz", "Asia/Kolkata",
                             "--place", "28.61,77.21", "--sub-periods")
    assert status == 0, err
    lines = text.splitlines()
    assert lines[0].startswith("# 1990-05-17T14:30+05:30, lahiri")
    assert any(line.startswith("pancanga  weekday") and "Guruvara" in line for line in lines)  # a Thursday
    assert sum(line.startswith("dasha") for line in lines) == 90
    header = lines[1].split()
    assert [f"D{d}" for d in vedic.DIVISIONS] == header[5:21]


@pytest.mark.parametrize(("args", "message"), [
    (["progress", "--birth", "1990-05-17T14:30", "--place", "0,0", "--to", "2026-01-01", "--angles", "koch"],
     "angle rule"),
    (["progress", "--birth", "1990-05-17T14:30", "--place", "0,0", "--to", "2026-01-01", "--year", "-3"],
     "positive"),
    (["vedic", "--at", "1990-05-17T14:30", "--place", "0,0", "--year", "lunar"], "year's length"),
    (["synastry", *FIRST, *SECOND, "--kind", "mixed"], "kind"),
])
def test_refusals(monkeypatch, args, message):
    status, text, err = _run(monkeypatch, *args)
    assert status == 2 and text == "" and message in err


BIRTH = ["--birth", "1990-05-17T14:30", "--tz", "Europe/Paris", "--place", "48.8566,2.3522"]


def test_transits_json_match_the_companion(monkeypatch):
    from datetime import datetime, timezone

    import orvane

    from orvane_tools import chart, transits
    status, text, err = _run(monkeypatch, "transits", "--natal-date", "1990-05-17T14:30", *BIRTH[2:], "--from",
                             "2026-01-01", "--to", "2026-04-01", "--bodies", "mars,jupiter,true_node",
                             "--aspects", "conjunction,trine", "--format", "json")
    assert status == 0, err
    rows = json.loads(text)
    natal = chart.chart(datetime(1990, 5, 17, 12, 30, tzinfo=timezone.utc), orvane.GeodeticObserver(2.3522, 48.8566))
    expected = transits.transits(natal, "2026-01-01T00:00+01:00", "2026-04-01T00:00+02:00",
                                 bodies=["mars", "jupiter", "true_node"], aspects=["conjunction", "trine"])
    assert [(r["body"], r["aspect"], r["natal_point"], r["direction"]) for r in rows] == [
        (t.body, t.aspect, t.natal_point, t.direction) for t in expected]
    assert rows and all(r["time"].endswith("+01:00") or r["time"].endswith("+02:00") for r in rows)
    assert [r["time"] for r in rows] == sorted(r["time"] for r in rows)


@pytest.mark.parametrize(("kind", "when", "count"), [
    ("solar", ["--year", "2026"], 1), ("lunar", ["--year", "2026"], 13), ("lunar", ["--after", "2026-03-01"], 1)])
def test_return_csv_lists_each_return_chart(monkeypatch, kind, when, count):
    status, text, err = _run(monkeypatch, "return", "--kind", kind, *BIRTH, *when, "--format", "csv")
    assert status == 0, err
    rows = list(csv.DictReader(io.StringIO(text)))
    assert len({row["return"] for row in rows}) == count
    assert sum(row["section"] == "cusp" for row in rows) == 12 * count
    body = "sun" if kind == "solar" else "moon"
    natal = {row["longitude_deg"][:8] for row in rows if row["name"] == body}
    assert len(natal) == 1  # every return puts its body on the one natal longitude


@pytest.mark.parametrize(("args", "message"), [
    (["transits", *BIRTH, "--from", "2026-01-01", "--to", "2026-02-01", "--aspects", "trien"], "unknown aspect trien"),
    (["return", *BIRTH], "one of the arguments --year --after is required"),
    (["return", *BIRTH, "--year", "2026", "--after", "2026-01-01"], "not allowed with"),
    (["return", "--kind", "venus", *BIRTH, "--year", "2026"], "kind"),
])
def test_transit_and_return_refusals(monkeypatch, args, message):
    status, text, err = _run(monkeypatch, *args)
    assert status == 2 and text == "" and message in err
