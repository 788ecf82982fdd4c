"""The `orvane` command: positions, charts, almanacs and events from the
shell, on the default data."""

from __future__ import annotations

import argparse
import io
import math
import os
import re
import sys
from collections.abc import Callable, Sequence
from datetime import date, datetime, time, timedelta, timezone, tzinfo
from typing import NoReturn, TextIO
from zoneinfo import ZoneInfo, ZoneInfoNotFoundError

import orvane

from orvane_tools import almanac, chart, checksums
from orvane_tools import events as events_
from orvane_tools import stars as stars_
from orvane_tools.choices import body_list, enum_name, kind_list, names_of, one_of
from orvane_tools.data import check_covered, default_engine
from orvane_tools.dates import civil_datetime, clock_time, fixed_offset, to_datetime, to_instant
from orvane_tools.output import FORMATS, Column, RowWriter, Value, encodable
from orvane_tools.places import HEIGHT_RANGE_M, PLACE_FORMS, parse_place
from orvane_tools.progress import Progress
from orvane_tools.sky import MOON_EDGES
from orvane_tools.small_bodies import require_kernels

BATCH_INSTANTS = 4096
_VALUE_OPTIONS = ("--place", "--from", "--to", "--at", "--tz", "--first-place", "--second-place", "--first-tz", "--second-tz")
_STEP = re.compile(r"^\s*(\d+(?:\.\d*)?)\s*([dhms])\s*$")
_STEP_DAYS = {"d": 1.0, "h": 1.0 / 24.0, "m": 1.0 / 1440.0, "s": 1.0 / 86400.0}
#: The shortest step: a millisecond, about 25 times the spacing of Julian days near the present.
MIN_STEP_DAYS = 0.001 / 86400.0
#: At most this many instants in one listing (a century in steps of one second is 3.2e9).
MAX_INSTANTS = 10**12
#: Where a file name is asked for, this one means standard output.
STANDARD_OUTPUT = "-"


class CommandLineError(Exception):
    """A bad command line: reported in one line with exit status 2."""


class _Parser(argparse.ArgumentParser):
    def error(self, message: str) -> NoReturn:
        raise CommandLineError(message)


# --- argument types --------------------------------------------------------

def place(text: str) -> orvane.GeodeticObserver:
    try:
        return parse_place(text)
    except ValueError as error:
        raise argparse.ArgumentTypeError(str(error)) from None


def zone(text: str) -> ZoneInfo:
    try:
        return ZoneInfo(text)
    except (ZoneInfoNotFoundError, ValueError):
        raise argparse.ArgumentTypeError(f"unknown time zone {text!r}") from None


def zone_or_offset(text: str) -> tzinfo:
    """An IANA zone or a fixed UTC offset such as +02:00 or -05:30."""
    if text.strip()[:1] in ("+", "-"):
        try:
            return fixed_offset(text)
        except ValueError as error:
            raise argparse.ArgumentTypeError(str(error)) from None
    return zone(text)


def zone_name(tz: tzinfo) -> str:
    return str(getattr(tz, "key", None) or tz)


def date_fields(text: str) -> tuple[int, int, int]:
    """YYYY-MM-DD as numbers, checked against the calendar later (a Julian 1500-02-29 exists)."""
    match = re.fullmatch(r"([0-9]{4})-([0-9]{2})-([0-9]{2})", text.strip(), re.ASCII)
    if match is None:
        raise argparse.ArgumentTypeError(f"expected a date YYYY-MM-DD, not {text!r}")
    return int(match[1]), int(match[2]), int(match[3])


def step_days(text: str) -> float:
    match = _STEP.match(text)
    if match is None or float(match.group(1)) <= 0.0:
        raise argparse.ArgumentTypeError(f"step must be a positive number with d, h, m or s (e.g. 1d, 6h), not {text!r}")
    days = float(match.group(1)) * _STEP_DAYS[match.group(2)]
    if not math.isfinite(days):
        raise argparse.ArgumentTypeError(f"step {text!r} is too large")
    if days < MIN_STEP_DAYS:
        raise argparse.ArgumentTypeError(f"step must be at least 1 ms, not {text!r}")
    return days


