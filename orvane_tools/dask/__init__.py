"""orvane on Dask: positions over Dask arrays and searches over bags of
records, computed by many engines in many processes, on one machine or many.

Needs the optional extra: `pip install "orvane[dask]"`. Every task opens its
engine from an `orvane_tools.data.EngineSpec` (one per worker thread) and
builds its options from an `OptionsSpec`, since neither an Engine nor
`PositionOptions` can travel between processes.
"""
from orvane_tools.dask.arrays import positions
from orvane_tools.dask.options import OptionsSpec
from orvane_tools.dask.records import chart_rows, map_records, rise_set_transit_rows

__all__ = ["OptionsSpec", "chart_rows", "map_records", "positions", "rise_set_transit_rows"]
