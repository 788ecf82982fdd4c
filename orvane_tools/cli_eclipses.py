"""The `orvane eclipses` command: lunar and solar eclipses in a range, over
the whole Earth or at a place, as a table, CSV or JSON."""

from __future__ import annotations

import argparse
from collections.abc import Callable
from datetime import date, datetime, tzinfo
from typing import TextIO
from zoneinfo import ZoneInfo

import orvane

from orvane_tools import eclipses
from orvane_tools.choices import one_of
from orvane_tools.data import check_covered, default_engine
from orvane_tools.dates import to_instant
from orvane_tools.output import Column, RowWriter, Value

Command = Callable[[str, str, str, Callable[[argparse.Namespace, TextIO], None]], argparse.ArgumentParser]
#: What the command lists: both global kinds (the default), one of them, or those seen at --place.
KINDS: tuple[str, ...] = ("all", "lunar", "solar", "local")


def _aware(value: datetime | date, tz: tzinfo) -> datetime:
    if isinstance(value, datetime):
        return value if value.tzinfo is not None else value.replace(tzinfo=tz)
    return datetime(value.year, value.month, value.day, tzinfo=tz)


def _local(moment: datetime | None, tz: tzinfo) -> datetime | None:
    return None if moment is None else moment.astimezone(tz)


def run_eclipses(args: argparse.Namespace, out: TextIO) -> None:
    """List the eclipses from --from to --to of the kind asked for."""
    from orvane_tools.cli import CommandLineError

    start = to_instant(_aware(args.start, args.tz))
    end = to_instant(_aware(args.end, args.tz))
    if end.julian_day < start.julian_day:
        raise CommandLineError("--to is before --from")
    kind = args.kind or ("local" if args.place is not None else "all")
    if kind == "local" and args.place is None:
        raise CommandLineError("the local eclipses need --place")
    engine = default_engine()
    check_covered(engine, start, end)
    tz = args.tz
    time = Column("time", 25, left=True)
    rows: list[tuple[float, list[Value]]] = []
    if kind == "lunar":
        columns = [time, Column("kind", 9, left=True), Column("umbral_mag", 10, ".4f"),
                   Column("penumbral_mag", 13, ".4f"), Column("gamma", 8, ".4f")]
        columns += [Column(name, 25, left=True) for name in ("p1", "u1", "u2", "u3", "u4", "p4")]
        for lunar in eclipses.lunar_eclipses(engine, start, end, args.shadow):
            rows.append((lunar.tt_julian_day, [
                _local(lunar.greatest, tz), lunar.kind, lunar.umbral_magnitude, lunar.penumbral_magnitude,
                lunar.gamma, *(_local(m, tz) for m in (lunar.p1, lunar.u1, lunar.u2, lunar.u3, lunar.u4, lunar.p4))]))
    elif kind == "solar":
        columns = [time, Column("kind", 8, left=True), Column("central", 7, left=True),
                   Column("latitude", 9, ".3f"), Column("longitude", 10, ".3f"), Column("magnitude", 9, ".4f"),
                   Column("gamma", 8, ".4f"), Column("width_km", 8, ".0f")]
        for solar in eclipses.solar_eclipses(engine, start, end):
            rows.append((solar.tt_julian_day, [
                _local(solar.greatest, tz), solar.kind, solar.central, solar.latitude_deg, solar.longitude_east_deg,
                solar.magnitude, solar.gamma, solar.path_width_km if solar.central else None]))
    elif kind == "local":
        columns = [time, Column("kind", 8, left=True), Column("magnitude", 9, ".4f"),
                   Column("obscuration", 11, ".4f"), Column("sun_alt", 7, ".1f")]
        columns += [Column(name, 25, left=True) for name in ("c1", "c2", "c3", "c4")]
        for seen in eclipses.local_solar_eclipses(engine, args.place, start, end):
            rows.append((seen.tt_julian_day, [
                _local(seen.maximum, tz), seen.kind, seen.magnitude, seen.obscuration, seen.altitudes_deg[2],
                *(_local(m, tz) for m in (seen.c1, seen.c2, seen.c3, seen.c4))]))
    else:
        columns = [time, Column("eclipse", 15, left=True), Column("magnitude", 9, ".4f"), Column("gamma", 8, ".4f")]
        for lunar in eclipses.lunar_eclipses(engine, start, end, args.shadow):
            rows.append((lunar.tt_julian_day, [_local(lunar.greatest, tz), f"lunar {lunar.kind}",
                                               lunar.umbral_magnitude, lunar.gamma]))
        for solar in eclipses.solar_eclipses(engine, start, end):
            rows.append((solar.tt_julian_day, [_local(solar.greatest, tz), f"solar {solar.kind}",
                                               solar.magnitude, solar.gamma]))
    writer = RowWriter(out, args.format, columns)
    for _, row in sorted(rows, key=lambda item: item[0]):
        writer.row(row)
    writer.close()


def add_commands(command: Command, place: Callable[[str], orvane.GeodeticObserver],
                 moment: Callable[[str], datetime | date], zone: Callable[[str], tzinfo]) -> None:
    """Add `orvane eclipses` through the parser's `command` maker and its argument types."""
    found = command("eclipses", "Lunar and solar eclipses: over the whole Earth, or as seen from a place.",
                    "orvane eclipses --from 2024-01-01 --to 2030-01-01\n"
                    "  orvane eclipses --from 2024-01-01 --to 2030-01-01 --kind lunar --format csv\n"
                    "  orvane eclipses --from 2026-01-01 --to 2028-01-01 --kind local --place 40.42,-3.70,650 "
                    "--tz Europe/Madrid", run_eclipses)
    found.add_argument("--from", dest="start", type=moment, required=True, help="ISO date or date-time")
    found.add_argument("--to", dest="end", type=moment, required=True, help="ISO date or date-time")
    found.add_argument("--tz", type=zone, default=ZoneInfo("UTC"), help="IANA time zone or offset (default UTC)")
    found.add_argument("--kind", type=one_of("kind", KINDS), metavar="{" + ",".join(KINDS) + "}",
                       help="all (lunar and solar, the default), lunar, solar, or local (the default with --place)")
    found.add_argument("--place", type=place, help="latitude,longitude[,height]: the eclipses seen there")
    found.add_argument("--shadow", type=one_of("shadow rule", eclipses.SHADOW_RULES), default="danjon",
                       metavar="{" + ",".join(eclipses.SHADOW_RULES) + "}",
                       help="the lunar shadow's enlargement (default danjon)")
