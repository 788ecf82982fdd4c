"""The `orvane` command as users of other command-line tools expect it:
--version, checked choices, `-` for standard output, `now --at`, timestamps
at full precision, hemisphere letters, the progress line; and the companion's
keyword-only places, one moonrise, polar day and night, the README's commands."""
from __future__ import annotations

import csv
import datetime
import importlib.metadata
import io
import json
import pathlib
import re
import shlex
import subprocess
import sys
import tomllib
from zoneinfo import ZoneInfo

import orvane
import pytest

import orvane_tools as ot
from orvane_tools import checksums, cli, progress
from orvane_tools.almanac import day_almanac
from orvane_tools.choices import names_of
from orvane_tools.output import rounded_moment
from orvane_tools.places import parse_place
from orvane_tools.sky import day_events

ORVANE = pathlib.Path(sys.executable).with_name("orvane")
ROOT = pathlib.Path(__file__).resolve().parents[2]


def run(*args: str, cwd: pathlib.Path | None = None) -> subprocess.CompletedProcess[str]:
    return subprocess.run([str(ORVANE), *args], capture_output=True, text=True, timeout=300, cwd=cwd)


def ok(*args: str, cwd: pathlib.Path | None = None) -> str:
    result = run(*args, cwd=cwd)
    assert result.returncode == 0 and result.stderr == "", result.stderr
    return result.stdout


def test_version_names_the_installed_distribution():
    assert ok("--version") == f"orvane {importlib.metadata.version('orvane')}\n"


CHART = ("chart", "2026-01-01", "12:00", "--place", "0,0")
POSITIONS = ("positions", "--bodies", "sun", "--from", "2026-01-01", "--to", "2026-01-02")


@pytest.mark.parametrize("args, flag, wrong, meant, valid", [
    (CHART, "--houses", "placidos", "placidus", names_of(orvane.HouseSystem)),
    (CHART, "--polar-fallback", "porphiry", "porphyry", names_of(orvane.HouseSystem)),
    (CHART, "--sidereal", "lahri", "lahiri", names_of(orvane.SiderealMode)),
    (POSITIONS, "--sidereal", "fagan_bradly", "fagan_bradley", names_of(orvane.SiderealMode)),
    (("positions", "--from", "2026-01-01", "--to", "2026-01-02"), "--bodies", "sun,marz", "mars", ("sun", "pluto")),
    (("now",), "--format", "jsn", "json", ("table", "csv", "json")),
    (POSITIONS, "--origin", "geocentrik", "geocentric", ("barycentric", "topocentric")),
    (POSITIONS, "--frame", "ecliptik", "ecliptic", ("equatorial",)),
    (POSITIONS, "--epoch", "j200", "j2000", ("of_date",)),
    (("events", "--from", "2026-01-01", "--to", "2026-02-01"), "--kind", "ful_moon", "full_moon",
     (*names_of(orvane.SeasonEvent), *names_of(orvane.LunationEvent))),
    (("almanac", "--place", "0,0", "--from", "2026-01-01", "--to", "2026-01-01"), "--moon-edge", "center", "centre",
     ("upper_limb",)),
])
def test_a_name_outside_the_choices_is_refused_by_the_parser(args, flag, wrong, meant, valid):
    result = run(*args, flag, wrong)
    assert result.returncode == 2 and result.stdout == ""
    assert result.stderr.count("\n") == 1 and f"argument {flag}" in result.stderr
    assert f"(did you mean {meant!r}?)" in result.stderr
    assert all(name in result.stderr for name in valid)


@pytest.mark.parametrize("flag, spelling", [("--houses", "Whole-Sign"), ("--houses", "polich_page"),
                                            ("--sidereal", "FaganBradley")])
def test_the_module_spellings_of_a_choice_pass(flag, spelling):
    rows = json.loads(ok(*CHART, flag, spelling, "--format", "json"))
    assert any(r["name"] == "sun" for r in rows)


def test_svg_dash_writes_the_wheel_to_standard_output(tmp_path):
    text = ok("chart", "1990-05-17", "14:30", "--tz", "Europe/Paris", "--place", "48.8566N,2.3522E", "--svg", "-",
              cwd=tmp_path)
    assert text.startswith("<svg") and text.rstrip().endswith("</svg>")
    assert list(tmp_path.iterdir()) == []


