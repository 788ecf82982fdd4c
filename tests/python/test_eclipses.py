"""Eclipses held against Skyfield's eclipselib (same DE421) and the Swiss
Ephemeris (its Moshier Sun and Moon), over a decade each."""
from __future__ import annotations

import math

import numpy as np
import orvane
import pytest
import swisseph as swe
from skyfield import eclipselib
from skyfield.api import load, load_file
from skyfield.functions import angle_between, length_of

SECOND = 1.0 / 86400.0
AU_KM = 149597870.7
C_KM_S = 299792.458
EARTH_RADIUS_KM = 6378.137
MOON_RADIUS_KM = 0.2725076 * EARTH_RADIUS_KM
SUN_RADIUS_KM = 696000.0
START_TT, END_TT = 2451544.5, 2451544.5 + 3653.0  # 2000-2010
KINDS = ["penumbral", "partial", "total"]


@pytest.fixture(scope="module")
def engine(de421_path, leap_seconds_path, eop_path) -> orvane.Engine:
    engine = orvane.Engine(de421_path, "ab" * 32)
    engine.with_time_kernels(leap_seconds_path, "ab" * 32, eop_path, "ab" * 32)
    return engine


@pytest.fixture(scope="module")
def sky(de421_path):
    return load.timescale(builtin=True), load_file(de421_path)


@pytest.fixture(scope="module")
def lunar(engine) -> dict[str, list[tuple]]:
    return {
        rule: engine.lunar_eclipses(orvane.Instant(START_TT, "tt"), orvane.Instant(END_TT, "tt"), rule)
        for rule in ("danjon", "chauvenet")
    }


def _apparent(sky, tt: float):
    ts, eph = sky
    earth = eph["earth"].at(ts.tt_jd(tt))
    moon = earth.observe(eph["moon"]).apparent().position.au * AU_KM
    sun = earth.observe(eph["sun"]).apparent().position.au * AU_KM
    return moon, sun


def _radii(moon, sun, rule: str) -> tuple[float, float, float]:
    """Moon, umbra and penumbra radii (radians) from the geometry, by the rule."""
    dm, ds = length_of(moon), length_of(sun)
    pi_m, pi_s, s_s = math.asin(EARTH_RADIUS_KM / dm), math.asin(EARTH_RADIUS_KM / ds), math.asin(SUN_RADIUS_KM / ds)
    if rule == "danjon":
        umbra, penumbra = 1.01 * pi_m + pi_s - s_s, 1.01 * pi_m + pi_s + s_s
    else:
        umbra, penumbra = 1.02 * (pi_m + pi_s - s_s), 1.02 * (pi_m + pi_s + s_s)
    return math.asin(MOON_RADIUS_KM / dm), umbra, penumbra


def test_lunar_eclipses_match_skyfield(lunar, sky):
    """Same eclipses, same kinds; greatest eclipse within 1 s once the
    Moon's light time is allowed for (Skyfield's instant is the Moon's own,
    ours the one seen from the geocentre); magnitudes within 0.005 once
    Skyfield's Moon and Sun radii are replaced by ours."""
    ts, eph = sky
    t, codes, details = eclipselib.lunar_eclipses(ts.tt_jd(START_TT), ts.tt_jd(END_TT), eph)
    ours = lunar["danjon"]
    assert len(ours) == len(t) == 24
    moon_km = 1737.1 / np.sin(details["moon_radius_radians"])
    sun_km = 696340.0 / ((details["penumbra_radius_radians"] - details["umbra_radius_radians"]) / 2.0)
    for i, eclipse in enumerate(ours):
        kind, greatest = eclipse[0], eclipse[1]
        assert kind == KINDS[codes[i]]
        light_time = moon_km[i] / C_KM_S * SECOND
        assert abs(greatest - light_time - t.tt[i]) < 1.0 * SECOND
        pi_m = math.asin(EARTH_RADIUS_KM / moon_km[i])
        pi_s, s_s = math.asin(EARTH_RADIUS_KM / sun_km[i]), math.asin(SUN_RADIUS_KM / sun_km[i])
        r_m = math.asin(MOON_RADIUS_KM / moon_km[i])
        d = details["closest_approach_radians"][i]
        umbral = (1.01 * pi_m + pi_s - s_s + r_m - d) / (2 * r_m)
        penumbral = (1.01 * pi_m + pi_s + s_s + r_m - d) / (2 * r_m)
        assert eclipse[8] == pytest.approx(umbral, abs=0.005)
        assert eclipse[9] == pytest.approx(penumbral, abs=0.005)
        # Without the substitution, the radii apart, the two differ little.
        assert eclipse[8] == pytest.approx(details["umbral_magnitude"][i], abs=0.005)
        assert eclipse[9] == pytest.approx(details["penumbral_magnitude"][i], abs=0.005)


