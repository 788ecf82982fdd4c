"""Positions held against skyfield on the real DE421: geometric vectors from the
barycentre, the Sun and the Earth, apparent places of date, topocentric places
with the real time kernels, and the outer planets served by an attached kernel.

Run as a script to print the largest differences seen.
"""
from __future__ import annotations

import math
import pathlib

import numpy as np
import pytest

import orvane
from conftest import ANY_SHA

skyfield_api = pytest.importorskip("skyfield.api")
from skyfield.data import iers  # noqa: E402
from skyfield.framelib import ecliptic_frame  # noqa: E402

AU_KM = 149597870.7
MAS_PER_RAD = math.degrees(1.0) * 3600e3
JD_1900 = 2415020.5
JD_2050 = 2469807.5
BODIES = ["sun", "moon", "mercury", "venus", "mars"]
ORIGIN_BODY = {"barycentric": None, "heliocentric": "sun", "geocentric": "earth"}


def spread(count: int, start: float, end: float, seed: int) -> np.ndarray:
    """`count` days from start to end inclusive, the inner ones drawn at random."""
    inner = np.sort(np.random.default_rng(seed).uniform(start, end, count - 2))
    return np.concatenate([[start], inner, [end]])


DAYS = spread(600, JD_1900, JD_2050, seed=1900)
# UTC days inside both the leap-second kernel and the Earth-orientation table.
UTC_DAYS = spread(150, 2441683.5, 2460462.5, seed=1973)
PLACES = [
    (-0.5, 51.25, 12.0),
    (139.7, 35.7, 40.0),
    (-70.4, -24.6, 2635.0),
    (18.5, -33.9, 0.0),
]


# --- fixtures -------------------------------------------------------------------------------------

@pytest.fixture(scope="module")
def engine(de421_path, de421_sha, leap_seconds_path, leap_seconds_sha, eop_path, eop_sha):
    return orvane.open(de421_path, de421_sha, leap_seconds_path, leap_seconds_sha, eop_path, eop_sha)


@pytest.fixture(scope="module")
def eph(de421_path):
    return skyfield_api.load_file(de421_path)


@pytest.fixture(scope="module")
def ts():
    return skyfield_api.load.timescale(builtin=True)


def polar_motion_timescale():
    """A timescale that also applies polar motion, from skyfield-data's finals table."""
    import skyfield_data

    timescale = skyfield_api.load.timescale(builtin=True)
    finals = pathlib.Path(skyfield_data.__file__).parent / "data" / "finals2000A.all"
    with open(finals, "rb") as handle:
        iers.install_polar_motion_table(timescale, iers.parse_x_y_dut1_from_finals_all(handle))
    return timescale


@pytest.fixture(scope="module")
def ts_polar():
    return polar_motion_timescale()


# --- geometry helpers -----------------------------------------------------------------------------

def unit_vectors(longitude_deg, latitude_deg) -> np.ndarray:
    lon = np.radians(longitude_deg)
    lat = np.radians(latitude_deg)
    return np.stack([np.cos(lat) * np.cos(lon), np.cos(lat) * np.sin(lon), np.sin(lat)])


def separation_mas(a: np.ndarray, b: np.ndarray) -> np.ndarray:
    """Angle between columns of two (3, n) arrays, robust at small angles."""
    a = a / np.linalg.norm(a, axis=0)
    b = b / np.linalg.norm(b, axis=0)
    return np.arctan2(np.linalg.norm(np.cross(a, b, axis=0), axis=0), np.sum(a * b, axis=0)) * MAS_PER_RAD


def longitude_rate_deg_per_day(position_km, velocity_km_s) -> np.ndarray:
    x, y, _ = position_km
    vx, vy, _ = velocity_km_s
    return np.degrees((x * vy - y * vx) / (x * x + y * y)) * 86400.0


# --- the comparisons, each returning its largest differences ---------------------------------------

def geometric_differences(engine, eph, ts, origin: str) -> dict:
    bodies = [body for body in BODIES if body != ORIGIN_BODY[origin]]
    ours = engine.positions(bodies, [orvane.Instant.tdb(day) for day in DAYS],
                            orvane.geometric(origin, "equatorial"))
    t = ts.tdb_jd(DAYS)
    worst = {"angle_mas": 0.0, "distance_rel": 0.0, "rate_rel": 0.0}
    for j, body in enumerate(bodies):
        vector = eph[body].at(t) if origin == "barycentric" else (eph[body] - eph[ORIGIN_BODY[origin]]).at(t)
        km = vector.position.km
        rate = longitude_rate_deg_per_day(km, vector.velocity.km_per_s)
        worst["angle_mas"] = max(worst["angle_mas"],
                                 separation_mas(unit_vectors(ours[:, j, 0], ours[:, j, 1]), km).max())
        worst["distance_rel"] = max(worst["distance_rel"],
                                    np.abs(ours[:, j, 2] * AU_KM / np.linalg.norm(km, axis=0) - 1.0).max())
        worst["rate_rel"] = max(worst["rate_rel"],
                                (np.abs(ours[:, j, 3] - rate) / np.maximum(np.abs(rate), 1e-3)).max())
    return worst


