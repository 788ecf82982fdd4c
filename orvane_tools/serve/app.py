"""The HTTP service: an ASGI application on FastAPI answering positions,
charts (JSON and SVG), almanacs and sky events under /v1, and the chart page at /.

Every endpoint is a plain function: FastAPI runs it on a worker thread, off
the event loop, and each thread computes on its own Engine opened from the
EngineSpec (``EngineSpec.engine()``), never shared. Worker processes come
from uvicorn's ``workers``."""

from __future__ import annotations

import contextlib
import importlib.resources
from collections.abc import AsyncIterator, Iterator
from datetime import date, datetime, timedelta, timezone, tzinfo
from typing import Any

import anyio.to_thread
import orvane
from fastapi import FastAPI, Request
from fastapi.responses import HTMLResponse, JSONResponse, Response

from orvane_tools import almanac, chart
from orvane_tools.cli import moment, request_options
from orvane_tools.data import EngineSpec, check_covered, default_spec
from orvane_tools.dates import to_datetime, to_instant
from orvane_tools.events import SEARCH_KINDS, search_events
from orvane_tools.serve import answers, inputs
from orvane_tools.serve.inputs import InputError, read
from orvane_tools.serve.operations import Operations, log_to_standard_error
from orvane_tools.small_bodies import require_kernels
from orvane_tools.worker_threads import worker_threads

#: Threads computing at once in one worker process (each holds an Engine).
THREADS = 4
_UTC: tzinfo = timezone.utc
_DETERMINISTIC = frozenset({"/v1/positions", "/v1/chart", "/v1/chart.svg", "/v1/almanac", "/v1/events"})
# Each endpoint's query fields with their descriptions, in the order the endpoint reads them.
_POSITION_FIELDS = (
    ("bodies", "comma-separated names or NAIF ids: sun,moon,mars (required)"),
    ("at", "one ISO instant (UTC unless it carries an offset); or from and to"),
    ("from", "first ISO instant of a range"),
    ("to", "last ISO instant of a range"),
    ("step", "step of a range: 1d, 6h, 10m, 30s (default 1d)"),
    ("origin", "geocentric (default), topocentric, heliocentric, barycentric"),
    ("frame", "ecliptic (default) or equatorial"),
    ("epoch", "of_date (default) or j2000"),
    ("geometric", "true for geometric places (default false: apparent)"),
    ("place", "LAT,LON[,HEIGHT_M], for the topocentric origin"),
    ("sidereal", "sidereal mode (ecliptic of date)"),
)
_CHART_FIELDS = (
    ("date", "local date YYYY-MM-DD (required)"),
    ("time", "local time HH:MM[:SS] (required)"),
    ("tz", "IANA zone or offset such as +02:00 (default UTC)"),
    ("place", "LAT,LON[,HEIGHT_M] (required)"),
    ("houses", "house system (default placidus)"),
    ("sidereal", "sidereal mode"),
    ("calendar", "gregorian (default), julian or auto"),
    ("fold", "0 or 1: the reading of a local time the zone skips or repeats"),
    ("polar_fallback", "house system inside the polar circles (default porphyry)"),
)
_ALMANAC_FIELDS = (
    ("place", "LAT,LON[,HEIGHT_M] (required)"),
    ("from", "first local date (required)"),
    ("to", "last local date (required)"),
    ("tz", "IANA zone or offset (default UTC)"),
    ("moon_edge", "upper_limb (default) or centre"),
)
_EVENT_FIELDS = (
    ("from", "ISO date or date-time (required)"),
    ("to", "ISO date or date-time (required)"),
    ("tz", "zone of from, to and the times shown (default UTC)"),
    ("kind", f"comma-separated: {', '.join(inputs.EVENT_KINDS)}"),
    ("body", "the moving body of a searched kind (default the Moon), a name or NAIF id"),
    ("other", "the second body of an aspect (default the Sun)"),
    ("angle", "the aspect's angle or the longitude crossed, degrees"),
    ("sidereal", "the sidereal zodiac of longitude crossings and ingresses"),
)
_LIMITS = (f"Limits on one request: {inputs.MAX_INSTANTS} instants, {inputs.MAX_ROWS} rows and "
           f"{inputs.MAX_BODIES} bodies for positions; {inputs.MAX_ALMANAC_DAYS} days for an almanac; "
           f"{inputs.MAX_EVENT_DAYS} days for events; {inputs.MAX_TEXT} characters a field. "
           "A refused input is answered 422 with the field named: {\"error\": {\"field\": ..., \"message\": ...}}.")