@pytest.mark.parametrize("rule", ["danjon", "chauvenet"])
def test_lunar_contacts_lie_on_the_shadow_edges(lunar, sky, rule):
    """At each contact, Skyfield's apparent Moon stands from the shadow's
    centre by the sum or difference of the radii, within 0.1 arcsecond; at
    greatest eclipse the separation is least."""
    edges = {2: (2, 1), 3: (1, 1), 4: (1, -1), 5: (1, -1), 6: (1, 1), 7: (2, 1)}
    for eclipse in lunar[rule]:
        for index, (shadow, sign) in edges.items():
            if eclipse[index] is None:
                continue
            moon, sun = _apparent(sky, eclipse[index])
            radii = _radii(moon, sun, rule)
            separation = angle_between(moon, -sun)
            assert abs(separation - (radii[shadow] + sign * radii[0])) < math.radians(0.1 / 3600)
        least = [angle_between(*(lambda m, s: (m, -s))(*_apparent(sky, eclipse[1] + dt))) for dt in (-60 * SECOND, 0.0, 60 * SECOND)]
        assert least[1] < least[0] and least[1] < least[2]


def test_lunar_contacts_follow_the_kind(lunar):
    """P1 < U1 < U2 < greatest < U3 < U4 < P4, each present as the kind needs."""
    chauvenet_larger = 0
    for danjon, chauvenet in zip(lunar["danjon"], lunar["chauvenet"]):
        kind, greatest, p1, u1, u2, u3, u4, p4 = danjon[:8]
        present = [p1, u1, u2, u3, u4, p4]
        expected = {"penumbral": [1, 0, 0, 0, 0, 1], "partial": [1, 1, 0, 0, 1, 1], "total": [1] * 6}[kind]
        assert [int(x is not None) for x in present] == expected
        times = [x for x in present[:3] if x is not None] + [greatest] + [x for x in present[3:] if x is not None]
        assert times == sorted(times)
        assert (danjon[8] > 0) == (kind != "penumbral") and (danjon[8] > 1) == (kind == "total")
        chauvenet_larger += chauvenet[9] > danjon[9]
    # Chauvenet's 1/50 makes the penumbra larger than Danjon's 1/100 on the parallax alone.
    assert chauvenet_larger == len(lunar["danjon"])


def test_lunar_eclipses_match_swiss_ephemeris(lunar):
    """Same eclipses and kinds as swe.lun_eclipse_when; times within 10 s on
    TT (each library's own Delta T taken out); umbral and penumbral
    magnitudes within 0.005."""
    t = START_TT - 0.5
    swiss = []
    while True:
        flags, tret = swe.lun_eclipse_when(t, swe.FLG_MOSEPH, 0)
        if tret[0] > END_TT:
            break
        swiss.append((flags, tret))
        t = tret[0] + 1.0
    assert len(swiss) == len(lunar["danjon"])
    names = {swe.ECL_TOTAL: "total", swe.ECL_PARTIAL: "partial", swe.ECL_PENUMBRAL: "penumbral"}
    for eclipse, (flags, tret) in zip(lunar["danjon"], swiss):
        def tt(ut: float) -> float:
            return ut + swe.deltat_ex(ut, swe.FLG_MOSEPH)
        assert eclipse[0] == names[flags & (swe.ECL_TOTAL | swe.ECL_PARTIAL | swe.ECL_PENUMBRAL)]
        assert abs(eclipse[1] - tt(tret[0])) < 10 * SECOND
        for ours, theirs in ((2, 6), (3, 2), (4, 4), (5, 5), (6, 3), (7, 7)):
            if eclipse[ours] is not None:
                assert abs(eclipse[ours] - tt(tret[theirs])) < 30 * SECOND
        attr = swe.lun_eclipse_how(tret[0], (0.0, 0.0, 0.0), swe.FLG_MOSEPH)[1]
        if eclipse[0] != "penumbral":
            assert eclipse[8] == pytest.approx(attr[0], abs=0.005)
        assert eclipse[9] == pytest.approx(attr[1], abs=0.005)


