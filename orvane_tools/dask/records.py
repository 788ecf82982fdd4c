"""Searches over many records: Dask bags of plain dictionaries in, rows out.

A bag of rows turns into a dataframe with `bag.to_dataframe()` (the dask extra
brings dask[dataframe] for it); nothing here needs it.
"""
from __future__ import annotations

import datetime
from collections.abc import Callable, Iterable, Mapping
from typing import Any, Literal

import dask.bag as db

import orvane
from orvane_tools.chart import chart
from orvane_tools.dask.on_worker import call_with_engine, detached
from orvane_tools.data import EngineSpec
from orvane_tools.sky import day_events

Record = Mapping[str, Any]
Row = dict[str, Any]
RowFunction = Callable[[orvane.Engine, Record], Iterable[Row]]
Errors = Literal["row", "raise"]
# Dask's functions carry no annotations: their types, as used here.
_bag_of: Callable[..., db.Bag] = db.from_sequence
_map_partitions: Callable[..., db.Bag] = db.map_partitions

RANGE_KEYS = ("first_day", "last_day")


def map_records(spec: EngineSpec, records: db.Bag | Iterable[Record], function: RowFunction,
                npartitions: int | None = None, *, errors: Errors = "row") -> db.Bag:
    """The rows `function(engine, record)` gives for every record, flattened,
    each call on the worker thread's own engine. A sequence of records is
    spread over `npartitions` partitions (Dask's default when None).

    A record whose function raises gives, with ``errors="row"`` (the
    default), one error row in place of its rows: the record's own keys (its
    identity, such as a name or an id), ``record_index`` and ``error``, the
    message prefixed by the error's type (``"ValueError: ..."``); rows
    without an ``error`` key are results. ``record_index`` is the record's
    index in `records` when they are a sequence, its index within its
    partition when they are a bag. With ``errors="raise"`` the first failure
    fails the computation with an error of the same type and message.

    >>> bag = map_records(spec, [{"id": 7}], lambda engine, record: [{**record, "jd": 2451545.0}])  # doctest: +SKIP
    >>> bag.compute()  # doctest: +SKIP
    [{'id': 7, 'jd': 2451545.0}]
    """
    if errors not in ("row", "raise"):
        raise ValueError(f'errors must be "row" or "raise", not {errors!r}')
    if isinstance(records, db.Bag):
        return _map_partitions(_rows_of_partition, records, spec, function, errors, False)
    listed = list(enumerate(records))
    return _map_partitions(_rows_of_partition, _bag_of(listed, npartitions=npartitions), spec, function, errors, True)


def _rows_of_partition(records: Iterable[Any], spec: EngineSpec, function: RowFunction, errors: Errors,
                       indexed: bool) -> list[Row]:
    return call_with_engine(spec, _rows, records, function, errors, indexed)


def _rows(engine: orvane.Engine, records: Iterable[Any], function: RowFunction, errors: Errors,
          indexed: bool) -> list[Row]:
    rows: list[Row] = []
    for position, item in enumerate(records):
        index, record = item if indexed else (position, item)
        if errors == "raise":
            rows.extend(function(engine, record))
            continue
        failure: BaseException | None = None
        try:
            rows.extend(function(engine, record))
        except Exception as error:  # the record's failure becomes its row; its frames are cleared
            failure = detached(error)
        if failure is not None:
            rows.append(_error_row(index, record, failure))
    return rows


def _error_row(index: int, record: object, failure: BaseException) -> Row:
    carried = dict(record) if isinstance(record, Mapping) else {"record": record}
    lines = str(failure).splitlines()
    error = f"{type(failure).__name__}: {lines[0]}" if lines else type(failure).__name__
    return {**carried, "record_index": index, "error": error}


def rise_set_transit_rows(spec: EngineSpec, places: db.Bag | Iterable[Record], body: str = "sun",
                          altitude_deg: float | None = None, npartitions: int | None = None, *,
                          errors: Errors = "row") -> db.Bag:
    """One row per place and local day: the body's rise, transit and set as
    aware datetimes in the place's time zone (`orvane_tools.sky.day_events`;
    rise and set are None where the body does not cross the horizon).

    A place record holds `longitude_east_deg`, `latitude_deg`, optionally
    `height_m`, `time_zone` (an IANA name or a tzinfo), and `first_day` and
    `last_day` (dates or ISO date texts, both included). Its other keys are
    copied into each of its rows beside `day`, `rise`, `transit` and `set`.
    A place that fails gives one error row (see `map_records`) unless
    ``errors="raise"``.
    """
    return map_records(spec, places, _DaysAtPlace(body, altitude_deg), npartitions, errors=errors)