def moment(text: str) -> datetime | date:
    """An ISO date (YYYY-MM-DD) or date and time (with or without an offset)."""
    try:
        if len(text.strip()) == 10:
            return date.fromisoformat(text.strip())
        return datetime.fromisoformat(text.strip())
    except ValueError:
        raise argparse.ArgumentTypeError(f"expected an ISO date or date-time, not {text!r}") from None


def _aware(value: datetime | date, tz: tzinfo) -> datetime:
    if isinstance(value, datetime):
        return value if value.tzinfo is not None else value.replace(tzinfo=tz)
    return datetime(value.year, value.month, value.day, tzinfo=tz)


def _day(value: datetime | date) -> date:
    return value.date() if isinstance(value, datetime) else value


# --- commands --------------------------------------------------------------

def _progress(args: argparse.Namespace, label: str, out: TextIO) -> Progress:
    return Progress(label, quiet=args.quiet, rows=out)


def run_now(args: argparse.Namespace, out: TextIO) -> None:
    engine = default_engine()
    now = datetime.now(args.tz) if args.at is None else _aware(args.at, args.tz)
    instant = to_instant(now)
    stamp = to_datetime(instant, engine, args.tz)
    bodies = list(chart.BODIES)
    ecliptic = engine.positions(bodies, [instant], orvane.apparent())[0]
    equatorial = engine.positions(bodies, [instant], orvane.apparent("geocentric", "equatorial"))[0]
    columns = [Column("time", 25, left=True), Column("body", 8, left=True), Column("longitude_deg", 13, ".6f"),
               Column("zodiac", 20),
               Column("latitude_deg", 12, "+.6f"), Column("ra_hours", 11, ".6f"), Column("dec_deg", 11, "+.6f"),
               Column("distance_au", 12, ".8f"), Column("retrograde", 10)]
    if args.place is not None:
        columns += [Column("altitude_deg", 12, "+.4f"), Column("azimuth_deg", 11, ".4f")]
    rows: list[list[Value]] = []
    for i, body in enumerate(bodies):
        row: list[Value] = [stamp, body, float(ecliptic[i][0]), chart.zodiac_text(float(ecliptic[i][0])),
                            float(ecliptic[i][1]), float(equatorial[i][0]) / 15.0, float(equatorial[i][1]),
                            float(ecliptic[i][2]), bool(ecliptic[i][3] < 0.0)]
        if args.place is not None:
            altitude, azimuth, _ = engine.altitude_azimuth(body, args.place, instant, refraction=True)
            row += [altitude, azimuth]
        rows.append(row)
    if args.format == "table":
        out.write(f"# {stamp.isoformat(timespec='seconds')}  apparent geocentric, true equinox of date"
                  f"{'; altitude with refraction' if args.place is not None else ''}\n")
    writer = RowWriter(out, args.format, columns)
    for row in rows:
        writer.row(row)
    writer.close()


