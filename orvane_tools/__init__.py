"""Everyday conveniences over the orvane engine.

- ``default_engine()``: an Engine on the default data in one line
  (``orvane_tools.data``), one per calling thread;
- ``to_instant``, ``to_datetime``, ``to_iso``, ``julian_days``: calendar dates
  and time zones (``orvane_tools.dates``);
- ``place(lat=..., lon=..., height_m=...)``: a place by keywords alone
  (``orvane_tools.places``);
- ``altitude_azimuth``, ``day_events``: the sky at a place, rise, transit and
  set in local time (``orvane_tools.sky``);
- ``write_planet_centre_kernel``: the approximate planet-centre kernel
  (``orvane_tools.centres``).
"""
from __future__ import annotations

from .centres import write_planet_centre_kernel
from .data import DataFileError, EngineSpec, MissingDataError, default_engine, default_spec
from .dates import julian_days, to_datetime, to_instant, to_iso
from .places import place
from .sky import DayEvents, Horizontal, altitude_azimuth, day_events

__all__ = [
    "DataFileError",
    "DayEvents",
    "EngineSpec",
    "Horizontal",
    "MissingDataError",
    "altitude_azimuth",
    "day_events",
    "default_engine",
    "default_spec",
    "julian_days",
    "place",
    "to_datetime",
    "to_instant",
    "to_iso",
    "write_planet_centre_kernel",
]
