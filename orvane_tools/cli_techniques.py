"""The `orvane synastry`, `orvane progress`, `orvane vedic`, `orvane transits`
and `orvane return` commands: two charts together, a progressed chart with
its solar-arc directions, the Vedic basics of a moment, the transits to a
birth chart over a range, and the solar and lunar returns."""

from __future__ import annotations

import argparse
from collections.abc import Callable
from datetime import date, datetime, tzinfo
from typing import TextIO
from zoneinfo import ZoneInfo

import orvane

from orvane_tools import chart, progressions, returns, synastry, transits, vedic
from orvane_tools.aspects import ASPECTS_BY_NAME
from orvane_tools.choices import one_of
from orvane_tools.data import default_engine
from orvane_tools.dates import to_datetime, to_instant
from orvane_tools.output import Column, RowWriter

Command = Callable[[str, str, str, Callable[[argparse.Namespace, TextIO], None]], argparse.ArgumentParser]
SHORT_SIGNS = tuple(name[:3] for name in chart.SIGNS)


def _aware(value: datetime | date, tz: tzinfo) -> datetime:
    if isinstance(value, datetime):
        return value if value.tzinfo is not None else value.replace(tzinfo=tz)
    return datetime(value.year, value.month, value.day, tzinfo=tz)


def _when(engine: orvane.Engine, tt: float, tz: tzinfo) -> datetime:
    return to_datetime(orvane.Instant.tt(tt), engine, tz)


def _year_days(text: str) -> float:
    """A year's length: a named one or a number of days."""
    named = {**progressions.YEAR_DAYS, **vedic.DASHA_YEAR_DAYS}
    if text.strip().lower() in named:
        return named[text.strip().lower()]
    try:
        value = float(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"expected a year's length in days or one of {', '.join(named)}, not {text!r}"
                                         ) from None
    if not value > 0.0:
        raise argparse.ArgumentTypeError("the year's length must be a positive number of days")
    return value


def _names(label: str, valid: tuple[str, ...] | None = None) -> Callable[[str], list[str]]:
    """An argparse type for comma-separated names (out of `valid` when given)."""
    def check(text: str) -> list[str]:
        names = [part.strip().lower() for part in text.split(",") if part.strip()]
        wrong = [name for name in names if valid is not None and name not in valid]
        if wrong or not names:
            raise argparse.ArgumentTypeError(f"unknown {label} {', '.join(wrong) or repr(text)}; "
                                             f"the {label}s are {', '.join(valid or ())}")
        return names
    check.__name__ = f"{label}s"
    return check


def _chart_of(args: argparse.Namespace, which: str, engine: orvane.Engine) -> chart.Chart:
    when = _aware(getattr(args, which), getattr(args, f"{which}_tz"))
    return chart.chart(when, getattr(args, f"{which}_place"), houses=args.houses, sidereal=args.sidereal,
                       engine=engine)


def run_synastry(args: argparse.Namespace, out: TextIO) -> None:
    engine = default_engine()
    first, second = _chart_of(args, "first", engine), _chart_of(args, "second", engine)
    writer = RowWriter(out, args.format, [
        Column("section", 9, left=True), Column("name", 40, left=True), Column("longitude_deg", 13, ".6f"),
        Column("zodiac", 22), Column("house", 5), Column("orb_deg", 7, ".2f")])
    if args.kind == "synastry":
        both = synastry.synastry(first, second)
        for aspect in both.aspects:
            motion = "" if aspect.applying is None else " applying" if aspect.applying else " separating"
            writer.row(["aspect", f"{aspect.first} {aspect.kind} {aspect.second}{motion}", aspect.separation_deg,
                        None, None, aspect.orb_deg])
        for section, overlay in (("first_in", both.first_in_second), ("second_in", both.second_in_first)):
            for placed in overlay:
                writer.row([section, placed.point, placed.longitude_deg, chart.zodiac_text(placed.longitude_deg),
                            placed.house, None])
    else:
        made = synastry.composite(first, second) if args.kind == "composite" else synastry.davison(
            to_instant(_aware(args.first, args.first_tz)), args.first_place,
            to_instant(_aware(args.second, args.second_tz)), args.second_place, engine=engine,
            houses=args.houses, sidereal=args.sidereal)
        _chart_rows(writer, made)
    writer.close()


def _chart_rows(writer: RowWriter, made: chart.Chart) -> None:
    houses = made.houses
    for point in (*made.points, *made.angles):
        writer.row(["point", point.name, point.longitude_deg, chart.zodiac_text(point.longitude_deg),
                    None if houses is None else houses.house_of(point.longitude_deg), None])
    if houses is not None:
        for number, cusp in enumerate(houses.cusps_deg, start=1):
            writer.row(["cusp", str(number), cusp, chart.zodiac_text(cusp), None, None])
    for aspect in made.aspects:
        writer.row(["aspect", f"{aspect.first} {aspect.kind} {aspect.second}", aspect.separation_deg, None, None,
                    aspect.orb_deg])