def _version() -> str:
    from importlib.metadata import PackageNotFoundError, version

    try:
        return version("orvane")
    except PackageNotFoundError:
        return "unknown"


@contextlib.contextmanager
def _computing(field: str) -> Iterator[None]:
    """A ValueError raised while computing (a date outside the kernel, houses undefined) names ``field``."""
    try:
        yield
    except InputError:
        raise
    except (ValueError, OverflowError) as error:
        raise InputError(field, str(error).splitlines()[0] if str(error) else f"bad {field}") from None


def _fields(request: Request, fields: tuple[tuple[str, str], ...]) -> list[str | None]:
    """The query's values of ``fields`` in order (None where absent); an unknown field is refused.

    The fields are read here rather than declared to FastAPI one by one: its
    validation of each would cost more than a chart's computation.
    """
    query = request.query_params
    names = [name for name, _ in fields]
    for name in query:
        if name not in names:
            raise InputError(name, f"unknown field {name!r}; this endpoint takes: {', '.join(names)}")
    return [query.get(name) for name in names]


def _parameters(fields: tuple[tuple[str, str], ...]) -> dict[str, Any]:
    """The fields as OpenAPI query parameters (strings, read as the command line reads them)."""
    return {"parameters": [{"name": name, "in": "query", "required": False, "description": description,
                            "schema": {"type": "string"}} for name, description in fields]}