def astrometric_differences(engine, eph, ts) -> dict:
    """Light time alone on the J2000 axes against skyfield's astrometric vector."""
    options = orvane.PositionOptions("geocentric", "equatorial", light_time=True)
    ours = engine.positions(BODIES, [orvane.Instant.tdb(day) for day in DAYS], options)
    t = ts.tdb_jd(DAYS)
    worst = {"angle_mas": 0.0, "distance_rel": 0.0}
    for j, body in enumerate(BODIES):
        astrometric = eph["earth"].at(t).observe(eph[body])
        worst["angle_mas"] = max(worst["angle_mas"], separation_mas(
            unit_vectors(ours[:, j, 0], ours[:, j, 1]), astrometric.position.km).max())
        worst["distance_rel"] = max(worst["distance_rel"], np.abs(
            ours[:, j, 2] * AU_KM / astrometric.distance().km - 1.0).max())
    return worst


def apparent_differences(engine, eph, ts) -> dict:
    """Apparent geocentric places (TT instants) on the true equator and ecliptic of date."""
    instants = [orvane.Instant.tt(day) for day in DAYS]
    equatorial = engine.positions(BODIES, instants, orvane.apparent("geocentric", "equatorial"))
    ecliptic = engine.positions(BODIES, instants, orvane.apparent("geocentric", "ecliptic"))
    j2000 = engine.positions(BODIES, instants, orvane.PositionOptions(
        "geocentric", "equatorial", light_time=True, aberration=True, gravitational_deflection=True))
    t = ts.tt_jd(DAYS)
    worst = {}
    for j, body in enumerate(BODIES):
        apparent = eph["earth"].at(t).observe(eph[body]).apparent()
        ra, dec, distance = apparent.radec(epoch="date")
        lat, lon, _ = apparent.frame_latlon(ecliptic_frame)
        worst[body] = {
            "equator_of_date_mas": separation_mas(unit_vectors(equatorial[:, j, 0], equatorial[:, j, 1]),
                                                  unit_vectors(ra.hours * 15.0, dec.degrees)).max(),
            "ecliptic_of_date_mas": separation_mas(unit_vectors(ecliptic[:, j, 0], ecliptic[:, j, 1]),
                                                   unit_vectors(lon.degrees, lat.degrees)).max(),
            "j2000_axes_mas": separation_mas(unit_vectors(j2000[:, j, 0], j2000[:, j, 1]),
                                             apparent.position.km).max(),
            "distance_rel": np.abs(ecliptic[:, j, 2] / distance.au - 1.0).max(),
        }
    return worst


def topocentric_differences(engine, eph, ts_polar) -> dict:
    t = ts_polar.utc(2000, 1, 1.0 + (UTC_DAYS - 2451544.5))
    instants = [orvane.Instant.utc(day) for day in UTC_DAYS]
    worst = {body: 0.0 for body in BODIES}
    for longitude, latitude, height in PLACES:
        observer = orvane.GeodeticObserver(longitude, latitude, height)
        equatorial = engine.positions(BODIES, instants, orvane.apparent("topocentric", "equatorial", observer))
        ecliptic = engine.positions(BODIES, instants, orvane.apparent("topocentric", "ecliptic", observer))
        site = eph["earth"] + skyfield_api.wgs84.latlon(latitude, longitude, elevation_m=height)
        for j, body in enumerate(BODIES):
            apparent = site.at(t).observe(eph[body]).apparent()
            ra, dec, _ = apparent.radec(epoch="date")
            lat, lon, _ = apparent.frame_latlon(ecliptic_frame)
            worst[body] = max(
                worst[body],
                separation_mas(unit_vectors(equatorial[:, j, 0], equatorial[:, j, 1]),
                               unit_vectors(ra.hours * 15.0, dec.degrees)).max(),
                separation_mas(unit_vectors(ecliptic[:, j, 0], ecliptic[:, j, 1]),
                               unit_vectors(lon.degrees, lat.degrees)).max())
    return worst


# --- tests ----------------------------------------------------------------------------------------