def test_now_at_another_moment_in_a_time_zone():
    # The March equinox of 2026 at 14:46 UTC is 20:16 in India (UTC+05:30).
    local = json.loads(ok("now", "--at", "2026-03-20T20:16", "--tz", "Asia/Kolkata", "--format", "json"))
    utc = json.loads(ok("now", "--at", "2026-03-20T14:46:00Z", "--format", "json"))
    assert [r["time"] for r in local] == ["2026-03-20T20:16:00+05:30"] * 10
    assert {r["time"] for r in utc} == {"2026-03-20T14:46:00Z"}
    assert [r["longitude_deg"] for r in local] == [r["longitude_deg"] for r in utc]
    sun = local[0]["longitude_deg"]
    assert min(sun, 360.0 - sun) < 0.001


MOMENT_COLUMNS = {"now": ("time",), "positions": ("time_utc",), "events": ("time",),
                  "almanac": ("sunrise", "transit", "sunset", "moonrise", "moonset")}
COMMANDS = {
    "now": ("now", "--at", "2026-01-01T00:00:00.25"),
    "positions": ("positions", "--bodies", "moon", "--from", "2026-01-01T00:00:00", "--to", "2026-01-01T00:00:01",
                  "--step", "0.25s"),
    "events": ("events", "--from", "2026-01-01", "--to", "2026-04-01", "--tz", "Asia/Kolkata"),
    "almanac": ("almanac", "--place", "51.48N,0.00W", "--tz", "Europe/London", "--from", "2026-01-10",
                "--to", "2026-01-11"),
}


@pytest.mark.parametrize("command", COMMANDS)
def test_every_row_has_its_moment_in_full_in_csv_and_json_and_rounded_in_tables(command):
    args = COMMANDS[command]
    from_json = json.loads(ok(*args, "--format", "json"))
    from_csv = list(csv.DictReader(io.StringIO(ok(*args, "--format", "csv"))))
    assert from_json and len(from_json) == len(from_csv)
    table = ok(*args, "--quiet").splitlines()
    rows = [line for line in table if not line.startswith("#")][1:]
    for number, (record, line) in enumerate(zip(from_json, from_csv)):
        for column in MOMENT_COLUMNS[command]:
            text = record[column]
            assert text == line[column]
            moment = datetime.datetime.fromisoformat(text.replace("Z", "+00:00"))
            assert moment.tzinfo is not None
            form = "%H:%M" if command == "almanac" else "%Y-%m-%dT%H:%M:%S%z"
            assert rounded_moment(moment, form) in rows[number]
    if command == "positions":  # four instants a second apart by a quarter: the digits are kept
        assert [r["time_utc"] for r in from_json] == [
            "2026-01-01T00:00:00Z", "2026-01-01T00:00:00.250000Z", "2026-01-01T00:00:00.500000Z",
            "2026-01-01T00:00:00.750000Z", "2026-01-01T00:00:01Z"]
    if command == "almanac":  # times to the microsecond, not cut to the minute
        assert any(r["sunrise"][17:19] != "00" for r in from_json)


@pytest.mark.parametrize("text, latitude, longitude", [
    ("48.85N,2.35E", 48.85, 2.35),
    ("33.87S,151.21E", -33.87, 151.21),
    ("40.71n,74.01w", 40.71, -74.01),
    (" 0.5 S , 0.25 W ,12", -0.5, -0.25),
    ("-33.87,151.21", -33.87, 151.21),
])
def test_places_with_hemisphere_letters(text, latitude, longitude):
    where = parse_place(text)
    assert (where.latitude_deg, where.longitude_east_deg) == (latitude, longitude)


@pytest.mark.parametrize("text, message", [
    ("2.35E,48.85N", "latitude comes first"),
    ("48.85N,48.85N", "longitude comes second"),
    ("-33.87S,151.21E", "unsigned"),
    ("48.85X,2.35E", "LAT,LON"),
    ("91N,0E", "latitude must be within"),
])
def test_places_that_cannot_be_right_are_refused(text, message):
    result = run("now", "--place", text)
    assert result.returncode == 2 and message in result.stderr and result.stderr.count("\n") == 1


def test_the_same_place_with_letters_or_signs_gives_the_same_sky():
    with_letters = json.loads(ok("now", "--at", "2026-01-01", "--place", "33.87S,151.21E", "--format", "json"))
    with_signs = json.loads(ok("now", "--at", "2026-01-01", "--place", "-33.87,151.21", "--format", "json"))
    assert with_letters == with_signs


def test_help_states_the_order_of_a_place():
    assert "latitude first" in ok("now", "--help") and "latitude first" in ok("almanac", "--help")


