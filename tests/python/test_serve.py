"""The HTTP service: answers against the library and an independent ephemeris,
refusals naming their field, caching, provenance, logs and per-thread engines."""

from __future__ import annotations

import asyncio
import json
import logging
from datetime import datetime
from zoneinfo import ZoneInfo

import pytest

pytest.importorskip("fastapi")
httpx = pytest.importorskip("httpx")

from fastapi.testclient import TestClient  # noqa: E402

import orvane_tools  # noqa: E402
from orvane_tools import chart  # noqa: E402
from orvane_tools.serve import create_app  # noqa: E402

PARIS_CHART = {"date": "1990-05-17", "time": "14:30", "tz": "Europe/Paris", "place": "48.8566,2.3522"}


@pytest.fixture(scope="module")
def app():  # type: ignore[no-untyped-def]
    return create_app()


@pytest.fixture(scope="module")
def client(app):  # type: ignore[no-untyped-def]
    with TestClient(app) as test_client:
        yield test_client


def test_chart_is_the_library_chart_for_the_local_moment(client) -> None:  # type: ignore[no-untyped-def]
    answer = client.get("/v1/chart", params={**PARIS_CHART, "houses": "koch"}).json()
    when = datetime(1990, 5, 17, 14, 30, tzinfo=ZoneInfo("Europe/Paris"))
    expected = chart.chart(when, orvane_tools.place(lat=48.8566, lon=2.3522), houses="koch")
    assert answer["time"] == "1990-05-17T14:30:00+02:00"
    assert answer["houses"]["system"] == "koch"
    assert answer["houses"]["cusps_deg"] == pytest.approx(list(expected.houses.cusps_deg), abs=1e-9)
    by_name = {point["name"]: point for point in answer["points"]}
    for point in expected.points:
        assert by_name[point.name]["longitude_deg"] == pytest.approx(point.longitude_deg, abs=1e-9)
        assert by_name[point.name]["house"] == expected.houses.house_of(point.longitude_deg)
    assert len(answer["aspects"]) == len(expected.aspects)


def test_positions_hold_against_the_moshier_ephemeris(client) -> None:  # type: ignore[no-untyped-def]
    swe = pytest.importorskip("swisseph")
    answer = client.get("/v1/positions", params={"bodies": "sun,mars", "from": "2024-03-01T00:00Z",
                                                 "to": "2024-03-03T00:00Z", "step": "12h"}).json()
    rows = answer["positions"]
    assert [row["time"] for row in rows[::2]] == [f"2024-03-0{d}T{h}:00:00+00:00" for d in (1, 2) for h in ("00", "12")] + \
        ["2024-03-03T00:00:00+00:00"]
    for row in rows:
        moment = datetime.fromisoformat(row["time"])
        ut = swe.julday(moment.year, moment.month, moment.day, moment.hour)
        body = swe.SUN if row["body"] == "sun" else swe.MARS
        longitude = swe.calc_ut(ut, body, swe.FLG_MOSEPH | swe.FLG_SPEED)[0][0]
        assert abs((row["longitude_deg"] - longitude + 180.0) % 360.0 - 180.0) < 3.0 / 3600.0


def test_one_instant_in_the_equatorial_frame(client) -> None:  # type: ignore[no-untyped-def]
    rows = client.get("/v1/positions", params={"bodies": "sun", "at": "2000-01-01T12:00:00Z",
                                               "frame": "equatorial"}).json()["positions"]
    assert len(rows) == 1 and 18.0 < rows[0]["ra_hours"] < 19.0 and rows[0]["dec_deg"] < -22.0


def test_almanac_and_events_are_local(client) -> None:  # type: ignore[no-untyped-def]
    days = client.get("/v1/almanac", params={"place": "59.91,10.75", "from": "2026-06-20", "to": "2026-06-22",
                                             "tz": "Europe/Oslo"}).json()["days"]
    assert [day["date"] for day in days] == ["2026-06-20", "2026-06-21", "2026-06-22"]
    assert days[1]["sunrise"].startswith("2026-06-21T03:5") and days[1]["sunrise"].endswith("+02:00")
    assert days[1]["nautical_dawn"] == "up"  # the midsummer Sun never sinks 12 degrees at Oslo
    events = client.get("/v1/events", params={"from": "2026-01-01", "to": "2027-01-01", "kind": "march_equinox",
                                              "tz": "Asia/Kolkata"}).json()["events"]
    assert [event["kind"] for event in events] == ["march_equinox"]
    assert events[0]["time"].startswith("2026-03-20T20:") and events[0]["time"].endswith("+05:30")