def test_lunar_eclipse_arguments(engine):
    start, end = orvane.Instant(START_TT, "tt"), orvane.Instant(START_TT + 30, "tt")
    with pytest.raises(ValueError, match="unknown shadow rule"):
        engine.lunar_eclipses(start, end, "espenak")
    # shadow rules follow the spelling rule of every other name
    year = orvane.Instant(START_TT + 365.25, "tt")
    assert engine.lunar_eclipses(start, year, " Chauvenet ") == engine.lunar_eclipses(start, year, "chauvenet")
    with pytest.raises(ValueError, match="end >= start"):
        engine.lunar_eclipses(end, start)
    with pytest.raises(orvane.OutsideCoverageError):
        engine.lunar_eclipses(start, orvane.Instant(START_TT + 36525.0 * 3, "tt"))
    with pytest.raises(ValueError, match="finite"):
        engine.solar_eclipses(orvane.Instant(math.nan, "tt"), end)
    with pytest.raises(TypeError, match="'start' must be Instant"):
        engine.local_solar_eclipses(orvane.GeodeticObserver(0.0, 0.0, 0.0), START_TT, end)
    with pytest.raises(TypeError, match="'observer'"):
        engine.local_solar_eclipses((0.0, 0.0), start, end)
    # January 2000's total eclipse, found from a range given in UTC too.
    utc = engine.lunar_eclipses(orvane.Instant(2451550.5, "utc"), orvane.Instant(2451570.5, "utc"))
    assert [e[0] for e in utc] == ["total"]


SOLAR_KINDS = {swe.ECL_TOTAL: "total", swe.ECL_ANNULAR: "annular", swe.ECL_PARTIAL: "partial", swe.ECL_ANNULAR_TOTAL: "hybrid"}
SOLAR_MASK = swe.ECL_TOTAL | swe.ECL_ANNULAR | swe.ECL_PARTIAL | swe.ECL_ANNULAR_TOTAL


def _swiss_tt(ut: float) -> float:
    return ut + swe.deltat_ex(ut, swe.FLG_MOSEPH)


@pytest.fixture(scope="module")
def solar(engine) -> list[tuple]:
    return engine.solar_eclipses(orvane.Instant(START_TT, "tt"), orvane.Instant(END_TT, "tt"))


def test_solar_eclipses_match_swiss_ephemeris(solar):
    """Same eclipses, kinds and centrality as swe.sol_eclipse_when_glob;
    greatest eclipse within 10 s (TT), its place within 0.2 degrees (but grazing), the
    magnitude there within 0.005."""
    t, swiss = START_TT - 0.5, []
    while True:
        flags, tret = swe.sol_eclipse_when_glob(t, swe.FLG_MOSEPH, 0)
        if tret[0] > END_TT:
            break
        swiss.append((flags, tret[0]))
        t = tret[0] + 1.0
    assert len(solar) == len(swiss) == 22
    widths = []
    for eclipse, (flags, ut) in zip(solar, swiss):
        kind, greatest, central, longitude, latitude, magnitude, gamma, width = eclipse
        assert kind == SOLAR_KINDS[flags & SOLAR_MASK]
        assert central == bool(flags & swe.ECL_CENTRAL)
        assert abs(greatest - _swiss_tt(ut)) < 10 * SECOND
        geopos, attr = swe.sol_eclipse_where(ut, swe.FLG_MOSEPH)[1:]
        # Where the axis grazes the Earth (2003-05-31, gamma 0.996) its
        # foot runs fast over the ground: a second moves it by a tenth of a degree.
        near = 0.2 if abs(gamma) < 0.99 else 2.0
        assert abs(math.remainder(longitude - geopos[0], 360.0)) < near and abs(latitude - geopos[1]) < near
        assert magnitude == pytest.approx(attr[8], abs=0.005)
        assert (abs(gamma) < 1.0) == central
        assert (width > 0) == central
        widths.append(width)
    # Published path widths (NASA's catalogue, rounded to the km) of the
    # central eclipses of 2001-06-21 (200 km) and 2006-03-29 (184 km).
    assert 190 < widths[4] < 210 and 175 < widths[14] < 195


