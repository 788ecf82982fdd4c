"""The companion's event records and phenomena: magnitudes held against
skyfield's Mallama-Hilton functions on skyfield's own geometry, illuminated
fractions against pyswisseph's pheno_ut, records against the engine."""
from __future__ import annotations

import math

import numpy as np
import pytest

import orvane
from orvane_tools.events import horizon_events, phenomena, search_events

skyfield_api = pytest.importorskip("skyfield.api")
magnitudelib = pytest.importorskip("skyfield.magnitudelib")
swisseph = pytest.importorskip("swisseph")

DAYS = [2451545.0, 2455000.7, 2458000.3, 2460400.5]
PLANETS = [("mercury", 199, "mercury", magnitudelib._mercury_magnitude, swisseph.MERCURY),
           ("venus", 299, "venus", magnitudelib._venus_magnitude, swisseph.VENUS),
           ("mars", 499, "mars", magnitudelib._mars_magnitude, swisseph.MARS),
           ("jupiter", 5, "jupiter barycenter", magnitudelib._jupiter_magnitude, swisseph.JUPITER)]


@pytest.fixture(scope="module")
def engine(de421_path, de421_sha, leap_seconds_path, leap_seconds_sha, eop_path, eop_sha):
    return orvane.Engine(de421_path, de421_sha, leap_seconds_path, leap_seconds_sha, eop_path, eop_sha)


@pytest.mark.parametrize(("name", "code", "target", "formula", "swiss"), PLANETS)
def test_phenomena_match_skyfield_and_pyswisseph(engine, de421_path, name, code, target, formula, swiss):
    eph = skyfield_api.load_file(de421_path)
    ts = skyfield_api.load.timescale(builtin=True)
    for day in DAYS:
        ours = phenomena(engine, code, orvane.Instant.tt(day))
        earth = eph["earth"].at(ts.tt_jd(day))
        planet = earth.observe(eph[target]).xyz.au
        sun = earth.observe(eph["sun"]).xyz.au
        from_sun = planet - sun
        phase = math.degrees(math.acos(np.dot(from_sun, planet) / np.linalg.norm(from_sun) / np.linalg.norm(planet)))
        theirs = float(formula(np.linalg.norm(from_sun), np.linalg.norm(planet), phase))
        assert ours.magnitude == pytest.approx(theirs, abs=0.01), (name, day)
        assert ours.phase_angle_deg == pytest.approx(phase, abs=1e-4)
        swiss_phase = swisseph.pheno_ut(day - swisseph.deltat(day), swiss, swisseph.FLG_MOSEPH)
        assert ours.illuminated_fraction == pytest.approx(swiss_phase[1], abs=1e-4), (name, day)
        assert ours.elongation_deg == pytest.approx(swiss_phase[2], abs=0.01)


def test_a_body_without_a_formula_has_no_magnitude(engine):
    assert phenomena(engine, "moon", orvane.Instant.tt(2460400.5)).magnitude is None


def test_records_carry_the_engine_events_in_calendar_time(engine):
    records = search_events(engine, "sun_conjunction", "2024-01-01Z", "2026-01-01Z", body="mars")
    raw = engine.events("sun_conjunction", orvane.Instant.utc(2460310.5), orvane.Instant.utc(2461041.5), body="mars")
    assert [(r.tt_julian_day, r.name) for r in records] == raw
    assert records[0].when.year == 2025 and records[0].name == "opposition"


def test_horizon_records_alternate_at_a_place(engine):
    place = orvane.GeodeticObserver(-0.13, 51.5, 0.0)
    names = [r.name for r in horizon_events(engine, "mars", place, "2026-03-01Z", "2026-03-11Z")]
    assert names.count("rise") in (9, 10, 11) and names.count("transit") in (9, 10, 11)


def test_the_command_line_lists_searched_and_horizon_events():
    import json
    import pathlib
    import subprocess
    import sys

    orvane_cli = pathlib.Path(sys.executable).with_name("orvane")

    def rows(*args: str) -> list[dict[str, str]]:
        done = subprocess.run([str(orvane_cli), "events", "-q", "--format", "json", *args], capture_output=True,
                              text=True, timeout=300, check=True)
        return json.loads(done.stdout)

    stations = rows("--from", "2026-01-01", "--to", "2027-01-01", "--kind", "station", "--body", "mercury")
    assert [row["event"] for row in stations][:2] == ["station_retrograde", "station_direct"]
    assert stations[0]["time"].startswith("2026-02-26")
    horizon = rows("--from", "2026-01-01", "--to", "2026-01-02", "--kind", "horizon", "--body", "venus",
                   "--place", "51.5,-0.13")
    assert [row["event"] for row in horizon] == ["rise", "transit", "set", "lower_transit"]
    failed = subprocess.run([str(orvane_cli), "events", "--from", "2026-01-01", "--to", "2026-01-02", "--kind",
                             "horizon"], capture_output=True, text=True, timeout=300)
    assert failed.returncode == 2 and "--place and one of --body and --star" in failed.stderr


