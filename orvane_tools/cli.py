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
from datetime import date, datetime, time, timezone
from typing import NoReturn, TextIO
from zoneinfo import ZoneInfo, ZoneInfoNotFoundError

import orvane

from orvane_tools import almanac, chart
from orvane_tools.data import default_engine
from orvane_tools.dates import to_datetime, to_instant
from orvane_tools.output import FORMATS, Column, RowWriter, Value, encodable

BATCH_INSTANTS = 4096
_VALUE_OPTIONS = ("--place", "--from", "--to")
_STEP = re.compile(r"^\s*(\d+(?:\.\d*)?)\s*([dhms])\s*$")
_STEP_DAYS = {"d": 1.0, "h": 1.0 / 24.0, "m": 1.0 / 1440.0, "s": 1.0 / 86400.0}
#: The shortest step: a millisecond, about 25 times the spacing of Julian days near the present.
MIN_STEP_DAYS = 0.001 / 86400.0
#: At most this many instants in one listing (a century in steps of one second is 3.2e9).
MAX_INSTANTS = 10**12
#: Heights a place may have, in metres: from below the deepest ocean floor (the
#: Mariana Trench, about 11,000 m) to 100,000 km, beyond geostationary orbit.
HEIGHT_RANGE_M = (-12_000.0, 1.0e8)


class CommandLineError(Exception):
    """A bad command line: reported in one line with exit status 2."""


class _Parser(argparse.ArgumentParser):
    def error(self, message: str) -> NoReturn:
        raise CommandLineError(message)


# --- argument types --------------------------------------------------------

def place(text: str) -> orvane.GeodeticObserver:
    parts = text.split(",")
    try:
        values = [float(p) for p in parts]
    except ValueError:
        values = []
    if len(values) not in (2, 3):
        raise argparse.ArgumentTypeError(f"place must be LAT,LON or LAT,LON,HEIGHT_M (degrees, metres), not {text!r}")
    if not all(math.isfinite(value) for value in values):
        raise argparse.ArgumentTypeError(f"place must be finite numbers, not {text!r}")
    if not -90.0 <= values[0] <= 90.0:
        raise argparse.ArgumentTypeError(f"latitude must be within [-90, 90] degrees, not {values[0]:g}")
    if not -180.0 <= values[1] <= 360.0:
        raise argparse.ArgumentTypeError(f"longitude must be within [-180, 360] degrees east, not {values[1]:g}")
    if len(values) == 3 and not HEIGHT_RANGE_M[0] <= values[2] <= HEIGHT_RANGE_M[1]:
        raise argparse.ArgumentTypeError(
            f"height must be within [{HEIGHT_RANGE_M[0]:.0f}, {HEIGHT_RANGE_M[1]:.0f}] metres, not {values[2]:g}")
    try:
        return orvane.GeodeticObserver(values[1], values[0], values[2] if len(values) == 3 else 0.0)
    except ValueError as error:
        raise argparse.ArgumentTypeError(str(error)) from None


def zone(text: str) -> ZoneInfo:
    try:
        return ZoneInfo(text)
    except (ZoneInfoNotFoundError, ValueError):
        raise argparse.ArgumentTypeError(f"unknown time zone {text!r}") from None


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


def _aware(value: datetime | date, tz: ZoneInfo | timezone) -> datetime:
    if isinstance(value, datetime):
        return value if value.tzinfo is not None else value.replace(tzinfo=tz)
    return datetime(value.year, value.month, value.day, tzinfo=tz)


def _day(value: datetime | date) -> date:
    return value.date() if isinstance(value, datetime) else value


# --- commands --------------------------------------------------------------

def _iso(engine: orvane.Engine, instant: orvane.Instant, tz: ZoneInfo | timezone | None) -> str:
    return to_datetime(instant, engine, tz).isoformat(timespec="seconds")


def _local(moment_: datetime | None) -> str | None:
    return None if moment_ is None else moment_.strftime("%H:%M")


def run_now(args: argparse.Namespace, out: TextIO) -> None:
    engine = default_engine()
    now = datetime.now(timezone.utc)
    instant = to_instant(now)
    bodies = list(chart.BODIES)
    ecliptic = engine.positions(bodies, [instant], orvane.apparent())[0]
    equatorial = engine.positions(bodies, [instant], orvane.apparent("geocentric", "equatorial"))[0]
    columns = [Column("body", 8, left=True), Column("longitude_deg", 13, ".6f"), Column("zodiac", 20),
               Column("latitude_deg", 12, "+.6f"), Column("ra_hours", 11, ".6f"), Column("dec_deg", 11, "+.6f"),
               Column("distance_au", 12, ".8f"), Column("retrograde", 10)]
    if args.place is not None:
        columns += [Column("altitude_deg", 12, "+.4f"), Column("azimuth_deg", 11, ".4f")]
    rows: list[list[Value]] = []
    for i, body in enumerate(bodies):
        row: list[Value] = [body, float(ecliptic[i][0]), chart.zodiac_text(float(ecliptic[i][0])),
                            float(ecliptic[i][1]), float(equatorial[i][0]) / 15.0, float(equatorial[i][1]),
                            float(ecliptic[i][2]), bool(ecliptic[i][3] < 0.0)]
        if args.place is not None:
            altitude, azimuth, _ = engine.altitude_azimuth(body, args.place, instant, refraction=True)
            row += [altitude, azimuth]
        rows.append(row)
    if args.format == "table":
        out.write(f"# {now.isoformat(timespec='seconds')}  apparent geocentric, true equinox of date"
                  f"{'; altitude with refraction' if args.place is not None else ''}\n")
    writer = RowWriter(out, args.format, columns)
    for row in rows:
        writer.row(row)
    writer.close()


