"""Everyday conveniences over the orvane engine.

- ``default_engine()``: an Engine on the default data in one line
  (``orvane_tools.data``), one per calling thread;
- ``to_instant``, ``to_datetime``, ``to_iso``, ``julian_days``: calendar dates
  and time zones (``orvane_tools.dates``);
- ``write_planet_centre_kernel``: the approximate planet-centre kernel
  (``orvane_tools.centres``).
"""
from __future__ import annotations

from .data import EngineSpec, MissingDataError, default_engine, default_spec
from .dates import julian_days, to_datetime, to_instant, to_iso

__all__ = [
    "EngineSpec",
    "MissingDataError",
    "default_engine",
    "default_spec",
    "julian_days",
    "to_datetime",
    "to_instant",
    "to_iso",
]