@pytest.mark.parametrize("ut1", [2451545.0, 2455000.25, 2458000.7, 2460400.5])
def test_equation_of_time_and_sidereal_time_match_pyswisseph(engine, ut1):
    from orvane_tools.events import equation_of_time_minutes, sidereal_time_hours

    instant = orvane.Instant.ut1(ut1)
    assert equation_of_time_minutes(engine, instant) * 60.0 == pytest.approx(
        swisseph.time_equ(ut1) * 86400.0, abs=0.1)
    # Apparent sidereal time; pyswisseph's own nutation model differs by a few milliseconds.
    assert sidereal_time_hours(engine, instant) * 3600.0 == pytest.approx(swisseph.sidtime(ut1) * 3600.0, abs=0.01)
    local = sidereal_time_hours(engine, instant, longitude_east_deg=-75.0, apparent=False)
    assert local == pytest.approx((sidereal_time_hours(engine, instant, apparent=False) - 5.0) % 24.0, abs=1e-9)


SAMPLE = [2451545.0 + 397.3 * k for k in range(24)]  # 2000 to 2025, every phase of the synodic periods


@pytest.mark.parametrize(("name", "code"), [("saturn", 6), ("uranus", 7), ("neptune", 8)])
def test_outer_planet_magnitudes_match_skyfield(engine, de421_path, name, code):
    """Saturn with its rings, Uranus with its sub-latitudes, Neptune brightening with the years."""
    eph = skyfield_api.load_file(de421_path)
    ts = skyfield_api.load.timescale(builtin=True)
    compared = 0
    for day in SAMPLE:
        ours = phenomena(engine, code, orvane.Instant.tt(day)).magnitude
        theirs = float(magnitudelib.planetary_magnitude(eph["earth"].at(ts.tt_jd(day)).observe(eph[code])))
        if math.isnan(theirs):
            assert ours is None, (name, day)
            continue
        assert ours == pytest.approx(theirs, abs=0.01), (name, day)
        compared += 1
    assert compared >= 12


@pytest.mark.parametrize("code", [699, 799])
def test_ring_and_pole_geometry_uses_skyfields_poles(code):
    from orvane_tools.magnitudes import pole_direction
    theirs = magnitudelib._SATURN_POLE if code == 699 else magnitudelib._URANUS_POLE
    assert np.allclose(pole_direction(code), theirs, atol=2e-5)


def test_radii_agree_with_the_iau_nominal_values():
    constants = pytest.importorskip("astropy.constants")
    from orvane_tools.radii import EQUATORIAL_RADII_KM
    assert EQUATORIAL_RADII_KM[10] == constants.R_sun.to_value("km")
    assert EQUATORIAL_RADII_KM[599] == constants.R_jup.to_value("km")
    assert EQUATORIAL_RADII_KM[399] == pytest.approx(constants.R_earth.to_value("km"), abs=0.1)


@pytest.mark.parametrize(("name", "swiss"), [("sun", 0), ("moon", 1), ("mercury", 2), ("venus", 3), ("mars", 4),
                                             ("jupiter", 5), ("saturn", 6), ("uranus", 7), ("neptune", 8),
                                             ("pluto", 9)])
def test_apparent_diameters_match_pyswisseph_at_its_radii(name, swiss):
    """pyswisseph's pheno_ut draws the disks at mean radii: its diameter times
    the ratio of the radii (its radius read back from its diameter and
    distance) is ours within 1e-4 of the diameter (Moshier's distances)."""
    from orvane_tools.data import default_engine
    from orvane_tools.radii import AU_KM, EQUATORIAL_RADII_KM
    engine = default_engine()
    code = {"sun": 10, "moon": 301, "mercury": 199, "venus": 299}.get(name, swiss * 100 + 99)
    for day in DAYS:
        ours = phenomena(engine, name, orvane.Instant.tt(day)).apparent_diameter_arcsec
        ut = day - swisseph.deltat(day)
        diameter = swisseph.pheno_ut(ut, swiss, swisseph.FLG_MOSEPH)[3]
        distance = swisseph.calc_ut(ut, swiss, swisseph.FLG_MOSEPH)[0][2] * AU_KM
        radius = math.sin(math.radians(diameter / 2.0)) * distance
        assert ours == pytest.approx(diameter * 3600.0 * EQUATORIAL_RADII_KM[code] / radius, rel=1e-4), (name, day)