def run_progress(args: argparse.Namespace, out: TextIO) -> None:
    engine = default_engine()
    progression = progressions.progress(_aware(args.birth, args.tz), args.place, _aware(args.to, args.tz),
                                        year_days=args.year, angle_rule=args.angles, houses=args.houses,
                                        sidereal=args.sidereal, engine=engine)
    if args.format == "table":
        out.write(f"# progressed date {_when(engine, progression.progressed_tt, args.tz).isoformat(timespec='seconds')}"
                  f", age {progression.age_years:.4f} years of {progression.year_days} days, solar arc "
                  f"{progression.solar_arc_deg:.6f}, angles {progression.angle_rule}\n")
    writer = RowWriter(out, args.format, [
        Column("section", 10, left=True), Column("name", 16, left=True), Column("natal_deg", 11, ".6f"),
        Column("longitude_deg", 13, ".6f"), Column("zodiac", 22), Column("house", 5)])
    natal, moved = progression.natal, progression.chart
    houses = moved.houses
    assert houses is not None
    for point in (*moved.points, *moved.angles):
        writer.row(["progressed", point.name, natal.point(point.name).longitude_deg, point.longitude_deg,
                    chart.zodiac_text(point.longitude_deg), houses.house_of(point.longitude_deg)])
    if args.directions:
        directed = progressions.solar_arc_directions(natal, progression.solar_arc_deg)
        for point in (*directed.points, *directed.angles):
            writer.row(["directed", point.name, natal.point(point.name).longitude_deg, point.longitude_deg,
                        chart.zodiac_text(point.longitude_deg), None])
    for number, cusp in enumerate(houses.cusps_deg, start=1):
        writer.row(["cusp", str(number), None, cusp, chart.zodiac_text(cusp), None])
    writer.close()


def run_vedic(args: argparse.Namespace, out: TextIO) -> None:
    engine = default_engine()
    when = _aware(args.at, args.tz)
    drawn = chart.chart(when, args.place, houses="whole_sign", sidereal=args.sidereal, engine=engine)
    limbs = vedic.pancanga(when, args.place, sidereal=args.sidereal, engine=engine)
    if args.format == "table":
        out.write(f"# {when.isoformat(timespec='minutes')}, {drawn.zodiac} (ayanamsha {drawn.ayanamsha_deg:.6f})\n")
    vargas = [Column(f"D{d}", 3 if d < 10 else 4, left=True) for d in vedic.DIVISIONS]
    writer = RowWriter(out, args.format, [
        Column("section", 8, left=True), Column("name", 14, left=True), Column("longitude_deg", 13, ".6f"),
        Column("nakshatra", 17, left=True), Column("pada", 4), *vargas, Column("start", 25, left=True),
        Column("end", 25, left=True)])
    blank_vargas: list[None] = [None] * len(vargas)
    wanted = [p for p in drawn.points if p.name in (*chart.BODIES, "mean_node", "true_node")]
    for point in (*wanted, *drawn.angles):
        found = vedic.nakshatra(point.longitude_deg)
        signs = vedic.vargas(point.longitude_deg)
        writer.row(["point", point.name, point.longitude_deg, found.name, found.pada,
                    *[SHORT_SIGNS[signs[d]] for d in vedic.DIVISIONS], None, None])
    for limb in (limbs.tithi, limbs.karana, limbs.yoga, limbs.weekday):
        writer.row(["pancanga", limb.kind, None, limb.name, limb.number, *blank_vargas, None,
                    None if limb.end_tt is None else _when(engine, limb.end_tt, args.tz)])
    moon = drawn.point("moon").longitude_deg
    for period in vedic.vimshottari(moon, drawn.tt_julian_day, year_days=args.year, sub_periods=args.sub_periods):
        writer.row(["dasha", period.lord if not period.sub_lord else f"{period.lord}/{period.sub_lord}", None, None,
                    None, *blank_vargas, _when(engine, period.start_tt, args.tz), _when(engine, period.end_tt, args.tz)])
    writer.close()


def _birth_chart(args: argparse.Namespace, engine: orvane.Engine) -> chart.Chart:
    return chart.chart(_aware(args.birth, args.tz), args.place, houses=args.houses, sidereal=args.sidereal,
                       engine=engine)


