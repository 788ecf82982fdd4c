"""orvane on a real Dask cluster: two worker processes of one thread each on
this machine. Results equal the single-process ones bit for bit, a worker
that dies mid-computation is replaced without losing any of the result, and a
kernel missing on the workers fails with the engine's own error. Every wait is
bounded."""
from __future__ import annotations

import datetime
import gc
import logging
import os
import sys
import threading

import numpy as np
import pytest

distributed = pytest.importorskip("distributed")
import dask.array as da  # noqa: E402

import orvane  # noqa: E402
from conftest import ANY_SHA  # noqa: E402
from orvane_tools.chart import chart  # noqa: E402
from orvane_tools.dask import OptionsSpec, chart_rows, map_records, positions, rise_set_transit_rows  # noqa: E402
from orvane_tools.data import DataFileError, EngineSpec, default_spec  # noqa: E402
from orvane_tools.sky import day_events  # noqa: E402

WAIT_S = 120
BODIES = ["sun", "moon", "mercury", "mars"]
PARIS = orvane.GeodeticObserver(2.35, 48.85, 35.0)
# Uneven chunks, a one-instant chunk among them; UTC days from 1972 to 2020.
DAYS = np.linspace(2441317.5, 2459000.5, 1201)
CHUNKS = ((300, 1, 500, 250, 150),)


@pytest.fixture(autouse=True)
def _collect_on_this_thread():
    """Engines left in reference cycles (a kept traceback holds the frame that
    held one) are collected here, on the thread that opened them, rather than
    by a collection that happens to run on the client's event-loop thread,
    which reports them as dropped on another thread."""
    gc.collect()
    yield
    gc.collect()


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=":0",
                                  silence_logs=logging.CRITICAL, timeout=WAIT_S) as cluster:
        with distributed.Client(cluster, timeout=WAIT_S) as dask_client:
            yield dask_client


@pytest.fixture(scope="module")
def spec(de421_path, leap_seconds_path, eop_path):
    return EngineSpec(de421_path, ANY_SHA, leap_seconds_path, ANY_SHA, eop_path, ANY_SHA)


def compute(dask_client, collection):
    return dask_client.compute(collection).result(timeout=WAIT_S)


@pytest.mark.parametrize("options", [OptionsSpec.apparent_place(),
                                     OptionsSpec.apparent_place("topocentric", "equatorial", PARIS)])
def test_positions_equal_one_call_in_this_process(client, spec, options):
    result = compute(client, positions(spec, da.from_array(DAYS, chunks=CHUNKS), "utc", BODIES, options))
    alone = spec.open().positions(BODIES, [orvane.Instant.utc(day) for day in DAYS], options.build())
    assert result.tobytes() == alone.tobytes()


def _engine_of_this_thread(spec: EngineSpec, _task: int) -> tuple[int, int, int]:
    return os.getpid(), threading.get_ident(), id(spec.engine())


def test_each_worker_thread_opens_one_engine_and_both_workers_serve(client, spec):
    futures = client.map(_engine_of_this_thread, [spec] * 40, range(40), pure=False)
    seen = client.gather(futures)
    engines: dict[tuple[int, int], set[int]] = {}
    for pid, thread, engine in seen:
        engines.setdefault((pid, thread), set()).add(engine)
    assert all(len(ids) == 1 for ids in engines.values())
    assert len({pid for pid, _ in engines}) == 2


def test_rise_set_transit_rows_equal_this_process(client, spec):
    places = [{"place": "Paris", "longitude_east_deg": 2.35, "latitude_deg": 48.85, "time_zone": "Europe/Paris",
               "first_day": "2020-01-01", "last_day": datetime.date(2020, 1, 3)},
              {"place": "Tromso", "longitude_east_deg": 18.96, "latitude_deg": 69.65, "height_m": 10.0,
               "time_zone": "Europe/Oslo", "first_day": "2019-12-21", "last_day": "2019-12-22"}]
    rows = compute(client, rise_set_transit_rows(spec, places, npartitions=2))
    engine = spec.open()
    expected = []
    for place in places:
        observer = orvane.GeodeticObserver(place["longitude_east_deg"], place["latitude_deg"],
                                           place.get("height_m", 0.0))
        first = datetime.date.fromisoformat(place["first_day"])
        for day in (first + datetime.timedelta(days=n) for n in range(3 if place["place"] == "Paris" else 2)):
            expected.append((place["place"], day, *day_events("sun", observer, day, place["time_zone"], engine)))
    assert [(r["place"], r["day"], r["rise"], r["transit"], r["set"]) for r in rows] == expected
    assert expected[-1][2] is None