def run_positions(args: argparse.Namespace, out: TextIO) -> None:
    import numpy  # the batch requests need it; the other commands do not

    bodies: list[str | int] = list(args.bodies)
    options = request_options(args.origin, args.frame, args.epoch, not args.geometric, args.place)
    if args.sidereal is not None and (args.frame != "ecliptic" or args.epoch == "j2000"):
        raise CommandLineError("--sidereal needs --frame ecliptic and --epoch of_date")
    start = to_instant(_aware(args.start, timezone.utc))
    end = to_instant(_aware(args.end, timezone.utc))
    if end.julian_day < start.julian_day:
        raise CommandLineError("--to is before --from")
    steps = (end.julian_day - start.julian_day) / args.step
    if not steps < MAX_INSTANTS:
        raise CommandLineError(f"--step is too small for the range: more than {MAX_INSTANTS:.0e} instants")
    # The end is in the listing when it falls on a step, within the rounding of the two Julian days.
    count = math.floor(steps + max(1e-6, 4.0 * math.ulp(end.julian_day) / args.step)) + 1
    engine = default_engine()
    check_covered(engine, start, end)
    require_kernels(engine, bodies)
    names = ("ra_hours", "dec_deg") if args.frame == "equatorial" else ("longitude_deg", "latitude_deg")
    writer = RowWriter(out, args.format, [
        Column("time_utc", 20, left=True, time_format="%Y-%m-%dT%H:%M:%SZ"), Column("body", 8, left=True), Column(names[0], 13, ".7f"), Column(names[1], 12, "+.7f"),
        Column("distance_au", 13, ".9f"), Column("speed_deg_per_day", 17, "+.7f")])
    scale = 15.0 if args.frame == "equatorial" else 1.0
    progress = _progress(args, "positions", out)
    for first in range(0, count, BATCH_INSTANTS):
        progress.update(first, count)
        with numpy.errstate(all="raise"):  # never a warning: an overflow is refused in one line
            days = start.julian_day + numpy.arange(first, min(count, first + BATCH_INSTANTS),
                                                   dtype=numpy.float64) * args.step
        table = engine.positions_for_julian_days(bodies, days, "utc", options)
        instants = [orvane.Instant.utc(float(day)) for day in days]
        ayanamshas = [chart.ayanamsha_and_rate(engine, args.sidereal, t) for t in instants] if args.sidereal else None
        for i, instant in enumerate(instants):
            stamp = to_datetime(instant, engine, timezone.utc)
            for j, body in enumerate(bodies):
                longitude = float(table[i][j][0])
                speed = float(table[i][j][3])
                if ayanamshas is not None:
                    longitude = (longitude - ayanamshas[i][0]) % 360.0
                    speed -= ayanamshas[i][1]
                writer.row([stamp, body, longitude / scale, float(table[i][j][1]), float(table[i][j][2]), speed])
    progress.done()
    writer.close()


def request_options(origin: str, frame: str, epoch: str, apparent: bool,
                    observer: orvane.GeodeticObserver | None) -> orvane.PositionOptions:
    """Apparent or geometric places on the chosen frame: of date means the true
    equator or ecliptic (precession and nutation); J2000 means no rotation."""
    observer = observer if origin == "topocentric" else None
    if epoch == "j2000":
        return orvane.PositionOptions(origin, frame, "j2000", light_time=apparent, aberration=apparent,
                                      gravitational_deflection=apparent, observer=observer)
    if apparent:
        return orvane.apparent(origin, frame, observer)
    return orvane.PositionOptions(origin, frame, "of_date", true_ecliptic=frame == "ecliptic", precession=True,
                                  nutation=True, observer=observer)


