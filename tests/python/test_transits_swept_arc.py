"""The arc a body sweeps over a range, which spares the longitude searches
of targets it never reaches: it holds every place the body takes (checked
hourly, through retrograde loops and across 0 degrees), it leaves out what a
slow body never reaches, and the transits found with it are those found by
searching every target."""
from __future__ import annotations

from datetime import datetime, timezone

import orvane
import pytest

from orvane_tools import transits as transits_module
from orvane_tools.chart import chart
from orvane_tools.data import default_engine
from orvane_tools.transits import _swept_arc, transits

YEAR = (orvane.Instant.utc(2461041.5), orvane.Instant.utc(2461406.5))  # 2026


@pytest.fixture(scope="module")
def engine():
    return default_engine()


@pytest.mark.parametrize(("body", "start", "days", "sidereal"), [
    ("mercury", 2461041.5, 365.0, None),      # three retrograde loops
    ("saturn", 2461041.5, 365.0, None),       # crosses 0 degrees of Aries in 2026
    ("neptune", 2461041.5, 365.0, "lahiri"),  # near 0 degrees, sidereal
    ("jupiter", 2460000.5, 40.5, None),
    ("chiron", 2461041.5, 2.25, None),
    ("pluto", 2461100.5, 0.3, "fagan_bradley"),
])
def test_arc_holds_every_place_the_body_takes(engine, body, start, days, sidereal):
    first, last = orvane.Instant.utc(start), orvane.Instant.utc(start + days)
    on_arc = _swept_arc(engine, body, first, last, sidereal)
    hours = int(days * 24)
    instants = [orvane.Instant.utc(start + days * k / hours) for k in range(hours + 1)]
    for instant in instants:
        longitude = engine.position(body, instant, orvane.apparent()).longitude_deg
        if sidereal is not None:
            longitude -= engine.ayanamsha(sidereal, instant).ayanamsha_deg
        assert on_arc(longitude % 360.0), (body, instant)
    if body in ("saturn", "neptune", "pluto", "chiron"):
        assert sum(on_arc(float(degree)) for degree in range(360)) < 20  # a slow body reaches few degrees


def test_fast_bodies_reach_every_longitude_in_a_year(engine):
    for body in ("sun", "moon", "mercury"):
        on_arc = _swept_arc(engine, body, *YEAR, None)
        assert all(on_arc(degree / 4.0) for degree in range(1440))


@pytest.mark.parametrize(("born", "place", "sidereal", "start", "end"), [
    (datetime(1990, 5, 17, 12, 30, tzinfo=timezone.utc), (2.35, 48.86), None, "2026-01-01Z", "2027-01-01Z"),
    (datetime(1962, 2, 4, 12, 0, tzinfo=timezone.utc), (77.21, 28.61), "lahiri", "2020-03-01Z", "2020-09-01Z"),
])
def test_transits_are_those_of_a_search_of_every_target(engine, monkeypatch, born, place, sidereal, start, end):
    natal = chart(born, orvane.GeodeticObserver(*place), engine=engine, sidereal=sidereal)
    spared = transits(natal, start, end, engine=engine)
    monkeypatch.setattr(transits_module, "_swept_arc", lambda *arguments: (lambda target: True))
    assert spared == transits(natal, start, end, engine=engine)
    assert len(spared) > 500
