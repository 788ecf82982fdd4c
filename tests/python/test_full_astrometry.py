"""The full astrometric model (model="full": IAU 2006/2000A precession-
nutation, aberration to all orders, deflection by the Sun, Jupiter and
Saturn) held against an independent ERFA chain on the same kernel, its
longitude speeds against centred differences, its cusps against ERFA's
sidereal time, and the default model left as it was."""
from __future__ import annotations

import erfa
import numpy as np
import pytest

import orvane
from full_astrometry_chain import Chain, angles_deg, separation_mas

BODIES = [10, 301, 199, 299, 499, 5, 6, 7, 8, 9]
PLACE = orvane.GeodeticObserver(-70.4, -24.6, 2600.0)


@pytest.fixture(scope="module")
def engine(de421_path, de421_sha, leap_seconds_path, leap_seconds_sha, eop_path, eop_sha):
    return orvane.open(de421_path, de421_sha, leap_seconds_path, leap_seconds_sha, eop_path, eop_sha)


@pytest.fixture(scope="module")
def chain(de421_path):
    reference = Chain(de421_path)
    yield reference
    reference.close()


@pytest.fixture(scope="module")
def days() -> np.ndarray:
    return np.sort(np.random.default_rng(29).uniform(2415100.0, 2469700.0, 300))  # 1900 to 2050


@pytest.mark.parametrize("origin", ["geocentric", "heliocentric", "barycentric"])
def test_full_model_matches_the_erfa_chain(engine, chain, days, origin):
    origin_code = {"geocentric": 399, "heliocentric": 10, "barycentric": 0}[origin]
    bodies = [b for b in BODIES if b != origin_code]
    for system in ("equatorial", "ecliptic"):
        got = engine.positions_for_julian_days(bodies, days, "tdb", orvane.apparent(origin, system, model="full"))
        for j, body in enumerate(bodies):
            reference = chain.apparent_equatorial(body, days, origin_code)
            if system == "ecliptic":
                reference = chain.ecliptic(reference, days)
            lon, lat = angles_deg(reference)
            worst = separation_mas(got[:, j, 0], got[:, j, 1], lon, lat).max()
            assert worst < 0.05, (origin, system, body, worst)


def test_full_model_moves_the_default_by_the_models_difference_only(engine, chain, days):
    # The default is the specified model, untouched; the full one differs from
    # it by the 2000B-2000A nutation, the higher aberration terms and the
    # giant planets' deflection: milliarcseconds, not more, away from a
    # grazing Jupiter or Saturn.
    bodies = ["sun", "moon", "mars", 8]
    standard = engine.positions_for_julian_days(bodies, days, "tdb", orvane.apparent())
    named = engine.positions_for_julian_days(bodies, days, "tdb", orvane.apparent(model="standard"))
    full = engine.positions_for_julian_days(bodies, days, "tdb", orvane.apparent(model="full"))
    assert standard.tobytes() == named.tobytes()
    moved = separation_mas(standard[..., 0], standard[..., 1], full[..., 0], full[..., 1])
    assert 0.1 < moved.max() < 10.0
    assert np.abs(standard[..., 2] - full[..., 2]).max() < 1e-12  # distances are kept


def test_single_batch_and_array_agree(engine, days):
    options = orvane.apparent("topocentric", "equatorial", observer=PLACE, model="full")
    bodies = ["sun", "moon", 5]
    chosen = np.linspace(2445000.5, 2460000.5, 20)
    instants = [orvane.Instant.utc(d) for d in chosen]
    batch = engine.positions(bodies, instants, options)
    array = engine.positions_for_julian_days(bodies, chosen, "utc", options)
    assert batch.tobytes() == array.tobytes()
    for i in (0, 7, 19):
        for j, body in enumerate(bodies):
            single = engine.position(body, instants[i], options)
            assert tuple(batch[i, j]) == (single.longitude_deg, single.latitude_deg, single.distance_au,
                                          single.longitude_speed_deg_per_day)