def run_chart(args: argparse.Namespace, out: TextIO) -> None:
    engine = default_engine()
    year, month, day = args.date
    when = civil_datetime(year, month, day, args.time.hour, args.time.minute, args.time.second, tz=args.tz,
                          calendar=args.calendar, fold=args.fold)
    result = chart.chart(when, args.place, houses=args.houses, sidereal=args.sidereal, engine=engine,
                         polar_fallback=args.polar_fallback)
    calendar = "" if args.calendar == "gregorian" else f", {args.calendar} calendar {args.date[0]:04d}-{args.date[1]:02d}-{args.date[2]:02d}"
    if args.svg is not None:
        from orvane_tools.wheel import wheel_svg

        drawing = wheel_svg(result, when=when, place_name=zone_name(args.tz), theme=args.theme)
        if args.svg == STANDARD_OUTPUT:  # the drawing is the output: no rows beside it
            out.write(drawing)
            out.flush()
            return
        with open(args.svg, "w", encoding="utf-8") as svg:
            svg.write(drawing)
    houses = result.houses
    assert houses is not None
    used = houses.system if houses.fallback_reason is None else f"{houses.system} ({houses.fallback_reason})"
    if args.format == "table":
        out.write(f"# {when.isoformat(timespec='minutes')} ({zone_name(args.tz)}{calendar}), "
                  f"{result.zodiac}{'' if result.zodiac == 'tropical' else f' (ayanamsha {result.ayanamsha_deg:.6f})'}"
                  f", houses {used}, UT1 {result.ut1_source}\n")
    writer = RowWriter(out, args.format, [
        Column("section", 7, left=True), Column("name", 56, left=True), Column("longitude_deg", 13, ".6f"), Column("zodiac", 22),
        Column("latitude_deg", 12, "+.6f"), Column("speed_deg_per_day", 17, "+.6f"), Column("retrograde", 10),
        Column("house", 5), Column("orb_deg", 7, ".2f")])
    if houses.fallback_reason is not None:
        writer.row(["houses", houses.system, None, houses.fallback_reason, None, None, None, None, None])
    for point in result.points:
        writer.row(["point" if point.name in chart.COMPUTED_POINTS else "body", point.name, point.longitude_deg,
                    chart.zodiac_text(point.longitude_deg), point.latitude_deg, point.speed_deg_per_day,
                    point.retrograde, houses.house_of(point.longitude_deg), None])
    for number, cusp in enumerate(houses.cusps_deg, start=1):
        writer.row(["cusp", str(number), cusp, chart.zodiac_text(cusp), None, None, None, None, None])
    for name, angle in (("ascendant", houses.ascendant_deg), ("midheaven", houses.midheaven_deg)):
        writer.row(["angle", name, angle, chart.zodiac_text(angle), None, None, None, None, None])
    for aspect in result.aspects:
        motion = "" if aspect.applying is None else " applying" if aspect.applying else " separating"
        writer.row(["aspect", f"{aspect.first} {aspect.kind} {aspect.second}{motion}", aspect.separation_deg,
                    None, None, None, None, None, aspect.orb_deg])
    writer.close()


def run_almanac(args: argparse.Namespace, out: TextIO) -> None:
    if _day(args.end) < _day(args.start):
        raise CommandLineError("--to is before --from")
    engine = default_engine()
    clock = "%H:%M"  # tables: to the nearest minute, as almanacs print; CSV and JSON: every digit

    def times(*names: str) -> list[Column]:
        return [Column(name, max(5, len(name)), time_format=clock) for name in names]

    columns = [Column("date", 10, left=True), *times("sunrise", "transit", "sunset")]
    for kind, _ in almanac.TWILIGHTS:
        columns += times(f"{kind}_dawn", f"{kind}_dusk")
    columns += [*times("moonrise", "moonset"), Column("moon_phase", 15, left=True),
                Column("moon_illuminated", 16, ".3f")]
    writer = RowWriter(out, args.format, columns)
    first, last = _day(args.start), _day(args.end)
    check_covered(engine, to_instant(_aware(first, args.tz), fold=0),
                  to_instant(_aware(last, args.tz) + timedelta(days=1), fold=0))
    progress = _progress(args, "almanac", out)
    total = (last - first).days + 1
    for number, day in enumerate(almanac.daily_almanac(engine, args.place, first, last, args.tz, args.moon_edge)):
        progress.update(number, total)

        def cell(name: str, moment_: datetime | None) -> Value:
            return moment_ if moment_ is not None else day.all_day.get(name)  # "up" or "down" all day

        row: list[Value] = [day.day.isoformat(), cell("sunrise", day.sunrise), day.sun_transit,
                            cell("sunset", day.sunset)]
        for kind, _ in almanac.TWILIGHTS:
            row += [cell(f"{kind}_dawn", day.twilight[kind][0]), cell(f"{kind}_dusk", day.twilight[kind][1])]
        row += [cell("moonrise", day.moonrise), cell("moonset", day.moonset), day.moon_phase,
                day.moon_illuminated_fraction]
        writer.row(row)
    progress.done()
    writer.close()