@pytest.mark.parametrize("origin", ["barycentric", "heliocentric", "geocentric"])
def test_geometric_j2000_vectors_match_skyfield(engine, eph, ts, origin):
    # Longitude and latitude are right ascension and declination on the J2000 axes here.
    worst = geometric_differences(engine, eph, ts, origin)
    assert worst["angle_mas"] < 1e-3  # 1 microarcsecond
    assert worst["distance_rel"] < 1e-12
    # The longitude speed is the rate of right ascension of the kernel's velocity.
    assert worst["rate_rel"] < 1e-9


def test_light_time_alone_matches_skyfield_astrometric(engine, eph, ts):
    # skyfield stops iterating once the light time changes by less than 1e-12 day,
    # which leaves a few microarcseconds for the fast Moon.
    worst = astrometric_differences(engine, eph, ts)
    assert worst["angle_mas"] < 0.01
    assert worst["distance_rel"] < 1e-10


def test_apparent_places_of_date_match_skyfield(engine, eph, ts):
    # skyfield: IAU 2000A nutation, relativistic aberration, deflection by Jupiter and
    # Saturn as well; here IAU 2000B, first-order aberration, the Sun only.
    for body, worst in apparent_differences(engine, eph, ts).items():
        assert worst["equator_of_date_mas"] < 10.0, body
        assert worst["ecliptic_of_date_mas"] < 10.0, body
        assert worst["j2000_axes_mas"] < 1.0, body
        assert worst["distance_rel"] < 1e-10, body


def test_topocentric_apparent_places_match_skyfield(engine, eph, ts_polar):
    for body, worst in topocentric_differences(engine, eph, ts_polar).items():
        assert worst < 50.0, body


def test_topocentric_earth_is_the_direction_of_the_centre(engine, ts_polar):
    # The Earth seen from a place: minus the place's geocentric vector.
    observer = orvane.GeodeticObserver(18.5, -33.9, 150.0)
    site = skyfield_api.wgs84.latlon(-33.9, 18.5, elevation_m=150.0)
    days = UTC_DAYS[::10]
    t = ts_polar.utc(2000, 1, 1.0 + (days - 2451544.5))
    options = orvane.PositionOptions("topocentric", "equatorial", "of_date", precession=True, nutation=True,
                                     observer=observer)
    ours = engine.positions(["earth"], [orvane.Instant.utc(day) for day in days], options)
    centre = -np.einsum("ijk,jk->ik", t.M, site.at(t).position.km)
    assert separation_mas(unit_vectors(ours[:, 0, 0], ours[:, 0, 1]), centre).max() < 50.0
    assert np.abs(ours[:, 0, 2] * AU_KM / np.linalg.norm(centre, axis=0) - 1.0).max() < 1e-9


# --- Jupiter to Pluto through an attached kernel ----------------------------------------------------

OUTER = {"jupiter": 5, "saturn": 6, "uranus": 7, "neptune": 8, "pluto": 9}
DE421_START_S = (2414864.5 - 2451545.0) * 86400.0
DE421_END_S = (2471184.5 - 2451545.0) * 86400.0


def offset_km(barycentre: int) -> tuple[float, float, float]:
    return (1000.0 * barycentre, -2500.0 + barycentre, 750.0 * (barycentre % 3))


def planet_kernel(writer) -> bytes:
    """Each planet 599..999 at a constant offset from its system barycentre."""
    span = DE421_END_S - DE421_START_S
    segments = [
        writer.Segment(100 * b + 99, b, DE421_START_S, DE421_END_S,
                       writer.linear_type2(DE421_START_S, span, 1, offset_km(b), (0.0, 0.0, 0.0)),
                       name=f"planet {100 * b + 99}".encode())
        for b in OUTER.values()
    ]
    return writer.spk_bytes(segments)