HALF_STEP = 5e-4
SPEED_DAYS = [2451545.123, 2453999.61, 2458000.9]
KINDS = {
    "apparent": dict(reference_epoch="of_date", apparent=True),
    "true of date": dict(reference_epoch="of_date", precession=True, nutation=True),
    "aberration only": dict(reference_epoch="of_date", precession=True, aberration=True),
    "deflection only": dict(reference_epoch="j2000", gravitational_deflection=True),
}


@pytest.mark.parametrize("kind", list(KINDS))
@pytest.mark.parametrize("system", ["ecliptic", "equatorial"])
@pytest.mark.parametrize("origin", ["geocentric", "topocentric", "heliocentric", "barycentric"])
def test_full_speed_is_the_rate_of_the_longitude(engine, origin, system, kind):
    extra = dict(KINDS[kind])
    if extra.get("apparent") or extra.get("nutation"):
        extra["true_ecliptic"] = system == "ecliptic"
    observer = PLACE if origin == "topocentric" else None
    options = orvane.PositionOptions(origin, system, observer=observer, model="full", **extra)
    for body in ["sun", "moon", "mercury", "mars", 5, 6, 8]:
        if origin == "heliocentric" and body == "sun":
            continue
        tolerance = 1e-5 if body == "moon" else 1e-6
        for day in SPEED_DAYS:
            lo = engine.position(body, orvane.Instant.tt(day - HALF_STEP), options).longitude_deg
            hi = engine.position(body, orvane.Instant.tt(day + HALF_STEP), options).longitude_deg
            difference = ((hi - lo + 180.0) % 360.0 - 180.0) / (2 * HALF_STEP)
            speed = engine.position(body, orvane.Instant.tt(day), options).longitude_speed_deg_per_day
            assert speed == pytest.approx(difference, abs=tolerance), (body, day)


def test_full_cusps_take_the_2006_2000a_sidereal_time_and_obliquity():
    rng = np.random.default_rng(7)
    # ERFA's CIO-based chain, not the equinox-based sum (0.6 mas apart at the
    # ends of DE440): within 0.01 mas from 1550 to 2650.
    years = [2287184.5, 2415020.5, 2488069.5, 2688976.5]  # 1550, 1900, 2100, 2650
    for ut1 in [*years, *rng.uniform(2287184.5, 2688976.5, 40)]:
        tt = ut1 + 70.0 / 86400.0
        full = orvane.house_cusps(PLACE, ut1, tt, "placidus", model="full")
        standard = orvane.house_cusps(PLACE, ut1, tt, "placidus")
        assert standard.ramc_deg == orvane.house_cusps(PLACE, ut1, tt, "placidus", model="standard").ramc_deg
        ramc = np.degrees(erfa.gst06a(ut1, 0.0, tt, 0.0)) + PLACE.longitude_east_deg
        off = ((full.ramc_deg - ramc + 180.0) % 360.0 - 180.0) * 3.6e6
        assert abs(off) < 0.01, ut1
        obliquity = np.degrees(erfa.obl06(tt, 0.0) + erfa.nut06a(tt, 0.0)[1])
        assert abs(full.true_obliquity_deg - obliquity) * 3.6e6 < 1e-3
        assert abs(full.ascendant_deg - standard.ascendant_deg) * 3.6e6 < 50.0


def test_the_model_is_named_and_shown_only_when_full():
    default = orvane.apparent()
    full = orvane.apparent(model="full")
    assert default.model == "standard" and full.model == "full"
    assert repr(default) == ('PositionOptions(origin="geocentric", coordinate_system="ecliptic", '
                             'reference_epoch="of_date", apparent=true)')
    assert repr(full) == ('PositionOptions(origin="geocentric", coordinate_system="ecliptic", '
                          'reference_epoch="of_date", apparent=true, model="full")')
    assert orvane.PositionOptions("geocentric", "equatorial", model="full").model == "full"
    assert orvane.geometric(model="full").model == "full"
    with pytest.raises(ValueError, match="unknown astrometry model 'iau2000a'"):
        orvane.apparent(model="iau2000a")
    with pytest.raises(TypeError, match="model"):
        orvane.PositionOptions("geocentric", "ecliptic", model=1)
    with pytest.raises(ValueError, match="unknown astrometry model"):
        orvane.house_cusps(PLACE, 2451545.0, 2451545.0, "placidus", model="Full")
    # Types are checked before names are parsed.
    with pytest.raises(TypeError):
        orvane.PositionOptions("nowhere", "ecliptic", model=1)