def run_events(args: argparse.Namespace, out: TextIO) -> None:
    start = to_instant(_aware(args.start, args.tz))
    end = to_instant(_aware(args.end, args.tz))
    if end.julian_day < start.julian_day:
        raise CommandLineError("--to is before --from")
    engine = default_engine()
    check_covered(engine, start, end)
    writer = RowWriter(out, args.format, [Column("time", 25, left=True), Column("event", 18, left=True)])
    searched = [kind for kind in args.kind or () if kind in events_.SEARCH_KINDS or kind == "horizon"]
    if searched:
        rows = []
        for kind in searched:
            if kind == "horizon":
                if args.place is None or (args.body is None) == (args.star is None):
                    raise CommandLineError("the horizon events need --place and one of --body and --star")
                altitude = args.angle if args.angle is not None else events_.PLANET_HORIZON_DEG
                if args.star is not None:
                    rows += stars_.star_horizon_events(engine, args.star, args.place, start, end, altitude)
                else:
                    rows += events_.horizon_events(engine, args.body, args.place, start, end, altitude)
            else:
                rows += events_.search_events(engine, kind, start, end, body=args.body, other=args.other,
                                              angle_deg=args.angle, sidereal=args.sidereal)
        for record in sorted(rows, key=lambda record: record.tt_julian_day):
            writer.row([record.when.astimezone(args.tz), record.name])
    for event in almanac.sky_events(engine, start, end) if not searched else ():
        if args.kind is None or event.kind in args.kind:
            writer.row([to_datetime(event.when, engine, args.tz), event.kind])
    writer.close()


def run_serve(args: argparse.Namespace, out: TextIO) -> None:
    from orvane_tools.serve import serve  # needs the extra: pip install orvane[serve]

    serve(args.host, args.port, args.workers)


def _positive(text: str) -> int:
    if not text.strip().isdigit() or int(text) < 1:
        raise argparse.ArgumentTypeError(f"expected a whole number of at least 1, not {text!r}")
    return int(text)


# --- the parser --------------------------------------------------------------

def run_sky(args: argparse.Namespace, out: TextIO) -> None:
    from orvane_tools import skymap

    engine = default_engine()
    when = datetime.now(args.tz) if args.at is None else _aware(args.at, args.tz)
    instant = to_instant(when)
    if args.svg is not None:
        drawing = skymap.sky_map_svg(engine, args.place, instant, args.magnitude,
                                     title=f"{when.isoformat(timespec='minutes')} {zone_name(args.tz)}")
        if args.svg == STANDARD_OUTPUT:
            out.write(drawing)
            return
        with open(args.svg, "w", encoding="utf-8") as svg:
            svg.write(drawing)
    columns = [Column("name", 14, left=True), Column("kind", 6, left=True), Column("altitude_deg", 12, "+.4f"),
               Column("azimuth_deg", 11, ".4f"), Column("hp_mag", 6, ".2f")]
    writer = RowWriter(out, args.format, columns)
    for item in skymap.sky_objects(engine, args.place, instant, args.magnitude):
        writer.row([item.label, item.kind, item.altitude_deg, item.azimuth_deg, item.magnitude])
    writer.close()