def test_place_takes_keywords_only():
    paris = ot.place(lat=48.85, lon=2.35, height_m=35.0)
    assert isinstance(paris, orvane.GeodeticObserver)
    assert (paris.latitude_deg, paris.longitude_east_deg, paris.height_m) == (48.85, 2.35, 35.0)
    with pytest.raises(TypeError):
        ot.place(48.85, 2.35)  # type: ignore[misc]
    for bad in ({"lat": 91.0, "lon": 0.0}, {"lat": 0.0, "lon": float("nan")}, {"lat": 0.0, "lon": 0.0, "height_m": -2e4}):
        with pytest.raises(ValueError):
            ot.place(**bad)


def _days(first: datetime.date, count: int) -> list[datetime.date]:
    return [first + datetime.timedelta(days=n) for n in range(count)]


@pytest.mark.parametrize("edge", ["upper_limb", "centre"])
def test_one_moonrise_across_the_companion(edge):
    engine = ot.default_engine()
    london, zone = ot.place(lat=51.5, lon=-0.13), ZoneInfo("Europe/London")
    compared = 0
    for day in _days(datetime.date(2026, 3, 1), 10):
        events = day_events("moon", london, day, zone, engine, moon_edge=edge)
        almanac = day_almanac(engine, london, day, zone, moon_edge=edge)
        for mine, theirs in ((events.rise, almanac.moonrise), (events.set, almanac.moonset)):
            if mine is not None and theirs is not None and mine.date() == day:
                assert abs((mine - theirs).total_seconds()) < 2.0
                compared += 1
    assert compared >= 8


def test_the_upper_limb_rises_before_the_centre():
    engine = ot.default_engine()
    london, day = ot.place(lat=51.5, lon=-0.13), datetime.date(2026, 3, 5)
    limb = day_events("moon", london, day, "Europe/London", engine)
    centre = day_events("moon", london, day, "Europe/London", engine, moon_edge="centre")
    assert limb.rise is not None and centre.rise is not None and limb.set is not None and centre.set is not None
    # About 16' of semidiameter at a rate of some 8' a minute at this latitude: one to three minutes.
    assert 45.0 < (centre.rise - limb.rise).total_seconds() < 200.0
    assert 45.0 < (limb.set - centre.set).total_seconds() < 200.0
    with pytest.raises(ValueError, match="moon_edge"):
        day_events("moon", london, day, "Europe/London", engine, moon_edge="lower_limb")


@pytest.mark.parametrize("day, polar, side", [(datetime.date(2026, 6, 21), "polar day", "up"),
                                              (datetime.date(2026, 12, 21), "polar night", "down")])
def test_polar_day_and_polar_night_are_told_apart(day, polar, side):
    engine = ot.default_engine()
    tromso = ot.place(lat=69.65, lon=18.96)
    almanac = day_almanac(engine, tromso, day, ZoneInfo("Europe/Oslo"))
    assert almanac.sunrise is None and almanac.sunset is None and almanac.polar == polar
    assert almanac.all_day["sunrise"] == almanac.all_day["sunset"] == side
    # Independently: the Sun's centre hour by hour stays on that side of its rising altitude.
    start = ot.to_instant(datetime.datetime.combine(day, datetime.time(0), ZoneInfo("Europe/Oslo")))
    altitudes = [engine.altitude_azimuth("sun", tromso, orvane.Instant.utc(start.julian_day + h / 24.0))[0]
                 for h in range(25)]
    above = [a > orvane.SUN_UPPER_LIMB_ALTITUDE_DEG for a in altitudes]
    assert all(above) if side == "up" else not any(above)
    row = json.loads(ok("almanac", "--place", "69.65N,18.96E", "--tz", "Europe/Oslo", "--from", day.isoformat(),
                        "--to", day.isoformat(), "--format", "json"))[0]
    assert row["sunrise"] == row["sunset"] == side


def test_white_nights_show_twilight_all_night():
    # Oslo at the June solstice: the Sun never sinks to -18 degrees, so there is no astronomical dusk.
    row = json.loads(ok("almanac", "--place", "59.91N,10.75E", "--tz", "Europe/Oslo", "--from", "2026-06-21",
                        "--to", "2026-06-21", "--format", "json"))[0]
    assert row["astronomical_dawn"] == row["astronomical_dusk"] == "up"
    assert row["sunrise"].startswith("2026-06-21T03:")


class _Terminal(io.StringIO):
    def isatty(self) -> bool:
        return True