def test_searches_read_the_places_of_the_model(engine):
    start, end = orvane.Instant.tt(2415400.0), orvane.Instant.tt(2416500.0)  # 1901 to 1904
    full = engine.events("longitude", start, end, body="sun", angle_deg=0.0, model="full")
    standard = engine.events("longitude", start, end, body="sun", angle_deg=0.0)
    assert len(full) == len(standard) == 3
    for (day, _), (other, _) in zip(full, standard):
        assert day != other and abs(day - other) * 86400.0 < 1.0
        here = engine.position("sun", orvane.Instant.tt(day), orvane.apparent(model="full")).longitude_deg
        there = engine.position("sun", orvane.Instant.tt(other), orvane.apparent(model="full")).longitude_deg
        assert abs((here + 180.0) % 360.0 - 180.0) < abs((there + 180.0) % 360.0 - 180.0)
    after = orvane.Instant.tt(2415400.0)
    full_day = engine.next_season_event(after, "march_equinox", model="full").julian_day
    assert 0.0 < abs(full_day - engine.next_season_event(after, "march_equinox").julian_day) * 86400.0 < 1.0
    # The models' Moon-Sun elongations differ by microarcseconds (the
    # nutation moves both alike): the same lunations, to the last place.
    full_moon = engine.next_lunation(after, "full_moon", model="full").julian_day
    assert abs(full_moon - engine.next_lunation(after, "full_moon").julian_day) < 1e-9


def test_full_seasons_match_the_full_2000a_sun(engine, de421_path):
    # Skyfield's apparent Sun with its full IAU 2000A nutation (its almanac
    # takes the 2000B series): the full model finds the same equinoxes and
    # solstices within milliseconds, closer than the default model.
    from skyfield import almanac
    from skyfield.api import load, load_file
    from skyfield.framelib import ecliptic_frame

    eph = load_file(de421_path)
    earth, sun = eph["earth"], eph["sun"]

    def season_at(t):
        _, lon, _ = earth.at(t).observe(sun).apparent().frame_latlon(ecliptic_frame)
        return (lon.radians // (np.pi / 2.0) % 4).astype(int)

    season_at.step_days = 90
    ts = load.timescale()
    t, y = almanac.find_discrete(ts.tt(1930, 1, 1), ts.tt(1936, 1, 1), season_at, epsilon=1e-4 / 86400.0)
    names = ["march_equinox", "june_solstice", "september_equinox", "december_solstice"]
    worst = {}
    for model in ("standard", "full"):
        worst[model] = max(abs(engine.next_season_event(orvane.Instant.tt(day - 10.0), names[k], model=model)
                               .julian_day - day) * 86400.0 for day, k in zip(t.tt, y))
    eph.close()
    assert len(y) == 24
    assert worst["full"] < 0.002 < worst["standard"], worst


def test_apparent_sidereal_time_of_the_full_model_is_erfas(engine):
    for day in np.linspace(2442000.5, 2460000.5, 25):
        instant = orvane.Instant.ut1(day + 0.37)
        tt = engine.convert_instant(instant, "tt").julian_day
        full = engine.sidereal_time(instant, 0.0, True, model="full")
        reference = np.degrees(erfa.gst06a(day + 0.37, 0.0, tt, 0.0))
        assert abs((full - reference + 180.0) % 360.0 - 180.0) * 3.6e6 < 0.01, day
        assert engine.sidereal_time(instant, model="full", apparent=False) == engine.sidereal_time(instant, 0.0, False)
