"""Searches over many records: Dask bags of plain dictionaries in, rows out.

A bag of rows turns into a dataframe with `bag.to_dataframe()` where pandas is
installed; nothing here needs it.
"""
from __future__ import annotations

import math
from collections.abc import Callable, Iterable, Mapping
from typing import Any

import dask.bag as db

import orvane
from orvane_tools.dask.on_worker import call_with_engine
from orvane_tools.data import EngineSpec

Record = Mapping[str, Any]
Row = dict[str, Any]
RowFunction = Callable[[orvane.Engine, Record], Iterable[Row]]
# Dask's functions carry no annotations: their types, as used here.
_bag_of: Callable[..., db.Bag] = db.from_sequence
_map_partitions: Callable[..., db.Bag] = db.map_partitions

RANGE_KEYS = ("first_day", "last_day")


def map_records(spec: EngineSpec, records: db.Bag | Iterable[Record], function: RowFunction,
                npartitions: int | None = None) -> db.Bag:
    """The rows `function(engine, record)` gives for every record, flattened,
    each call on the worker thread's own engine. A sequence of records is
    spread over `npartitions` partitions (Dask's default when None)."""
    bag = records if isinstance(records, db.Bag) else _bag_of(records, npartitions=npartitions)
    return _map_partitions(_rows_of_partition, bag, spec, function)


def _rows_of_partition(records: Iterable[Record], spec: EngineSpec, function: RowFunction) -> list[Row]:
    return call_with_engine(spec, _rows, records, function)


def _rows(engine: orvane.Engine, records: Iterable[Record], function: RowFunction) -> list[Row]:
    return [row for record in records for row in function(engine, record)]


def rise_set_transit_rows(spec: EngineSpec, places: db.Bag | Iterable[Record], body: str = "sun",
                          altitude_deg: float = orvane.SUN_UPPER_LIMB_ALTITUDE_DEG,
                          npartitions: int | None = None) -> db.Bag:
    """One row per place and day: the body's transit nearest local mean noon
    with its rise and set, as UT1 Julian days (None where the body does not
    rise or set that day).

    A place record holds `longitude_east_deg`, `latitude_deg`, optionally
    `height_m`, and `first_day` and `last_day`: the UTC Julian days (at 0h) of
    the first and the last day, both included. Its other keys are copied into
    each of its rows beside `day`, the day's UTC Julian day at 0h.
    """
    return map_records(spec, places, _DaysAtPlace(body, altitude_deg), npartitions)


class _DaysAtPlace:
    def __init__(self, body: str, altitude_deg: float) -> None:
        self.body = body
        self.altitude_deg = altitude_deg

    def __call__(self, engine: orvane.Engine, place: Record) -> Iterable[Row]:
        longitude = float(place["longitude_east_deg"])
        observer = orvane.GeodeticObserver(longitude, float(place["latitude_deg"]),
                                           float(place.get("height_m", 0.0)))
        first, last = float(place["first_day"]), float(place["last_day"])
        if not (math.isfinite(first) and math.isfinite(last)):
            raise ValueError("first_day and last_day must be finite Julian days")
        carried = {key: value for key, value in place.items() if key not in RANGE_KEYS}
        for step in range(math.floor(last - first) + 1):
            day = first + step
            noon = orvane.Instant.utc(day + 0.5 - longitude / 360.0)
            events = engine.rise_set_transit(self.body, observer, noon, self.altitude_deg)
            yield {**carried, "day": day, "transit_ut1_julian_day": events.transit_ut1_julian_day,
                   "rise_ut1_julian_day": events.rise_ut1_julian_day,
                   "set_ut1_julian_day": events.set_ut1_julian_day}