def _destination(lat: float, lon: float, bearing: float, km: float) -> tuple[float, float]:
    """The point `km` along the great circle (mean radius) from a place."""
    p1, l1, b, d = math.radians(lat), math.radians(lon), math.radians(bearing), km / 6371.0
    p2 = math.asin(math.sin(p1) * math.cos(d) + math.cos(p1) * math.sin(d) * math.cos(b))
    l2 = l1 + math.atan2(math.sin(b) * math.sin(d) * math.cos(p1), math.cos(d) - math.sin(p1) * math.sin(p2))
    return math.degrees(p2), math.degrees(l2)


def _bearing(lat1: float, lon1: float, lat2: float, lon2: float) -> float:
    p1, p2, dl = math.radians(lat1), math.radians(lat2), math.radians(lon2 - lon1)
    return math.degrees(math.atan2(math.sin(dl) * math.cos(p2),
                                  math.cos(p1) * math.sin(p2) - math.sin(p1) * math.cos(p2) * math.cos(dl)))


def _central_somewhen(sky, lat: float, lon: float, times) -> bool:
    """Whether Skyfield's topocentric Moon covers (or sits inside) the Sun at
    some sampled instant with the Sun's centre above the horizon."""
    from skyfield.api import wgs84

    _, eph = sky
    seen = (eph["earth"] + wgs84.latlon(lat, lon)).at(times)
    sun, moon = seen.observe(eph["sun"]).apparent(), seen.observe(eph["moon"]).apparent()
    r_s, r_m = np.arcsin(SUN_RADIUS_KM / sun.distance().km), np.arcsin(MOON_RADIUS_KM / moon.distance().km)
    inside = sun.separation_from(moon).radians < np.abs(r_m - r_s)
    return bool(np.any(inside & (sun.altaz()[0].degrees > 0.0)))


@pytest.mark.parametrize("around", [2452790.5, 2452967.5, 2460409.5], ids=["2003-05-31 grazing", "2003-11-23", "2024-04-08"])
def test_path_width_spans_the_limits_seen_from_the_ground(engine, sky, around):
    """The path width at greatest eclipse equals the distance between the
    northern and southern limits found independently: places along the
    perpendicular to the track (its direction from the Swiss Ephemeris's
    central line a minute either side) that see the Sun wholly covered or
    ringed, by Skyfield's topocentric Sun and Moon, bisected to half a km.
    The grazing annular eclipse of 2003 (gamma 0.996) is the hard case."""
    ts, _ = sky
    [eclipse] = [e for e in engine.solar_eclipses(orvane.Instant(around - 1, "tt"), orvane.Instant(around + 1, "tt"))]
    greatest, longitude, latitude, width = eclipse[1], eclipse[3], eclipse[4], eclipse[7]
    ut = greatest - swe.deltat_ex(greatest, swe.FLG_MOSEPH)
    before = swe.sol_eclipse_where(ut - 60 * SECOND, swe.FLG_MOSEPH)[1]
    after = swe.sol_eclipse_where(ut + 60 * SECOND, swe.FLG_MOSEPH)[1]
    track = _bearing(before[1], before[0], after[1], after[0])
    times = ts.tt_jd(greatest + np.arange(-1200, 1201, 4) * SECOND)
    limits = 0.0
    for side in (90.0, -90.0):
        inside, outside = 0.0, 50.0
        while _central_somewhen(sky, *_destination(latitude, longitude, track + side, outside), times):
            inside, outside = outside, 2 * outside
        while outside - inside > 0.5:
            middle = (inside + outside) / 2
            if _central_somewhen(sky, *_destination(latitude, longitude, track + side, middle), times):
                inside = middle
            else:
                outside = middle
        limits += (inside + outside) / 2
    # The great circles on a sphere of the mean radius stand for the
    # ellipsoid's section: a few tenths of a percent.
    assert width == pytest.approx(limits, rel=0.01)