def build_parser() -> argparse.ArgumentParser:
    parser = _Parser(prog="orvane", description="Positions, charts, almanacs and events from JPL ephemerides.")
    parser.add_argument("--version", action="version", version=f"orvane {_version()}")
    commands = parser.add_subparsers(dest="command", required=True, metavar="COMMAND", parser_class=_Parser)

    def command(name: str, summary: str, example: str, run: Callable[[argparse.Namespace, TextIO], None]
                ) -> argparse.ArgumentParser:
        sub = commands.add_parser(name, help=summary, description=summary, epilog=f"example:\n  {example}",
                                  formatter_class=argparse.RawDescriptionHelpFormatter)
        sub.add_argument("--format", type=one_of("format", FORMATS), default="table", metavar="{" + ",".join(FORMATS) + "}",
                         help="output format (default: table)")
        sub.add_argument("-q", "--quiet", action="store_true", help="no progress line on standard error")
        sub.set_defaults(run=run)
        return sub

    now = command("now", "Where the Sun, the Moon and the planets are now, or at another moment.",
                  "orvane now --place 51.4779,-0.0015,46\n  orvane now --at 2026-08-12T18:30 --tz Europe/Madrid "
                  "--place 40.42N,3.70W", run_now)
    now.add_argument("--place", type=place, help=f"{PLACE_FORMS}: adds altitude and azimuth")
    now.add_argument("--at", type=moment, metavar="TIME",
                     help="ISO date or date-time instead of now (in --tz unless it carries an offset)")
    now.add_argument("--tz", type=zone_or_offset, default=ZoneInfo("UTC"), help="IANA time zone of --at and of the times shown "
                     "(default UTC)")

    positions = command(
        "positions", "Positions of bodies over a range of instants, one row per instant and body.",
        "orvane positions --bodies sun,moon,mars --from 2026-01-01 --to 2026-12-31 --step 1d --format csv",
        run_positions)
    positions.add_argument("--bodies", type=body_list, required=True,
                           help="comma-separated names or NAIF ids: sun,moon,mercury,...,pluto,ceres,...")
    positions.add_argument("--from", dest="start", type=moment, required=True, help="ISO date or date-time (UTC)")
    positions.add_argument("--to", dest="end", type=moment, required=True, help="ISO date or date-time (UTC)")
    positions.add_argument("--step", type=step_days, default=1.0, help="e.g. 1d, 6h, 10m, 30s (default 1d)")
    origins = ("geocentric", "topocentric", "heliocentric", "barycentric")
    positions.add_argument("--origin", default="geocentric", type=one_of("origin", origins),
                           metavar="{" + ",".join(origins) + "}")
    positions.add_argument("--place", type=place, help=f"{PLACE_FORMS}; for --origin topocentric")
    positions.add_argument("--frame", default="ecliptic", type=one_of("frame", ("ecliptic", "equatorial")),
                           metavar="{ecliptic,equatorial}")
    positions.add_argument("--epoch", default="of_date", type=one_of("epoch", ("of_date", "j2000")),
                           metavar="{of_date,j2000}")
    positions.add_argument("--geometric", action="store_true", help="geometric instead of apparent places")
    positions.add_argument("--sidereal", type=sidereal_mode, metavar="MODE", help=f"sidereal mode: {sidereal_modes}")

    chart_ = command("chart", "A chart: bodies, lunar nodes and apogees, the Part of Fortune, Vertex and East Point, houses and aspects.",
                     "orvane chart 1990-05-17 14:30 --tz Europe/Paris --place 48.8566,2.3522 --houses placidus "
                     "--svg chart.svg", run_chart)
    chart_.add_argument("date", type=date_fields, help="local date, YYYY-MM-DD (in --calendar)")
    chart_.add_argument("time", type=_clock, help="local time, HH:MM[:SS]")
    chart_.add_argument("--tz", type=zone_or_offset, default=ZoneInfo("UTC"),
                        help="IANA time zone (local mean time before standard time) or offset such as +02:00 (default UTC)")
    chart_.add_argument("--calendar", choices=("gregorian", "julian", "auto"), default="gregorian",
                        help="calendar of the date; auto: Julian before 1582-10-15 (default gregorian)")
    chart_.add_argument("--fold", type=int, choices=(0, 1),
                        help="for a local time skipped or repeated by the zone: 0 the offset before the change, 1 after")
    chart_.add_argument("--place", type=place, required=True, help=PLACE_FORMS)
    chart_.add_argument("--houses", default="placidus", type=house_system, metavar="SYSTEM",
                        help=f"house system (default placidus): {house_systems}")
    chart_.add_argument("--sidereal", type=sidereal_mode, metavar="MODE", help=f"sidereal mode: {sidereal_modes}")
    chart_.add_argument("--polar-fallback", default="porphyry", type=house_system, metavar="SYSTEM",
                        help="house system where --houses has none, inside the polar circles (default porphyry)")
    chart_.add_argument("--svg", metavar="FILE", help="also draw the chart wheel into this SVG file "
                        "(- for standard output, instead of the rows)")
    chart_.add_argument("--theme", choices=("light", "dark"), default="light", help="the wheel's colours (default light)")

    almanac_ = command("almanac", "Daily Sun and Moon almanac in local time.",
                       "orvane almanac --place 40.7128,-74.006 --tz America/New_York --from 2026-01-01 "
                       "--to 2026-12-31 --format csv", run_almanac)
    almanac_.add_argument("--place", type=place, required=True, help=PLACE_FORMS)
    almanac_.add_argument("--moon-edge", default="upper_limb", type=one_of("moon edge", MOON_EDGES),
                          metavar="{" + ",".join(MOON_EDGES) + "}",
                          help="what touches the horizon at moonrise and moonset (default upper_limb, as almanacs)")
    almanac_.add_argument("--tz", type=zone_or_offset, default=ZoneInfo("UTC"),
                          help="IANA time zone or offset such as +02:00 (default UTC)")
    almanac_.add_argument("--from", dest="start", type=moment, required=True, help="first local date")
    almanac_.add_argument("--to", dest="end", type=moment, required=True, help="last local date")

    events = command("events", "Equinoxes, solstices, new and full Moons; quarters, stations, ingresses, aspects, "
                     "conjunctions, elongations, lunar apsides, nodes and declinations; risings and settings.",
                     "orvane events --from 2026-01-01 --to 2027-01-01 --tz Asia/Kolkata\n"
                     "  orvane events --from 2026-01-01 --to 2027-01-01 --kind station --body mercury\n"
                     "  orvane events --from 2026-01-01 --to 2026-01-08 --kind horizon --body venus --place 51.5,-0.13\n"
                     "  orvane events --from 2026-01-01 --to 2026-01-08 --kind horizon --star Sirius --place 51.5,-0.13",
                     run_events)
    events.add_argument("--from", dest="start", type=moment, required=True, help="ISO date or date-time")
    events.add_argument("--to", dest="end", type=moment, required=True, help="ISO date or date-time")
    events.add_argument("--tz", type=zone_or_offset, default=ZoneInfo("UTC"),
                        help="IANA time zone or offset such as +02:00 of the dates shown (default UTC)")
    kinds = (*names_of(orvane.SeasonEvent), *names_of(orvane.LunationEvent), *events_.SEARCH_KINDS, "horizon")
    events.add_argument("--kind", type=kind_list(kinds), metavar="KIND[,KIND]",
                        help=f"only these events: {', '.join(kinds)}")
    events.add_argument("--body", help="the moving body of a searched event (default the Moon), a name or NAIF id")
    events.add_argument("--other", help="the second body of an aspect (default the Sun)")
    events.add_argument("--angle", type=float, help="the aspect's angle, the longitude crossed, or the horizon altitude")
    events.add_argument("--place", type=place, help=f"{PLACE_FORMS}: for the horizon events")
    events.add_argument("--star", help="a star (name or HIP number) for the horizon events, instead of --body")
    events.add_argument("--sidereal", type=sidereal_mode, metavar="MODE",
                        help=f"longitudes and ingresses in this sidereal zodiac: {sidereal_modes}")
    from orvane_tools.cli_techniques import add_commands

    add_commands(command, place, moment, zone_or_offset, house_system, sidereal_mode)
    from orvane_tools import cli_eclipses

    cli_eclipses.add_commands(command, place, moment, zone_or_offset)

    serve_ = commands.add_parser("serve", help="Answer positions, charts, almanacs and events over HTTP, with a chart page.",
                                 description="Answer positions, charts, almanacs and events over HTTP (/v1/...), "
                                 "with a chart page at / (needs the serve extra).",
                                 epilog="example:\n  orvane serve --port 8000 --workers 2",
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    serve_.add_argument("--host", default="127.0.0.1", help="address to listen on (default 127.0.0.1)")
    serve_.add_argument("--port", type=_positive, default=8000, help="port (default 8000)")
    serve_.add_argument("--workers", type=_positive, default=1, help="worker processes (default 1)")
    serve_.set_defaults(run=run_serve, quiet=True)
    sky = command("sky", "The sky above a place: stars, Sun, Moon and planets over the horizon, or a map of them.",
                  "orvane sky --place 51.4779,-0.0015 --at 2026-08-12T22:00 --magnitude 4.5 --svg sky.svg", run_sky)
    sky.add_argument("--place", type=place, required=True, help=PLACE_FORMS)
    sky.add_argument("--at", type=moment, metavar="TIME", help="ISO date or date-time instead of now (in --tz)")
    sky.add_argument("--tz", type=zone_or_offset, default=ZoneInfo("UTC"), help="IANA time zone of --at (default UTC)")
    sky.add_argument("--magnitude", type=float, default=5.0, help="faintest Hp magnitude of the stars (default 5)")
    sky.add_argument("--svg", metavar="FILE", help="draw the map into this SVG file (- for standard output)")
    return parser


house_system = enum_name("house system", orvane.HouseSystem)
house_systems = ", ".join(names_of(orvane.HouseSystem))
sidereal_mode = enum_name("sidereal mode", orvane.SiderealMode)
sidereal_modes = ", ".join(names_of(orvane.SiderealMode))


def _version() -> str:
    from importlib.metadata import PackageNotFoundError, version

    try:
        return version("orvane")
    except PackageNotFoundError:  # run from a source tree
        return "unknown"


def _show_hashing(quiet: bool) -> None:
    """A progress line while a data file is hashed for the first time (later runs read the cache)."""
    line = Progress("checking data files (first run)", quiet=quiet)
    if not line.enabled:
        return

    def show(path: str, done: int, size: int) -> None:
        line.update(done, size, f": {os.path.basename(path)}")
        if done >= size:
            line.done()

    checksums.hashing_progress = show


def _clock(text: str) -> time:
    try:
        return clock_time(text)
    except ValueError as error:
        raise argparse.ArgumentTypeError(str(error)) from None


def _join_negative_values(argv: Sequence[str]) -> list[str]:
    """`--place -33.87,151.21` as `--place=-33.87,151.21`: argparse would take
    the southern latitude for an option."""
    joined: list[str] = []
    for token in argv:
        if joined and joined[-1] in _VALUE_OPTIONS and re.match(r"^-\d", token):
            joined[-1] = f"{joined[-1]}={token}"
        else:
            joined.append(token)
    return joined


def main(argv: Sequence[str] | None = None) -> int:
    out = sys.stdout
    if isinstance(out, io.TextIOWrapper) and not encodable(out):
        out.reconfigure(errors="backslashreplace")  # the signs have ASCII forms; anything else is escaped
    try:
        args = build_parser().parse_args(_join_negative_values(sys.argv[1:] if argv is None else argv))
        if getattr(args, "origin", None) == "topocentric" and args.place is None:
            raise CommandLineError("--origin topocentric needs --place")
        _show_hashing(args.quiet)
        args.run(args, out)
    except CommandLineError as error:
        print(f"orvane: error: {error} (see orvane --help)", file=sys.stderr)
        return 2
    except BrokenPipeError:  # the reader stopped (e.g. `| head`): stop quietly
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        return 0
    except KeyboardInterrupt:
        return 130
    except Exception as error:  # every refusal is reported in one line, never as a traceback
        message = str(error).splitlines()[0] if str(error) else type(error).__name__
        if isinstance(error, ModuleNotFoundError) and error.name:
            message += f" (pip install {error.name})"
        print(f"orvane: {message}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