def run_transits(args: argparse.Namespace, out: TextIO) -> None:
    engine = default_engine()
    natal = _birth_chart(args, engine)
    found = transits.transits(natal, _aware(args.start, args.tz), _aware(args.end, args.tz), bodies=args.bodies,
                              points=args.points, aspects=args.aspects, engine=engine)
    writer = RowWriter(out, args.format, [
        Column("time", 25, left=True), Column("body", 10, left=True), Column("aspect", 14, left=True),
        Column("natal_point", 11, left=True), Column("natal_deg", 11, ".6f"), Column("target_deg", 11, ".6f"),
        Column("direction", 10, left=True), Column("retrograde", 10)])
    for t in found:
        writer.row([t.when.astimezone(args.tz), t.body, t.aspect, t.natal_point, t.natal_longitude_deg, t.target_deg,
                    t.direction, t.retrograde])
    writer.close()


def run_return(args: argparse.Namespace, out: TextIO) -> None:
    engine = default_engine()
    natal = _birth_chart(args, engine)
    where = args.return_place or args.place
    options = {"houses": args.houses, "engine": engine}
    if args.after is not None:
        found = [returns.next_return(args.kind, natal, _aware(args.after, args.tz), where, **options)]
    elif args.kind == "solar":
        found = [returns.solar_return(natal, args.year, where, **options)]
    else:
        start, end = datetime(args.year, 1, 1, tzinfo=args.tz), datetime(args.year + 1, 1, 1, tzinfo=args.tz)
        found = returns.returns_between(args.kind, natal, start, end, where, **options)
    writer = RowWriter(out, args.format, [
        Column("return", 25, left=True), Column("section", 7, left=True), Column("name", 16, left=True),
        Column("longitude_deg", 13, ".6f"), Column("zodiac", 22), Column("house", 5)])
    for back in found:
        made, when = back.chart, back.when.astimezone(args.tz)
        houses = made.houses
        for point in (*made.points, *made.angles):
            writer.row([when, "point", point.name, point.longitude_deg, chart.zodiac_text(point.longitude_deg),
                        None if houses is None else houses.house_of(point.longitude_deg)])
        for number, cusp in enumerate(houses.cusps_deg if houses is not None else (), start=1):
            writer.row([when, "cusp", str(number), cusp, chart.zodiac_text(cusp), None])
    writer.close()


def _add_birth(parser: argparse.ArgumentParser, place: Callable[[str], orvane.GeodeticObserver],
               moment: Callable[[str], datetime | date], zone: Callable[[str], tzinfo],
               house_system: Callable[[str], str], sidereal_mode: Callable[[str], str]) -> None:
    parser.add_argument("--birth", "--natal-date", dest="birth", type=moment, required=True, metavar="TIME",
                        help="ISO date-time of the birth")
    parser.add_argument("--tz", type=zone, default=ZoneInfo("UTC"),
                        help="IANA time zone or offset of the dates given and shown (default UTC)")
    parser.add_argument("--place", type=place, required=True, help="latitude,longitude[,height] of the birth")
    parser.add_argument("--houses", default="placidus", type=house_system, metavar="SYSTEM",
                        help="house system (default placidus)")
    parser.add_argument("--sidereal", type=sidereal_mode, metavar="MODE", help="sidereal mode")