def test_solar_searches_name_the_time_kernels_they_need(de421_path, leap_seconds_path):
    """Without a leap-second kernel or Earth orientation table, the solar
    searches say that they, not a topocentric origin, need them; a position
    from a place keeps its own message."""
    start, end = orvane.Instant(START_TT, "tt"), orvane.Instant(START_TT + 400, "tt")
    place = orvane.GeodeticObserver(13.4, 52.5, 34.0)
    bare = orvane.Engine(de421_path, "ab" * 32)
    with pytest.raises(ValueError, match=r"^the solar eclipse search needs a leap-second kernel and an Earth orientation table \(DUT1\)"):
        bare.solar_eclipses(start, end)
    with pytest.raises(ValueError, match=r"^the local solar eclipse search needs a leap-second kernel and an Earth orientation"):
        bare.local_solar_eclipses(place, start, end)
    with pytest.raises(ValueError, match="finite"):  # the range is checked first
        bare.local_solar_eclipses(place, orvane.Instant(math.nan, "tt"), end)
    assert [e[0] for e in bare.lunar_eclipses(start, end)] == ["total"] * 3  # geocentric: no kernels needed
    bare.with_leap_second_kernel(leap_seconds_path, "ab" * 32)
    with pytest.raises(ValueError, match=r"^the solar eclipse search needs an Earth orientation table \(DUT1\)"):
        bare.solar_eclipses(start, end)
    with pytest.raises(ValueError, match="^topocentric origins require an Earth orientation table"):
        bare.position("sun", start, orvane.PositionOptions("topocentric", "equatorial", observer=place))


PLACES = {"berlin": (13.4, 52.5, 34.0), "chicago": (-87.6, 41.9, 180.0), "sydney": (151.2, -33.9, 0.0)}


@pytest.fixture(scope="module")
def local(engine) -> dict[str, list[tuple]]:
    return {
        name: engine.local_solar_eclipses(
            orvane.GeodeticObserver(*place), orvane.Instant(START_TT, "tt"), orvane.Instant(END_TT + 3653.0, "tt"))
        for name, place in PLACES.items()
    }


@pytest.mark.parametrize("name", sorted(PLACES))
def test_local_solar_eclipses_match_swiss_ephemeris(local, name):
    """The eclipses seen are those of swe.sol_eclipse_when_loc, 2000-2020,
    but for ones the Sun sees from within a degree of the horizon (where
    the two rules of visibility part); contacts within 10 s (TT);
    magnitude within 0.005 where the maximum is seen (the Swiss maximum is
    moved to sunrise or sunset otherwise), and the obscuration where not
    total (the Swiss one is then the square of the diameters' ratio)."""
    place = PLACES[name]
    seen = [e for e in local[name] if e[-1]]
    t, swiss = START_TT - 0.5, []
    while True:
        flags, tret, attr = swe.sol_eclipse_when_loc(t, place, swe.FLG_MOSEPH)
        if tret[0] > END_TT + 3653.0:
            break
        swiss.append((flags, tret, attr))
        t = tret[0] + 1.0

    def highest(eclipse: tuple) -> float:
        return max(a for a in eclipse[8:13] if a is not None)

    matched = 0
    for flags, tret, attr in swiss:
        near = [e for e in seen if abs(e[1] - _swiss_tt(tret[0])) < 0.3]
        if not near:
            ours = [e for e in local[name] if abs(e[1] - _swiss_tt(tret[0])) < 0.3]
            assert len(ours) == 1 and highest(ours[0]) < 1.0
            continue
        eclipse = near[0]
        matched += 1
        assert eclipse[0] == SOLAR_KINDS[flags & (swe.ECL_TOTAL | swe.ECL_ANNULAR | swe.ECL_PARTIAL)]
        for ours_at, theirs_at in ((2, 1), (3, 2), (4, 3), (5, 4)):
            if eclipse[ours_at] is not None:
                assert abs(eclipse[ours_at] - _swiss_tt(tret[theirs_at])) < 10 * SECOND
        if eclipse[10] > 0:
            assert abs(eclipse[1] - _swiss_tt(tret[0])) < 10 * SECOND
            assert eclipse[6] == pytest.approx(attr[8], abs=0.005)
            if eclipse[0] != "total":
                assert eclipse[7] == pytest.approx(attr[2], abs=0.005)
    for eclipse in seen:
        if not any(abs(eclipse[1] - _swiss_tt(x[1][0])) < 0.3 for x in swiss):
            assert highest(eclipse) < 1.0
    assert matched >= len(swiss) - 1