def create_app(spec: EngineSpec | None = None) -> FastAPI:
    """The service on ``spec``'s data (the default data when None).

    >>> from fastapi.testclient import TestClient
    >>> TestClient(create_app()).get("/v1/health").json()["status"]
    'ok'
    """
    spec = spec if spec is not None else default_spec()
    data = answers.provenance(spec.open())
    version = _version()

    @contextlib.asynccontextmanager
    async def lifespan(_: FastAPI) -> AsyncIterator[None]:
        anyio.to_thread.current_default_thread_limiter().total_tokens = THREADS
        yield

    app = FastAPI(title="orvane", version=version, lifespan=lifespan,
                  description="Positions, charts, almanacs and sky events from JPL ephemerides. " + _LIMITS)

    def answer(body: dict[str, Any]) -> JSONResponse:
        return JSONResponse({**body, "data": data})

    @app.exception_handler(InputError)
    async def refused(_: Request, error: InputError) -> JSONResponse:
        return JSONResponse({"error": {"field": error.field, "message": error.message}}, status_code=422)

    @app.get("/v1/health")
    def health() -> JSONResponse:
        """The service is up; its version and data."""
        engine = spec.engine()
        covered = engine.supported_range
        return JSONResponse({"status": "ok", "version": version,
                             "covers_tdb_julian_days": [covered.start_julian_day, covered.end_julian_day],
                             "data": data}, headers={"cache-control": "no-store"})

    @app.get("/v1/positions", openapi_extra=_parameters(_POSITION_FIELDS))
    def positions(request: Request) -> JSONResponse:
        """Positions of bodies at one instant (``at``) or over a range (``from``, ``to``, ``step``)."""
        bodies, at, start, end, step, origin, frame, epoch, geometric, place, sidereal = _fields(
            request, _POSITION_FIELDS)
        names = read("bodies", bodies, inputs.bodies)
        if len(names) > inputs.MAX_BODIES:
            raise InputError("bodies", f"more than {inputs.MAX_BODIES} bodies")
        origin_ = read("origin", origin, inputs.origin, default="geocentric")
        frame_ = read("frame", frame, inputs.frame, default="ecliptic")
        epoch_ = read("epoch", epoch, inputs.epoch, default="of_date")
        apparent = not read("geometric", geometric, inputs.boolean, required=False, default=False)
        observer = read("place", place, inputs.place, required=origin_ == "topocentric")
        mode = read("sidereal", sidereal, inputs.sidereal_mode, required=False)
        if mode is not None and (frame_ != "ecliptic" or epoch_ == "j2000"):
            raise InputError("sidereal", "sidereal needs frame ecliptic and epoch of_date")
        if at is not None:
            if start is not None or end is not None or step is not None:
                raise InputError("at", "give either at or from and to, not both")
            instants = [read("at", at, inputs.instant)]
        else:
            first = read("from", start, inputs.instant)
            last = read("to", end, inputs.instant)
            days = read("step", step, inputs.step_days, default=1.0)
            count = inputs.instant_count(first, last, days)
            instants = [orvane.Instant.utc(first.julian_day + i * days) for i in range(count)]
        if len(instants) * len(names) > inputs.MAX_ROWS:
            raise InputError("step", f"more than {inputs.MAX_ROWS} rows (instants times bodies)")
        engine = spec.engine()
        field = "at" if at is not None else "from"
        with _computing(field):
            check_covered(engine, instants[0], instants[-1])
        with _computing("bodies"):
            require_kernels(engine, names)
            table = engine.positions(list(names), instants, request_options(origin_, frame_, epoch_, apparent, observer),
                                     worker_threads())
        axes = ("ra_hours", "dec_deg") if frame_ == "equatorial" else ("longitude_deg", "latitude_deg")
        scale = 15.0 if frame_ == "equatorial" else 1.0
        rows = []
        for instant, row in zip(instants, table):
            ayanamsha, rate = (0.0, 0.0) if mode is None else chart.ayanamsha_and_rate(engine, mode, instant)
            stamp = to_datetime(instant, engine, timezone.utc).isoformat()
            for name, place_ in zip(names, row):
                rows.append({"time": stamp, "body": name, axes[0]: ((float(place_[0]) - ayanamsha) % 360.0) / scale
                             if mode is not None else float(place_[0]) / scale,
                             axes[1]: float(place_[1]), "distance_au": float(place_[2]),
                             "speed_deg_per_day": float(place_[3]) - rate})
        return answer({"origin": origin_, "frame": frame_, "epoch": epoch_, "apparent": apparent,
                       "sidereal": mode, "positions": rows})

    def drawn_chart(request: Request) -> tuple[chart.Chart, datetime, tzinfo]:
        date, time, tz, place, houses, sidereal, calendar, fold, polar_fallback = _fields(request, _CHART_FIELDS)
        zone = read("tz", tz, inputs.zone, default=_UTC)
        where = read("place", place, inputs.place)
        system = read("houses", houses, inputs.house_system, default="placidus")
        mode = read("sidereal", sidereal, inputs.sidereal_mode, required=False)
        calendar_ = read("calendar", calendar, inputs.calendar, default="gregorian")
        fold_ = read("fold", fold, _fold, required=False)
        fallback = read("polar_fallback", polar_fallback, inputs.house_system, default="porphyry")
        when = inputs.local_moment(date, time, zone, calendar_, fold_)
        with _computing("date"):
            result = chart.chart(when, where, houses=system, sidereal=mode, engine=spec.engine(),
                                 polar_fallback=fallback)
        return result, when, zone

    @app.get("/v1/chart", openapi_extra=_parameters(_CHART_FIELDS))
    def chart_json(request: Request) -> JSONResponse:
        """A chart as JSON: points, angles, house cusps, aspects."""
        result, when, _ = drawn_chart(request)
        return answer(answers.chart_answer(result, when))

    @app.get("/v1/chart.svg", openapi_extra=_parameters(_CHART_FIELDS))
    def chart_svg(request: Request) -> Response:
        """The chart's wheel as SVG."""
        from orvane_tools.wheel import wheel_svg

        result, when, zone = drawn_chart(request)
        title = f"{when.isoformat(timespec='minutes')} {getattr(zone, 'key', None) or zone}"
        return Response(wheel_svg(result, title=title), media_type="image/svg+xml")

    @app.get("/v1/almanac", openapi_extra=_parameters(_ALMANAC_FIELDS))
    def almanac_days(request: Request) -> JSONResponse:
        """Sun and Moon, day by day, in local time."""
        place, start, end, tz, moon_edge = _fields(request, _ALMANAC_FIELDS)
        where = read("place", place, inputs.place)
        first = read("from", start, inputs.day)
        last = read("to", end, inputs.day)
        zone = read("tz", tz, inputs.zone, default=_UTC)
        edge = read("moon_edge", moon_edge, inputs.moon_edge, default="upper_limb")
        if last < first:
            raise InputError("to", "to is before from")
        if (last - first).days + 1 > inputs.MAX_ALMANAC_DAYS:
            raise InputError("to", f"more than {inputs.MAX_ALMANAC_DAYS} days")
        engine = spec.engine()
        with _computing("from"):
            check_covered(engine, to_instant(_midnight(first, zone), fold=0),
                          to_instant(_midnight(last, zone) + timedelta(days=1), fold=0))
            days = [answers.almanac_day(day) for day in almanac.daily_almanac(engine, where, first, last, zone, edge)]
        return answer({"place": {"lat": where.latitude_deg, "lon": where.longitude_east_deg, "height_m": where.height_m},
                       "tz": str(getattr(zone, "key", None) or zone), "days": days})

    @app.get("/v1/events", openapi_extra=_parameters(_EVENT_FIELDS))
    def events(request: Request) -> JSONResponse:
        """Equinoxes, solstices, new and full Moons between two moments; with
        ``kind``, also the searched kinds (quarters, stations, ingresses,
        aspects, conjunctions, elongations, lunar apsides, nodes and
        declinations) of ``body``."""
        start, end, tz, kind, moving, other_, angle_, sidereal_ = _fields(request, _EVENT_FIELDS)
        zone = read("tz", tz, inputs.zone, default=_UTC)
        first = read("from", start, lambda text: to_instant(_local(text, zone)))
        last = read("to", end, lambda text: to_instant(_local(text, zone)))
        kinds = read("kind", kind, inputs.event_kinds, required=False)
        body = read("body", moving, inputs.body, required=False)
        other = read("other", other_, inputs.body, required=False)
        angle = read("angle", angle_, inputs.angle, required=False)
        sidereal = read("sidereal", sidereal_, inputs.sidereal_mode, required=False)
        if last.julian_day < first.julian_day:
            raise InputError("to", "to is before from")
        if last.julian_day - first.julian_day > inputs.MAX_EVENT_DAYS:
            raise InputError("to", f"more than {inputs.MAX_EVENT_DAYS} days")
        engine = spec.engine()
        with _computing("from"):
            check_covered(engine, first, last)
            found = [answers.event(event, engine, zone) for event in almanac.sky_events(engine, first, last)
                     if kinds is None or event.kind in kinds]
            for searched in (kinds or ()):
                if searched in SEARCH_KINDS:
                    found += [answers.searched_event(record, engine, zone) for record in
                              search_events(engine, searched, first, last, body, other, angle, sidereal)]
            found.sort(key=lambda row: float(row["tt_julian_day"]))
        return answer({"kinds": list(inputs.EVENT_KINDS if kinds is None else kinds), "events": found})

    @app.get("/", response_class=HTMLResponse, include_in_schema=False)
    async def page() -> HTMLResponse:
        text = importlib.resources.files("orvane_tools.serve").joinpath("page.html").read_text(encoding="utf-8")
        return HTMLResponse(text, headers={"cache-control": "no-cache"})

    log_to_standard_error()
    app.add_middleware(Operations, data=answers.provenance_header(data), version=version,
                       deterministic=_DETERMINISTIC)
    return app


def _fold(text: str) -> int:
    if text.strip() not in ("0", "1"):
        raise ValueError(f"fold must be 0 or 1, not {text!r}")
    return int(text)


def _midnight(day: date, zone: tzinfo) -> datetime:
    return datetime(day.year, day.month, day.day, tzinfo=zone)


def _local(text: str, zone: tzinfo) -> datetime:
    value = moment(text)
    if isinstance(value, datetime):
        return value if value.tzinfo is not None else value.replace(tzinfo=zone)
    return _midnight(value, zone)


def serve(host: str = "127.0.0.1", port: int = 8000, workers: int = 1) -> None:
    """Run the service under uvicorn; ``workers`` processes each open their own engines.

    >>> serve(port=8000, workers=2)  # doctest: +SKIP
    """
    import uvicorn

    if workers < 1:
        raise ValueError(f"workers must be at least 1, not {workers}")
    uvicorn.run("orvane_tools.serve.app:create_app", factory=True, host=host, port=port, workers=workers,
                access_log=False, log_level="warning")