def run_positions(args: argparse.Namespace, out: TextIO) -> None:
    import numpy  # the batch requests need it; the other commands do not

    bodies = [b.strip() for b in args.bodies.split(",") if b.strip()]
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
    count = math.floor(steps + 1e-6) + 1
    engine = default_engine()
    names = ("ra_hours", "dec_deg") if args.frame == "equatorial" else ("longitude_deg", "latitude_deg")
    writer = RowWriter(out, args.format, [
        Column("time_utc", 20, left=True), Column("body", 8, left=True), Column(names[0], 13, ".7f"), Column(names[1], 12, "+.7f"),
        Column("distance_au", 13, ".9f"), Column("speed_deg_per_day", 17, "+.7f")])
    scale = 15.0 if args.frame == "equatorial" else 1.0
    for first in range(0, count, BATCH_INSTANTS):
        with numpy.errstate(all="raise"):  # never a warning: an overflow is refused in one line
            days = start.julian_day + numpy.arange(first, min(count, first + BATCH_INSTANTS),
                                                   dtype=numpy.float64) * args.step
        table = engine.positions_for_julian_days(bodies, days, "utc", options)
        instants = [orvane.Instant.utc(float(day)) for day in days]
        ayanamshas = [chart.ayanamsha_and_rate(engine, args.sidereal, t) for t in instants] if args.sidereal else None
        for i, instant in enumerate(instants):
            stamp = to_datetime(instant, engine, timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")
            for j, body in enumerate(bodies):
                longitude = float(table[i][j][0])
                speed = float(table[i][j][3])
                if ayanamshas is not None:
                    longitude = (longitude - ayanamshas[i][0]) % 360.0
                    speed -= ayanamshas[i][1]
                writer.row([stamp, body, longitude / scale, float(table[i][j][1]), float(table[i][j][2]), speed])
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
    when = datetime.combine(args.date, args.time, args.tz)
    result = chart.chart(when, args.place, houses=args.houses, sidereal=args.sidereal, engine=engine,
                         polar_fallback=args.polar_fallback)
    if args.svg is not None:
        from orvane_tools.wheel import wheel_svg

        with open(args.svg, "w", encoding="utf-8") as svg:
            svg.write(wheel_svg(result, title=f"{when.isoformat(timespec='minutes')} {args.tz.key}"))
    houses = result.houses
    assert houses is not None
    used = houses.system if houses.fallback_reason is None else f"{houses.system} ({houses.fallback_reason})"
    if args.format == "table":
        out.write(f"# {when.isoformat(timespec='minutes')} ({args.tz.key}), "
                  f"{result.zodiac}{'' if result.zodiac == 'tropical' else f' (ayanamsha {result.ayanamsha_deg:.6f})'}"
                  f", houses {used}\n")
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
    columns = [Column("date", 10, left=True), Column("sunrise", 7), Column("transit", 7), Column("sunset", 7)]
    for kind, _ in almanac.TWILIGHTS:
        columns += [Column(f"{kind}_dawn", 5 + len(kind)), Column(f"{kind}_dusk", 5 + len(kind))]
    columns += [Column("moonrise", 8), Column("moonset", 8), Column("moon_phase", 15, left=True),
                Column("moon_illuminated", 16, ".3f")]
    writer = RowWriter(out, args.format, columns)
    for day in almanac.daily_almanac(engine, args.place, _day(args.start), _day(args.end), args.tz):
        row: list[Value] = [day.day.isoformat(), _local(day.sunrise), _local(day.sun_transit), _local(day.sunset)]
        for kind, _ in almanac.TWILIGHTS:
            row += [_local(day.twilight[kind][0]), _local(day.twilight[kind][1])]
        row += [_local(day.moonrise), _local(day.moonset), day.moon_phase, day.moon_illuminated_fraction]
        writer.row(row)
    writer.close()


def run_events(args: argparse.Namespace, out: TextIO) -> None:
    start = to_instant(_aware(args.start, args.tz))
    end = to_instant(_aware(args.end, args.tz))
    if end.julian_day < start.julian_day:
        raise CommandLineError("--to is before --from")
    engine = default_engine()
    writer = RowWriter(out, args.format, [Column("time", 25, left=True), Column("event", 18, left=True)])
    for event in almanac.sky_events(engine, start, end):
        writer.row([_iso(engine, event.when, args.tz), event.kind])
    writer.close()


# --- the parser --------------------------------------------------------------

def build_parser() -> argparse.ArgumentParser:
    parser = _Parser(prog="orvane", description="Positions, charts, almanacs and events from JPL ephemerides.")
    commands = parser.add_subparsers(dest="command", required=True, metavar="COMMAND", parser_class=_Parser)

    def command(name: str, summary: str, example: str, run: Callable[[argparse.Namespace, TextIO], None]
                ) -> argparse.ArgumentParser:
        sub = commands.add_parser(name, help=summary, description=summary, epilog=f"example:\n  {example}",
                                  formatter_class=argparse.RawDescriptionHelpFormatter)
        sub.add_argument("--format", choices=FORMATS, default="table", help="output format (default: table)")
        sub.set_defaults(run=run)
        return sub

    now = command("now", "Where the Sun, the Moon and the planets are now.",
                  "orvane now --place 51.4779,-0.0015,46", run_now)
    now.add_argument("--place", type=place, help="LAT,LON[,HEIGHT_M]: adds altitude and azimuth")

    positions = command(
        "positions", "Positions of bodies over a range of instants, one row per instant and body.",
        "orvane positions --bodies sun,moon,mars --from 2026-01-01 --to 2026-12-31 --step 1d --format csv",
        run_positions)
    positions.add_argument("--bodies", required=True, help="comma-separated names: sun,moon,mercury,...,pluto")
    positions.add_argument("--from", dest="start", type=moment, required=True, help="ISO date or date-time (UTC)")
    positions.add_argument("--to", dest="end", type=moment, required=True, help="ISO date or date-time (UTC)")
    positions.add_argument("--step", type=step_days, default=1.0, help="e.g. 1d, 6h, 10m, 30s (default 1d)")
    positions.add_argument("--origin", default="geocentric",
                           choices=("geocentric", "topocentric", "heliocentric", "barycentric"))
    positions.add_argument("--place", type=place, help="LAT,LON[,HEIGHT_M] for --origin topocentric")
    positions.add_argument("--frame", default="ecliptic", choices=("ecliptic", "equatorial"))
    positions.add_argument("--epoch", default="of_date", choices=("of_date", "j2000"))
    positions.add_argument("--geometric", action="store_true", help="geometric instead of apparent places")
    positions.add_argument("--sidereal", help="sidereal mode, e.g. lahiri, fagan_bradley")

    chart_ = command("chart", "A chart: bodies, lunar nodes and apogees, the Part of Fortune, Vertex and East Point, houses and aspects.",
                     "orvane chart 1990-05-17 14:30 --tz Europe/Paris --place 48.8566,2.3522 --houses placidus "
                     "--svg chart.svg", run_chart)
    chart_.add_argument("date", type=date.fromisoformat, help="local date, YYYY-MM-DD")
    chart_.add_argument("time", type=_clock, help="local time, HH:MM[:SS]")
    chart_.add_argument("--tz", type=zone, default=ZoneInfo("UTC"), help="IANA time zone (default UTC)")
    chart_.add_argument("--place", type=place, required=True, help="LAT,LON[,HEIGHT_M]")
    chart_.add_argument("--houses", default="placidus", help="house system (default placidus)")
    chart_.add_argument("--sidereal", help="sidereal mode, e.g. lahiri, fagan_bradley")
    chart_.add_argument("--polar-fallback", default="porphyry",
                        help="house system where --houses has none, inside the polar circles (default porphyry)")
    chart_.add_argument("--svg", metavar="FILE", help="also draw the chart wheel into this SVG file")

    almanac_ = command("almanac", "Daily Sun and Moon almanac in local time.",
                       "orvane almanac --place 40.7128,-74.006 --tz America/New_York --from 2026-01-01 "
                       "--to 2026-12-31 --format csv", run_almanac)
    almanac_.add_argument("--place", type=place, required=True, help="LAT,LON[,HEIGHT_M]")
    almanac_.add_argument("--tz", type=zone, default=ZoneInfo("UTC"), help="IANA time zone (default UTC)")
    almanac_.add_argument("--from", dest="start", type=moment, required=True, help="first local date")
    almanac_.add_argument("--to", dest="end", type=moment, required=True, help="last local date")

    events = command("events", "Equinoxes, solstices, new and full Moons.",
                     "orvane events --from 2026-01-01 --to 2027-01-01 --tz Asia/Kolkata", run_events)
    events.add_argument("--from", dest="start", type=moment, required=True, help="ISO date or date-time")
    events.add_argument("--to", dest="end", type=moment, required=True, help="ISO date or date-time")
    events.add_argument("--tz", type=zone, default=ZoneInfo("UTC"), help="time zone of the dates shown (default UTC)")
    return parser


def _clock(text: str) -> time:
    try:
        return datetime.strptime(text, "%H:%M:%S" if text.count(":") == 2 else "%H:%M").time()
    except ValueError:
        raise argparse.ArgumentTypeError(f"expected a time HH:MM[:SS], not {text!r}") from None


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