@pytest.mark.parametrize("stream, quiet, rows, shown", [
    (_Terminal(), False, None, True), (_Terminal(), False, io.StringIO(), True), (_Terminal(), True, None, False),
    (io.StringIO(), False, None, False), (_Terminal(), False, _Terminal(), False)])
def test_the_progress_line_only_on_a_terminal_and_not_when_quiet(monkeypatch, stream, quiet, rows, shown):
    monkeypatch.setattr(progress, "DELAY_S", 0.0)
    monkeypatch.setattr(progress, "REDRAW_S", 0.0)
    line = progress.Progress("almanac", stream, quiet, rows)
    line.update(5, 10)
    line.done()
    text = stream.getvalue()
    assert ("orvane: almanac 50% (5 of 10)" in text) == shown
    if shown:  # erased at the end
        assert text.endswith("\r") and text.rstrip(" \r").endswith(")")
    else:
        assert text == ""


def test_a_long_command_shows_progress_on_a_terminal(monkeypatch):
    monkeypatch.setattr(progress, "DELAY_S", 0.0)
    monkeypatch.setattr(progress, "REDRAW_S", 0.0)
    terminal, out = _Terminal(), io.StringIO()
    monkeypatch.setattr(sys, "stderr", terminal)
    monkeypatch.setattr(sys, "stdout", out)
    monkeypatch.setattr(checksums, "hashing_progress", None)
    assert cli.main(["almanac", "--place", "0,0", "--from", "2026-01-01", "--to", "2026-01-03", "--format", "csv"]) == 0
    assert "orvane: almanac 66% (2 of 3)" in terminal.getvalue()
    assert "orvane" not in out.getvalue() and len(out.getvalue().splitlines()) == 4


def test_first_run_hashing_shows_progress(monkeypatch, tmp_path):
    monkeypatch.setattr(progress, "DELAY_S", 0.0)
    monkeypatch.setattr(progress, "REDRAW_S", 0.0)
    monkeypatch.setattr(checksums, "hashing_progress", None)
    terminal = _Terminal()
    monkeypatch.setattr(sys, "stderr", terminal)
    cli._show_hashing(quiet=False)
    data = tmp_path / "kernel.bsp"
    data.write_bytes(bytes(3 << 20))
    checksums.sha256(data)
    assert "checking data files (first run) 33% (1,048,576 of 3,145,728): kernel.bsp" in terminal.getvalue()


def _readme_commands() -> list[str]:
    text = (ROOT / "README.md").read_text(encoding="utf-8")
    commands = re.findall(r"`((?:pip|orvane|python) [^`]+)`", text)
    language = None  # inside a fenced block: its language ("" for none)
    lines: list[str] = []
    for line in text.replace("\\\n", " ").splitlines():
        if line.startswith("```"):
            language = line[3:].strip() if language is None else None
        elif language in ("", "sh", "bash", "console") and line.startswith(("pip ", "orvane ")):
            lines.append(line)
    return commands + lines


def test_readme_commands_paste_into_bash_and_zsh_alike():
    commands = _readme_commands()
    assert sum(c.startswith("pip install") for c in commands) >= 3 and sum(c.startswith("orvane ") for c in commands) >= 8
    for command in commands:
        words = shlex.split(command, comments=True)
        # zsh takes an unquoted [ ] or ? as a pattern and fails when nothing matches.
        unquoted = re.sub(r"\"[^\"]*\"|'[^']*'", "", command.split("#")[0])
        assert not re.search(r"[\[\]?]", unquoted), command
        assert words


def test_readme_shows_the_command_line_conventions():
    commands = [c for c in _readme_commands() if c.startswith("orvane ")]
    assert "orvane --version" in commands
    assert any(" now --at " in c for c in commands)
    assert any(" --svg - " in c or c.endswith("--svg -") for c in commands)
    assert any(re.search(r"--place \d+(\.\d+)?[NS],\d+(\.\d+)?[EW]", c) for c in commands)


def test_the_dask_extra_installs_what_the_readme_example_uses():
    extras = tomllib.loads((ROOT / "pyproject.toml").read_text())["project"]["optional-dependencies"]["dask"]
    dask = next(e for e in extras if e.startswith("dask["))
    parts = set(dask[5:-1].split(","))
    readme = (ROOT / "README.md").read_text(encoding="utf-8")
    assert {"array", "distributed"} <= parts  # dask.array and dask.distributed in the example
    if "to_dataframe" in readme:
        assert "dataframe" in parts