def add_commands(command: Command, place: Callable[[str], orvane.GeodeticObserver],
                 moment: Callable[[str], datetime | date], zone: Callable[[str], tzinfo],
                 house_system: Callable[[str], str], sidereal_mode: Callable[[str], str]) -> None:
    """Add the five commands through the parser's `command` maker and its argument types."""
    utc = ZoneInfo("UTC")
    both = command("synastry", "Two charts together: their aspects and houses (synastry), or the composite or "
                   "Davison chart.",
                   "orvane synastry --first 1990-05-17T14:30 --first-tz Europe/Paris --first-place 48.8566,2.3522 "
                   "--second 1988-11-02T08:10 --second-tz Australia/Sydney --second-place -33.87,151.21", run_synastry)
    for which in ("first", "second"):
        both.add_argument(f"--{which}", type=moment, required=True, metavar="TIME",
                          help=f"the {which} birth: ISO date-time (in --{which}-tz unless it carries an offset)")
        both.add_argument(f"--{which}-tz", type=zone, default=utc, help="IANA time zone or offset (default UTC)")
        both.add_argument(f"--{which}-place", type=place, required=True, help="latitude,longitude[,height]")
    both.add_argument("--kind", type=one_of("kind", ("synastry", "composite", "davison")), default="synastry",
                      metavar="{synastry,composite,davison}", help="what to show (default synastry)")
    both.add_argument("--houses", default="placidus", type=house_system, metavar="SYSTEM",
                      help="house system (default placidus)")
    both.add_argument("--sidereal", type=sidereal_mode, metavar="MODE", help="sidereal mode")

    progress = command("progress", "Secondary progressions (a day for a year) of a birth to a date, with the "
                       "solar-arc directions.",
                       "orvane progress --birth 1990-05-17T14:30 --tz Europe/Paris --place 48.8566,2.3522 "
                       "--to 2026-06-01 --directions", run_progress)
    progress.add_argument("--birth", type=moment, required=True, metavar="TIME", help="ISO date-time of the birth")
    progress.add_argument("--to", type=moment, required=True, metavar="TIME", help="ISO date or date-time to progress to")
    progress.add_argument("--tz", type=zone, default=utc, help="IANA time zone or offset (default UTC)")
    progress.add_argument("--place", type=place, required=True, help="latitude,longitude[,height] of the birth")
    progress.add_argument("--year", type=_year_days, default=progressions.YEAR_DAYS["tropical"], metavar="DAYS",
                          help="the year of life in days, or tropical, julian, sidereal (default tropical)")
    progress.add_argument("--angles", type=one_of("angle rule", progressions.ANGLE_RULES), default="solar_arc_mc",
                          metavar="{" + ",".join(progressions.ANGLE_RULES) + "}",
                          help="how the angles progress (default solar_arc_mc)")
    progress.add_argument("--houses", default="placidus", type=house_system, metavar="SYSTEM",
                          help="house system (default placidus)")
    progress.add_argument("--sidereal", type=sidereal_mode, metavar="MODE", help="sidereal mode")
    progress.add_argument("--directions", action="store_true", help="also the solar-arc directed points")

    vedic_ = command("vedic", "Nakshatras, the sixteen vargas, the pancanga and the Vimshottari dashas of a moment.",
                     "orvane vedic --at 1990-05-17T14:30 --tz Asia/Kolkata --place 28.61,77.21", run_vedic)
    vedic_.add_argument("--at", type=moment, required=True, metavar="TIME", help="ISO date-time")
    vedic_.add_argument("--tz", type=zone, default=utc, help="IANA time zone or offset (default UTC)")
    vedic_.add_argument("--place", type=place, required=True, help="latitude,longitude[,height]")
    vedic_.add_argument("--sidereal", type=sidereal_mode, default="lahiri", metavar="MODE",
                        help="sidereal mode (default lahiri)")
    vedic_.add_argument("--year", type=_year_days, default=vedic.DASHA_YEAR_DAYS["julian"], metavar="DAYS",
                        help="the dasha year in days, or julian, gregorian, tropical, sidereal, savana (default julian)")
    vedic_.add_argument("--sub-periods", action="store_true", help="also the antardashas")


    transits_ = command("transits", "Every exact aspect of the moving bodies to the points of a birth chart over a "
                        "range, each pass of a retrograde loop.",
                        "orvane transits --birth 1990-05-17T14:30 --tz Europe/Paris --place 48.8566,2.3522 "
                        "--from 2026-01-01 --to 2027-01-01 --bodies jupiter,saturn --aspects conjunction,square",
                        run_transits)
    _add_birth(transits_, place, moment, zone, house_system, sidereal_mode)
    transits_.add_argument("--from", dest="start", type=moment, required=True, help="ISO date or date-time")
    transits_.add_argument("--to", dest="end", type=moment, required=True, help="ISO date or date-time")
    transits_.add_argument("--bodies", type=_names("body"), metavar="BODY[,BODY]",
                           help=f"the moving bodies, any of the kernels' or mean_node, true_node "
                           f"(default {','.join(transits.TRANSITING)})")
    transits_.add_argument("--points", type=_names("point"), metavar="POINT[,POINT]",
                           help=f"the natal points (default {','.join(transits.NATAL_POINTS)})")
    transits_.add_argument("--aspects", type=_names("aspect", tuple(ASPECTS_BY_NAME)), metavar="ASPECT[,ASPECT]",
                           help=f"the aspects, of {', '.join(ASPECTS_BY_NAME)} (default the major ones)")

    return_ = command("return", "The solar return of a year, the lunar returns of a year, or the next return after "
                      "a date, with the chart of each at a place.",
                      "orvane return --kind solar --birth 1990-05-17T14:30 --tz Europe/Paris --place 48.8566,2.3522 "
                      "--year 2026", run_return)
    return_.add_argument("--kind", type=one_of("kind", tuple(returns.RETURN_BODIES)), default="solar",
                         metavar="{solar,lunar}", help="which return (default solar)")
    _add_birth(return_, place, moment, zone, house_system, sidereal_mode)
    when = return_.add_mutually_exclusive_group(required=True)
    when.add_argument("--year", type=int, help="the solar return of this year, or its lunar returns")
    when.add_argument("--after", type=moment, metavar="TIME", help="the first return after this date or date-time")
    return_.add_argument("--return-place", type=place, metavar="PLACE",
                         help="latitude,longitude[,height] of the return chart (default the birth place)")