def test_chart_rows_equal_charts_in_this_process(client, de421_path, leap_seconds_path, eop_path):
    with_centres = default_spec(de421_path, leap_seconds_path, eop_path)
    births = [{"name": "a", "moment": datetime.datetime(1990, 5, 17, 8, 30, tzinfo=datetime.timezone.utc),
               "longitude_east_deg": 2.35, "latitude_deg": 48.85},
              {"name": "b", "moment": "1985-02-01T12:00:00+01:00", "longitude_east_deg": 13.4, "latitude_deg": 52.5}]
    rows = compute(client, chart_rows(with_centres, births, npartitions=2))
    engine = with_centres.open()
    for birth, row in zip(births, rows, strict=True):
        drawn = chart(birth["moment"], orvane.GeodeticObserver(birth["longitude_east_deg"], birth["latitude_deg"]),
                      engine=engine)
        assert row["name"] == birth["name"] and row["tt_julian_day"] == drawn.tt_julian_day
        assert [row[f"{p.name}_longitude_deg"] for p in drawn.points] == [p.longitude_deg for p in drawn.points]
        assert tuple(row[f"cusp_{n}_deg"] for n in range(1, 13)) == drawn.houses.cusps_deg
        assert row["aspects"] == tuple((a.first, a.kind, a.second) for a in drawn.aspects)


def _die_once(block: np.ndarray, marker: str) -> np.ndarray:
    """Kills its own worker process the first time any task runs it."""
    try:
        os.close(os.open(marker, os.O_CREAT | os.O_EXCL))
    except FileExistsError:
        return block
    os._exit(1)


def test_worker_killed_mid_computation_is_replaced_and_the_result_is_complete(client, spec, tmp_path):
    marker = tmp_path / "killed"
    options = OptionsSpec.apparent_place()
    array = positions(spec, da.from_array(DAYS, chunks=CHUNKS), "utc", BODIES, options)
    result = compute(client, array.map_blocks(_die_once, str(marker), meta=np.empty((0, 0, 0))))
    assert marker.exists()
    alone = spec.open().positions(BODIES, [orvane.Instant.utc(day) for day in DAYS], options.build())
    assert result.tobytes() == alone.tobytes()
    client.wait_for_workers(2, timeout=WAIT_S)


def test_kernel_missing_on_the_workers_is_the_engines_error(client, spec, tmp_path):
    missing = str(tmp_path / "gone.bsp")
    with pytest.raises(ValueError) as here:
        orvane.open(missing, ANY_SHA)
    lost = EngineSpec(missing, ANY_SHA)
    with pytest.raises(DataFileError) as there:
        compute(client, positions(lost, da.from_array(DAYS[:10], chunks=5), "tdb", ["sun"],
                                  OptionsSpec.geometric()))
    assert str(there.value).startswith(f"kernel {missing}: {here.value}; ")
    assert there.value.path == missing


BIRTHS = [{"name": "before the leap-second table", "moment": "1960-01-01T12:00:00+00:00",
           "longitude_east_deg": 2.35, "latitude_deg": 48.85},
          {"name": "a", "moment": "1990-05-17T08:30:00+00:00", "longitude_east_deg": 2.35, "latitude_deg": 48.85},
          {"name": "no place", "moment": "1990-05-17T08:30:00+00:00", "latitude_deg": 48.85},
          {"name": "b", "moment": "1985-02-01T12:00:00+01:00", "longitude_east_deg": 13.4, "latitude_deg": 52.5}]