@pytest.mark.parametrize("name", sorted(PLACES))
def test_local_contacts_lie_on_the_limbs(local, sky, name):
    """At C1 and C4 Skyfield's topocentric apparent Moon and Sun stand apart
    by the sum of their semi-diameters, at C2 and C3 by the difference,
    within 0.1 arcsecond; the Sun's altitude agrees within 0.01 degree."""
    from skyfield.api import wgs84

    ts, eph = sky
    longitude, latitude, height = PLACES[name]
    site = eph["earth"] + wgs84.latlon(latitude, longitude, elevation_m=height)
    for eclipse in local[name]:
        for index, inner, altitude in ((2, False, 8), (3, True, 9), (4, True, 11), (5, False, 12)):
            if eclipse[index] is None:
                continue
            seen = site.at(ts.tt_jd(eclipse[index]))
            moon = seen.observe(eph["moon"]).apparent()
            sun = seen.observe(eph["sun"]).apparent()
            m, s = moon.position.km, sun.position.km
            r_m, r_s = math.asin(MOON_RADIUS_KM / length_of(m)), math.asin(SUN_RADIUS_KM / length_of(s))
            edge = abs(r_m - r_s) if inner else r_m + r_s
            assert abs(angle_between(m, s) - edge) < math.radians(0.1 / 3600)
            assert sun.altaz()[0].degrees == pytest.approx(eclipse[altitude], abs=0.01)


def test_local_visibility_follows_the_horizon_altitude(engine, local):
    """An eclipse is visible when the Sun's centre stands above the horizon
    altitude at a contact, at maximum or between: the default is the upper
    limb's -50', a higher horizon keeps a subset, and the altitude is checked."""
    place = orvane.GeodeticObserver(*PLACES["berlin"])
    start, end = orvane.Instant(START_TT, "tt"), orvane.Instant(END_TT + 3653.0, "tt")
    seen = {}
    for horizon in (orvane.SUN_UPPER_LIMB_ALTITUDE_DEG, 0.0, 10.0, 30.0):
        found = engine.local_solar_eclipses(place, start, end, horizon_altitude_deg=horizon)
        assert [e[:13] for e in found] == [e[:13] for e in local["berlin"]]
        for eclipse in found:
            if max(a for a in eclipse[8:13] if a is not None) > horizon:
                assert eclipse[13]
        seen[horizon] = {e[1] for e in found if e[13]}
    assert seen[orvane.SUN_UPPER_LIMB_ALTITUDE_DEG] == {e[1] for e in local["berlin"] if e[13]}
    assert seen[orvane.SUN_UPPER_LIMB_ALTITUDE_DEG] >= seen[0.0] >= seen[10.0] > seen[30.0]
    for wrong in (math.nan, 90.5):
        with pytest.raises(ValueError, match="horizon altitude"):
            engine.local_solar_eclipses(place, start, end, wrong)


def test_searches_let_other_threads_run(de421_path, leap_seconds_path, eop_path):
    """The interpreter lock is released while a search computes: the main
    thread keeps counting meanwhile."""
    import threading

    searching, failures = threading.Event(), []

    def search() -> None:
        engine = orvane.Engine(de421_path, "ab" * 32)
        engine.with_time_kernels(leap_seconds_path, "ab" * 32, eop_path, "ab" * 32)
        start, end = orvane.Instant(2441683.5, "tt"), orvane.Instant(2460310.5, "tt")  # 1973-2024
        place = orvane.GeodeticObserver(13.4, 52.5, 34.0)
        for run in (lambda: engine.lunar_eclipses(start, end), lambda: engine.solar_eclipses(start, end),
                    lambda: engine.local_solar_eclipses(place, start, end)):
            searching.set()
            try:
                run()
            except Exception as error:  # reported by the main thread
                failures.append(error)
            searching.clear()

    worker = threading.Thread(target=search)
    worker.start()
    count = 0
    while worker.is_alive():
        if searching.is_set():
            count += 1
    worker.join()
    assert not failures and count > 10_000