def test_outer_planets_need_an_attached_kernel(de421_path, writer, write_kernel, eph, ts):
    engine = orvane.open(de421_path, ANY_SHA)
    for body, barycentre in OUTER.items():
        with pytest.raises(ValueError) as error:
            engine.position(body, orvane.Instant.tdb(2451545.5), orvane.geometric("barycentric", "equatorial"))
        assert error.value.args == (
            f"no SPK segment continues the center chain from target {100 * barycentre + 99} at TDB epoch 43200",)
    with pytest.raises(ValueError, match="^no SPK segment continues the center chain from target 599 at TDB epoch "):
        engine.positions(["moon", "jupiter"], [orvane.Instant.tdb(d) for d in DAYS[:3]], orvane.apparent())

    sha = "C0FFEE" + "0" * 58
    assert engine.with_additional_kernel_file(write_kernel(planet_kernel(writer), "planets.bsp"), sha) is None
    assert engine.kernel_metadata.additional_kernels() == [("planets.bsp", sha.lower())]
    assert engine.kernel_metadata.kernel_name == "de421.bsp"
    assert (engine.supported_range.start_julian_day, engine.supported_range.end_julian_day) == (2414864.5, 2471184.5)

    # The offsets written into the attached kernel add to DE421's barycentres.
    days = DAYS[::6]
    ours = engine.positions(list(OUTER), [orvane.Instant.tdb(day) for day in days],
                            orvane.geometric("barycentric", "equatorial"))
    t = ts.tdb_jd(days)
    for j, (body, barycentre) in enumerate(OUTER.items()):
        expected = eph[f"{body} barycenter"].at(t).position.km + np.array(offset_km(barycentre))[:, None]
        assert separation_mas(unit_vectors(ours[:, j, 0], ours[:, j, 1]), expected).max() < 1e-3
        assert np.abs(ours[:, j, 2] * AU_KM / np.linalg.norm(expected, axis=0) - 1.0).max() < 1e-12
        without_offset = eph[f"{body} barycenter"].at(t).position.km
        assert separation_mas(expected, without_offset).min() > 1e-2  # the offset is visible
    # Both range ends are served; apparent places too, inside the range.
    for day in (2414864.5, 2471184.5):
        engine.position("pluto", orvane.Instant.tdb(day), orvane.geometric())
    engine.positions(list(OUTER), [orvane.Instant.tt(day) for day in days[1:-1]], orvane.apparent())


def test_primary_kernel_still_decides_what_it_covers(de421_path, writer, write_kernel):
    engine = orvane.open(de421_path, ANY_SHA)
    instant = orvane.Instant.tdb(2451545.0)
    before = engine.position("moon", instant, orvane.geometric())
    span = DE421_END_S - DE421_START_S
    moon_elsewhere = writer.Segment(301, 3, DE421_START_S, DE421_END_S,
                                    writer.linear_type2(DE421_START_S, span, 1, (1e6, 0.0, 0.0), (0.0, 0.0, 0.0)))
    engine.with_additional_kernel_file(write_kernel(writer.spk_bytes([moon_elsewhere]), "moon.bsp"), ANY_SHA)
    engine.with_additional_kernel_file(write_kernel(writer.spk_bytes([moon_elsewhere]), "moon.bsp"), ANY_SHA)
    assert engine.kernel_metadata.additional_kernels() == [("moon.bsp", ANY_SHA)] * 2
    assert repr(engine.position("moon", instant, orvane.geometric())) == repr(before)


def main() -> None:  # pragma: no cover - report of the largest differences
    import hashlib

    import data_files

    def sha(path):
        return hashlib.sha256(pathlib.Path(path).read_bytes()).hexdigest()

    paths = [str(data_files.de421()), str(data_files.leap_seconds()), str(data_files.eop_c04())]
    engine = orvane.open(paths[0], sha(paths[0]), paths[1], sha(paths[1]), paths[2], sha(paths[2]))
    eph = skyfield_api.load_file(paths[0])
    ts = skyfield_api.load.timescale(builtin=True)
    print(f"{len(DAYS)} instants from JD {DAYS[0]} to {DAYS[-1]}; bodies {BODIES}")
    for origin in ORIGIN_BODY:
        worst = geometric_differences(engine, eph, ts, origin)
        print(f"geometric {origin:12s} angle {worst['angle_mas'] * 1e3:.4f} uas, "
              f"distance {worst['distance_rel']:.2e} rel, speed {worst['rate_rel']:.2e} rel")
    worst = astrometric_differences(engine, eph, ts)
    print(f"light time only        angle {worst['angle_mas'] * 1e3:.4f} uas, distance {worst['distance_rel']:.2e} rel")
    for body, worst in apparent_differences(engine, eph, ts).items():
        print(f"apparent {body:8s} equator of date {worst['equator_of_date_mas']:.3f} mas, "
              f"ecliptic of date {worst['ecliptic_of_date_mas']:.3f} mas, "
              f"J2000 axes {worst['j2000_axes_mas']:.3f} mas, distance {worst['distance_rel']:.1e} rel")
    polar = polar_motion_timescale()
    for body, worst in topocentric_differences(engine, eph, polar).items():
        print(f"topocentric {body:8s} {worst:.3f} mas ({len(PLACES)} places x {len(UTC_DAYS)} UTC instants)")


if __name__ == "__main__":
    main()