class _DaysAtPlace:
    def __init__(self, body: str, altitude_deg: float | None) -> None:
        self.body = body
        self.altitude_deg = altitude_deg

    def __call__(self, engine: orvane.Engine, place: Record) -> Iterable[Row]:
        observer = orvane.GeodeticObserver(float(place["longitude_east_deg"]), float(place["latitude_deg"]),
                                           float(place.get("height_m", 0.0)))
        first, last = _date(place["first_day"]), _date(place["last_day"])
        carried = {key: value for key, value in place.items() if key not in RANGE_KEYS}
        for step in range((last - first).days + 1):
            day = first + datetime.timedelta(days=step)
            events = day_events(self.body, observer, day, place["time_zone"], engine, self.altitude_deg)
            yield {**carried, "day": day, "rise": events.rise, "transit": events.transit, "set": events.set}


def _date(value: object) -> datetime.date:
    if isinstance(value, str):
        return datetime.date.fromisoformat(value)
    if isinstance(value, datetime.datetime):
        raise TypeError("first_day and last_day are dates, not datetimes")
    if isinstance(value, datetime.date):
        return value
    raise TypeError(f"first_day and last_day must be dates or ISO date texts, not {type(value).__name__}")


def chart_rows(spec: EngineSpec, births: db.Bag | Iterable[Record], houses: str | None = "placidus",
               sidereal: str | None = None, npartitions: int | None = None, *, errors: Errors = "row") -> db.Bag:
    """One row per birth record: its chart (`orvane_tools.chart.chart`) as
    plain columns.

    A record holds `moment` (an aware datetime or an ISO 8601 text),
    `longitude_east_deg`, `latitude_deg` and optionally `height_m`; its other
    keys are copied into its row beside `tt_julian_day`, `ut1_julian_day`,
    `<point>_longitude_deg` and `<point>_speed_deg_per_day` for every body and
    lunar point (the speed None where a point has none), `cusp_1_deg` to
    `cusp_12_deg`, `ascendant_deg` and `midheaven_deg` (without houses, None),
    and `aspects`, a tuple of (first, kind, second) names. A birth whose
    chart fails (say, before the Earth-orientation table begins) gives its
    keys with `record_index` and `error` instead (see `map_records`), unless
    ``errors="raise"``.
    """
    return map_records(spec, births, _Charts(houses, sidereal), npartitions, errors=errors)


class _Charts:
    def __init__(self, houses: str | None, sidereal: str | None) -> None:
        self.houses = houses
        self.sidereal = sidereal

    def __call__(self, engine: orvane.Engine, birth: Record) -> Iterable[Row]:
        place = orvane.GeodeticObserver(float(birth["longitude_east_deg"]), float(birth["latitude_deg"]),
                                        float(birth.get("height_m", 0.0)))
        drawn = chart(birth["moment"], place, houses=self.houses, sidereal=self.sidereal, engine=engine)
        row: Row = {**birth, "tt_julian_day": drawn.tt_julian_day, "ut1_julian_day": drawn.ut1_julian_day}
        for point in drawn.points:
            row[f"{point.name}_longitude_deg"] = point.longitude_deg
            row[f"{point.name}_speed_deg_per_day"] = point.speed_deg_per_day
        cusps = drawn.houses.cusps_deg if drawn.houses is not None else (None,) * 12
        row.update({f"cusp_{number}_deg": cusp for number, cusp in enumerate(cusps, start=1)})
        row["ascendant_deg"] = drawn.houses.ascendant_deg if drawn.houses is not None else None
        row["midheaven_deg"] = drawn.houses.midheaven_deg if drawn.houses is not None else None
        row["aspects"] = tuple((aspect.first, aspect.kind, aspect.second) for aspect in drawn.aspects)
        yield row
