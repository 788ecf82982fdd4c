"""The eclipse records in calendar time and the `orvane eclipses` command."""
from __future__ import annotations

import csv
import io
import json
import sys
from datetime import timedelta, timezone

import orvane
import pytest

from orvane_tools import cli, eclipses
from orvane_tools.data import default_engine


@pytest.fixture(scope="module")
def engine() -> orvane.Engine:
    return default_engine()


def _run(monkeypatch, *args: str) -> tuple[int, str, str]:
    out, err = io.StringIO(), io.StringIO()
    monkeypatch.setattr(sys, "stdout", out)
    monkeypatch.setattr(sys, "stderr", err)
    status = cli.main([*args, "-q"])
    return status, out.getvalue(), err.getvalue()


def test_records_carry_utc_times_of_the_engine_days(engine):
    """Each time is the UTC of the engine's TT day; contacts not reached are None."""
    lunar = eclipses.lunar_eclipses(engine, "2024-01-01Z", "2026-01-01Z")
    assert [e.kind for e in lunar] == ["penumbral", "partial", "total", "total"]
    raw = engine.lunar_eclipses(orvane.Instant.tt(lunar[0].tt_julian_day - 1), orvane.Instant.tt(lunar[-1].tt_julian_day + 1))
    for record, row in zip(lunar, raw):
        assert record.tt_julian_day == row[1]
        utc = engine.convert_instant(orvane.Instant.tt(row[1]), "utc").julian_day
        assert abs((record.greatest - record.p1) - timedelta(days=row[1] - row[2])) < timedelta(milliseconds=1)
        assert record.greatest.tzinfo == timezone.utc
        assert abs(record.greatest.timestamp() / 86400 + 2440587.5 - utc) < 1e-8
        assert (record.u1 is None) == (record.kind == "penumbral") and (record.u2 is None) == (record.kind != "total")
    chauvenet = eclipses.lunar_eclipses(engine, "2024-01-01Z", "2026-01-01Z", "chauvenet")
    assert all(c.penumbral_magnitude > d.penumbral_magnitude for c, d in zip(chauvenet, lunar))

    solar = eclipses.solar_eclipses(engine, "2024-01-01Z", "2026-01-01Z")
    assert [(e.kind, e.central) for e in solar] == [("total", True), ("annular", True), ("partial", False),
                                                    ("partial", False)]
    assert all((e.path_width_km > 0) == e.central for e in solar)


def test_local_records_hide_the_unseen_unless_asked(engine):
    """Madrid sees the eclipse of 2026-08-12 low in the west, and not that of
    2027-02-06 (the Moon's shadow misses it) nor the annular one of
    2026-02-17 (Antarctica)."""
    madrid = orvane.GeodeticObserver(-3.70, 40.42, 650.0)
    seen = eclipses.local_solar_eclipses(engine, madrid, "2026-01-01Z", "2028-01-01Z")
    assert [e.maximum.date().isoformat() for e in seen] == ["2026-08-12", "2027-08-02"]
    first = seen[0]
    assert first.c1 < first.maximum < first.c4 and first.c2 is None
    assert 0 < first.altitudes_deg[2] < first.altitudes_deg[0]
    every = eclipses.local_solar_eclipses(engine, madrid, "2026-01-01Z", "2028-01-01Z", visible_only=False)
    assert len(every) >= len(seen) and all(e.visible for e in seen)


def test_cli_lists_both_kinds_by_default_in_order(monkeypatch):
    status, text, err = _run(monkeypatch, "eclipses", "--from", "2024-01-01", "--to", "2025-01-01", "--format", "json")
    assert status == 0, err
    rows = json.loads(text)
    assert [row["eclipse"] for row in rows] == ["lunar penumbral", "solar total", "lunar partial", "solar annular"]
    assert [row["time"] for row in rows] == sorted(row["time"] for row in rows)


@pytest.mark.parametrize("kind, header, count", [
    ("lunar", ["time", "kind", "umbral_mag", "penumbral_mag", "gamma", "p1", "u1", "u2", "u3", "u4", "p4"], 2),
    ("solar", ["time", "kind", "central", "latitude", "longitude", "magnitude", "gamma", "width_km"], 2),
])
def test_cli_kinds_as_csv(monkeypatch, kind, header, count):
    status, text, err = _run(monkeypatch, "eclipses", "--from", "2024-01-01", "--to", "2025-01-01", "--kind", kind,
                             "--format", "csv")
    assert status == 0, err
    rows = list(csv.reader(io.StringIO(text)))
    assert rows[0] == header and len(rows) == count + 1


def test_cli_local_in_a_time_zone(monkeypatch):
    status, text, err = _run(monkeypatch, "eclipses", "--from", "2026-08-01", "--to", "2026-09-01", "--place",
                             "40.42,-3.70,650", "--tz", "Europe/Madrid")
    assert status == 0, err
    lines = text.splitlines()
    assert lines[0].split()[:3] == ["time", "kind", "magnitude"]
    assert lines[1].startswith("2026-08-12T20:32") and "+02:00" in lines[1]


@pytest.mark.parametrize("args, message", [
    (["--kind", "local"], "need --place"),
    (["--kind", "penumbral"], "kind"),
    (["--shadow", "espenak"], "shadow rule"),
])
def test_cli_refusals(monkeypatch, args, message):
    status, _, err = _run(monkeypatch, "eclipses", "--from", "2024-01-01", "--to", "2025-01-01", *args)
    assert status == 2 and message in err
