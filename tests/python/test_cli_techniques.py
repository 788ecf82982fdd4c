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