def test_searched_events_are_the_companions(client) -> None:  # type: ignore[no-untyped-def]
    from orvane_tools.events import search_events

    answer = client.get("/v1/events", params={"from": "2024-01-01", "to": "2025-01-01",
                                              "kind": "station,march_equinox", "body": "mercury"}).json()["events"]
    expected = search_events(orvane_tools.default_engine(), "station", "2024-01-01Z", "2025-01-01Z", body="mercury")
    stations = [event for event in answer if event["kind"] == "station"]
    assert [(e["name"], e["tt_julian_day"]) for e in stations] == [(e.name, e.tt_julian_day) for e in expected]
    assert len(stations) == 7 and "march_equinox" in [event["kind"] for event in answer]
    days = [float(event["tt_julian_day"]) for event in answer]
    assert days == sorted(days)
    refused = client.get("/v1/events", params={"from": "2024-01-01", "to": "2025-01-01", "kind": "aspect",
                                               "body": "mars", "angle": "nan"})
    assert refused.status_code == 422 and refused.json()["error"]["field"] == "angle"


def test_the_wheel_is_svg(client) -> None:  # type: ignore[no-untyped-def]
    response = client.get("/v1/chart.svg", params=PARIS_CHART)
    assert response.status_code == 200 and response.headers["content-type"].startswith("image/svg+xml")
    assert response.text.startswith("<svg") and "1990-05-17T14:30+02:00 Europe/Paris" in response.text


BAD_REQUESTS = [
    # (path, query, status, field named)
    ("/v1/chart", {**PARIS_CHART, "time": "25:61"}, 422, "time"),
    ("/v1/chart", {**PARIS_CHART, "date": "1990-02-30"}, 422, "date"),
    ("/v1/chart", {**PARIS_CHART, "date": "17/05/1990"}, 422, "date"),
    ("/v1/chart", {**PARIS_CHART, "tz": "Mars/Olympus_Mons"}, 422, "tz"),
    ("/v1/chart", {**PARIS_CHART, "tz": "+25:00"}, 422, "tz"),
    ("/v1/chart", {**PARIS_CHART, "place": "2.35E,48.85N"}, 422, "place"),
    ("/v1/chart", {**PARIS_CHART, "place": "91,0"}, 422, "place"),
    ("/v1/chart", {**PARIS_CHART, "place": "nan,0"}, 422, "place"),
    ("/v1/chart", {**PARIS_CHART, "place": "../../etc/passwd"}, 422, "place"),
    ("/v1/chart", {**PARIS_CHART, "houses": "placidos"}, 422, "houses"),
    ("/v1/chart", {**PARIS_CHART, "sidereal": "martian"}, 422, "sidereal"),
    ("/v1/chart", {**PARIS_CHART, "fold": "two"}, 422, "fold"),
    ("/v1/chart", {**PARIS_CHART, "date": "1500-01-01"}, 422, "date"),
    ("/v1/chart", {**PARIS_CHART, "kernel": "/tmp/evil.bsp"}, 422, "kernel"),
    ("/v1/chart", {key: value for key, value in PARIS_CHART.items() if key != "place"}, 422, "place"),
    ("/v1/chart", {**PARIS_CHART, "place": "1" * 500}, 422, "place"),
    ("/v1/positions", {"bodies": "sun,vulcan", "at": "2000-01-01"}, 422, "bodies"),
    ("/v1/positions", {"bodies": "sun", "at": "yesterday"}, 422, "at"),
    ("/v1/positions", {"bodies": "sun", "from": "1900-01-01", "to": "2100-01-01", "step": "1s"}, 422, "step"),
    ("/v1/positions", {"bodies": "sun", "from": "2000-01-01", "to": "2000-01-02", "step": "-1d"}, 422, "step"),
    ("/v1/positions", {"bodies": "sun", "from": "2000-01-02", "to": "2000-01-01"}, 422, "to"),
    ("/v1/positions", {"bodies": "sun", "at": "2000-01-01", "geometric": "maybe"}, 422, "geometric"),
    ("/v1/positions", {"bodies": "sun", "at": "2000-01-01", "origin": "topocentric"}, 422, "place"),
    ("/v1/positions", {"bodies": ",".join(["sun"] * 40), "at": "2000-01-01"}, 422, "bodies"),
    ("/v1/positions", {"bodies": "sun", "at": "2000-01-01", "from": "2000-01-01"}, 422, "at"),
    ("/v1/positions", {"bodies": "sun,moon,mars", "from": "2000-01-01", "to": "2000-01-05T20:00", "step": "1m"}, 422,
     "step"),
    ("/v1/almanac", {"place": "0,0", "from": "2026-01-01", "to": "2027-06-01"}, 422, "to"),
    ("/v1/almanac", {"place": "0,0", "from": "2026-01-01", "to": "2026-01-02", "moon_edge": "lower"}, 422, "moon_edge"),
    ("/v1/events", {"from": "1900-01-01", "to": "2099-01-01"}, 422, "to"),
    ("/v1/events", {"from": "2026-01-01", "to": "2027-01-01", "kind": "eclipse"}, 422, "kind"),
    ("/v1/chart", {**PARIS_CHART, "time": "x" * 3000}, 414, "query"),
]