@pytest.mark.parametrize("npartitions", [1, 3])
def test_failing_records_become_error_rows_beside_the_others(client, de421_path, leap_seconds_path, eop_path,
                                                            npartitions):
    with_centres = default_spec(de421_path, leap_seconds_path, eop_path, time_model=False)  # a 1960 birth fails
    rows = compute(client, chart_rows(with_centres, BIRTHS, npartitions=npartitions))
    assert [row["name"] for row in rows] == [birth["name"] for birth in BIRTHS]
    engine = with_centres.open()
    with pytest.raises(ValueError) as leap:
        chart(BIRTHS[0]["moment"], orvane.GeodeticObserver(2.35, 48.85), engine=engine)
    assert rows[0] == {**BIRTHS[0], "record_index": 0, "error": f"ValueError: {leap.value}"}
    assert rows[2] == {**BIRTHS[2], "record_index": 2, "error": "KeyError: 'longitude_east_deg'"}
    assert all("error" not in rows[n] and rows[n]["cusp_12_deg"] is not None for n in (1, 3))
    with pytest.raises(ValueError, match="leap-second entry"):
        compute(client, chart_rows(with_centres, BIRTHS[:2], npartitions=npartitions, errors="raise"))


class _Fails:
    """A row function that uses the engine, keeps it in its frame, and raises."""

    def __init__(self, kind: str) -> None:
        self.kind = kind

    def __call__(self, engine: orvane.Engine, record: dict) -> list[dict]:
        held = engine
        held.position("moon", orvane.Instant.tt(2451545.0), orvane.geometric())
        if self.kind == "KeyError":
            raise KeyError(record["name"])
        if self.kind == "ZeroDivisionError":
            return [{"ratio": 1 / 0}]
        if self.kind == "custom":
            raise _Refusal(record["name"], held)
        if self.kind == "chained":
            try:
                raise LookupError(held)
            except LookupError as inner:
                raise RuntimeError("while looking up") from inner
        raise ValueError(f"refused {record['name']}")


class _Refusal(Exception):
    def __init__(self, name: str, engine: orvane.Engine) -> None:
        super().__init__(name, engine)


def _frames_holding_the_engine(spec: EngineSpec, _task: int) -> int:
    """How many frames other than this one refer to this thread's engine."""
    engine = spec.engine()
    here = sys._getframe()
    try:
        return sum(1 for referrer in gc.get_referrers(engine) if type(referrer).__name__ == "frame"
                   and referrer is not here)
    finally:
        del here  # a frame that refers to itself would outlive the call


@pytest.mark.parametrize("kind, raised", [("KeyError", KeyError), ("ZeroDivisionError", ZeroDivisionError),
                                          ("custom", RuntimeError), ("chained", RuntimeError),
                                          ("ValueError", ValueError)])
def test_no_engine_is_held_by_a_failed_records_error(client, spec, kind, raised):
    records = [{"name": f"r{n}"} for n in range(4)]
    failed = client.compute(map_records(spec, records, _Fails(kind), npartitions=2, errors="raise"))
    distributed.wait(failed, timeout=WAIT_S)
    assert failed.status == "error"
    error = failed.exception(timeout=WAIT_S)
    assert type(error) is raised and error.__cause__ is None and error.__context__ is None
    assert "Engine" not in repr(error.args) or type(error) is RuntimeError
    # While the failed computation is still held, no worker keeps a frame that holds its engine.
    workers = list(client.scheduler_info()["workers"])
    probes = [client.submit(_frames_holding_the_engine, spec, n, workers=[address], pure=False)
              for n, address in enumerate(workers)]
    assert client.gather(probes) == [0] * len(workers)
    rows = compute(client, map_records(spec, records, _Fails(kind), npartitions=2))
    assert [(row["name"], row["record_index"]) for row in rows] == [(f"r{n}", n) for n in range(4)]
    assert all(row["error"].startswith(raised.__name__ if raised is not RuntimeError else "") for row in rows)
    assert client.gather([client.submit(_frames_holding_the_engine, spec, 10 + n, workers=[address], pure=False)
                          for n, address in enumerate(workers)]) == [0] * len(workers)
    del failed