@pytest.mark.parametrize(("path", "query", "status", "field"), BAD_REQUESTS)
def test_bad_input_is_refused_naming_the_field(client, path, query, status, field) -> None:  # type: ignore[no-untyped-def]
    response = client.get(path, params=query)
    assert response.status_code == status, response.text[:300]
    error = response.json()["error"]
    assert error["field"] == field and error["message"]
    assert client.get("/v1/health").status_code == 200


@pytest.mark.parametrize(("method", "path", "headers", "status"), [
    ("POST", "/v1/chart", {}, 405),
    ("GET", "/v2/chart", {}, 404),
    ("GET", "/v1/chart", {"content-length": "100000"}, 413),
])
def test_wrong_methods_paths_and_bodies(client, method, path, headers, status) -> None:  # type: ignore[no-untyped-def]
    body = b"x" * int(headers.get("content-length", "0"))
    assert client.request(method, path, params=PARIS_CHART, content=body or None).status_code == status


def test_deterministic_answers_carry_tags_and_provenance(client) -> None:  # type: ignore[no-untyped-def]
    first = client.get("/v1/chart", params=PARIS_CHART)
    reordered = client.get("/v1/chart", params=dict(reversed(list(PARIS_CHART.items()))))
    other = client.get("/v1/chart", params={**PARIS_CHART, "time": "14:31"})
    assert first.headers["etag"] == reordered.headers["etag"] != other.headers["etag"]
    assert "max-age" in first.headers["cache-control"]
    again = client.get("/v1/chart", params=PARIS_CHART, headers={"if-none-match": first.headers["etag"]})
    assert again.status_code == 304 and again.content == b""
    metadata = orvane_tools.default_engine().kernel_metadata
    assert first.json()["data"]["kernel_sha256"] == metadata.kernel_sha256
    for response in (first, again, client.get("/v1/health"), client.get("/"), client.get("/v1/chart")):
        assert f"{metadata.kernel_name}={metadata.kernel_sha256}" in response.headers["x-orvane-data"]
    assert client.get("/v1/health").headers["cache-control"] == "no-store"
    assert "etag" not in client.get("/v1/chart").headers  # a refusal is not cached


def test_every_request_is_logged_as_one_json_line(client, caplog) -> None:  # type: ignore[no-untyped-def]
    logger = logging.getLogger("orvane.access")
    logger.addHandler(caplog.handler)
    try:
        client.get("/v1/chart", params={**PARIS_CHART, "tz": "Nowhere/Else"})
    finally:
        logger.removeHandler(caplog.handler)
    line = json.loads(caplog.records[-1].getMessage())
    assert (line["method"], line["path"], line["status"]) == ("GET", "/v1/chart", 422)
    assert line["bytes"] > 0 and line["ms"] >= 0.0


def test_concurrent_requests_compute_on_engines_of_their_own_threads(app) -> None:  # type: ignore[no-untyped-def]
    async def many() -> list[dict[str, object]]:
        transport = httpx.ASGITransport(app=app)
        async with httpx.AsyncClient(transport=transport, base_url="http://test") as client:
            times = [f"{hour:02d}:00" for hour in range(12)]
            responses = await asyncio.gather(*(client.get("/v1/chart", params={**PARIS_CHART, "time": t})
                                               for t in times * 2))
        assert all(response.status_code == 200 for response in responses), [r.text for r in responses]
        return [response.json() for response in responses]

    answers = asyncio.run(many())
    assert answers[:12] == answers[12:]
    assert len({answer["points"][1]["longitude_deg"] for answer in answers}) == 12


def test_openapi_states_the_limits(client) -> None:  # type: ignore[no-untyped-def]
    document = client.get("/openapi.json").json()
    assert {"/v1/positions", "/v1/chart", "/v1/chart.svg", "/v1/almanac", "/v1/events", "/v1/health"} <= set(
        document["paths"])
    assert "10000 instants" in document["info"]["description"]
    fields = {parameter["name"] for parameter in document["paths"]["/v1/chart"]["get"]["parameters"]}
    assert {"date", "time", "tz", "place", "houses"} <= fields


@pytest.mark.parametrize("argv", [["serve", "--workers", "0"], ["serve", "--port", "http"], ["serve", "--port", "-1"]])
def test_serve_flags_are_checked_before_anything_starts(argv, capsys) -> None:  # type: ignore[no-untyped-def]
    from orvane_tools.cli import main

    assert main(argv) == 2
    assert "orvane: error: argument --" in capsys.readouterr().err
