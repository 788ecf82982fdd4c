"""Type information for the orvane extension module."""

import os
from collections.abc import Sequence
from typing import Any, Literal, Protocol, SupportsFloat, SupportsIndex, final

import numpy
from numpy.typing import NDArray
from typing_extensions import Buffer, Self

class _Named(Protocol):
    @property
    def name(self) -> str: ...

_Name = str | _Named
_Path = str | os.PathLike[str]
_JulianDay = SupportsFloat | SupportsIndex

__all__ = [
    "Instant",
    "GeodeticObserver",
    "HouseSystem",
    "HouseCusps",
    "HorizonEventKind",
    "RiseSetTransit",
    "HorizonEvent",
    "SeasonEvent",
    "LunationEvent",
    "SiderealMode",
    "PositionOptions",
    "Position",
    "DateRange",
    "KernelMetadata",
    "Engine",
    "Ayanamsha",
    "open",
    "geometric",
    "apparent",
    "house_cusps",
    "set_threads",
    "get_threads",
    "J2000_JULIAN_DAY",
    "SUN_UPPER_LIMB_ALTITUDE_DEG",
    "MEAN_REFRACTION_ALTITUDE_DEG",
    "OutsideCoverageError",
    "OutsideEopCoverageError",
    "UndefinedHouseCuspsError",
    "FileError",
    "BODIES",
    "SMALL_BODIES",
    "TIME_SCALES",
    "ORIGINS",
    "COORDINATE_SYSTEMS",
    "REFERENCE_EPOCHS",
    "EVENT_KINDS",
    "SHADOW_RULES",
]

J2000_JULIAN_DAY: float
SUN_UPPER_LIMB_ALTITUDE_DEG: float
MEAN_REFRACTION_ALTITUDE_DEG: float

# The canonical names a request may use, in the module's order. Any spelling
# differing in case or in "-", "_", " " or nothing between the words serves too.
#: The eleven bodies known by name ("sun" ... "pluto").
BODIES: tuple[str, ...]
#: The asteroids and centaurs known by name ("ceres", ..., "52_europa", ..., "pholus").
SMALL_BODIES: tuple[str, ...]
#: "utc", "ut1", "tt", "tdb".
TIME_SCALES: tuple[str, ...]
#: "barycentric", "heliocentric", "geocentric", "topocentric".
ORIGINS: tuple[str, ...]
#: "ecliptic", "equatorial".
COORDINATE_SYSTEMS: tuple[str, ...]
#: "j2000", "of_date".
REFERENCE_EPOCHS: tuple[str, ...]
#: The kinds Engine.events searches for.
EVENT_KINDS: tuple[str, ...]
#: The lunar eclipse shadow rules: "danjon" (the default), "chauvenet".
SHADOW_RULES: tuple[str, ...]

@final
class Instant:
    def __new__(cls, julian_day: _JulianDay, time_scale: str = "tdb") -> Self: ...
    @classmethod
    def tdb(cls, julian_day: _JulianDay) -> Instant: ...
    @classmethod
    def tt(cls, julian_day: _JulianDay) -> Instant: ...
    @classmethod
    def utc(cls, julian_day: _JulianDay) -> Instant: ...
    @classmethod
    def ut1(cls, julian_day: _JulianDay) -> Instant: ...
    @property
    def julian_day(self) -> float: ...
    @property
    def time_scale(self) -> str: ...

@final
class GeodeticObserver:
    def __new__(
        cls, longitude_east_deg: SupportsFloat, latitude_deg: SupportsFloat, height_m: SupportsFloat = 0.0
    ) -> Self: ...
    @property
    def longitude_east_deg(self) -> float: ...
    @property
    def latitude_deg(self) -> float: ...
    @property
    def height_m(self) -> float: ...

@final
class HouseSystem:
    def __new__(cls, name: str) -> Self: ...
    @classmethod
    def placidus(cls) -> HouseSystem: ...
    @classmethod
    def campanus(cls) -> HouseSystem: ...
    @classmethod
    def equal(cls) -> HouseSystem: ...
    @classmethod
    def whole_sign(cls) -> HouseSystem: ...
    @classmethod
    def koch(cls) -> HouseSystem: ...
    @classmethod
    def regiomontanus(cls) -> HouseSystem: ...
    @classmethod
    def porphyry(cls) -> HouseSystem: ...
    @classmethod
    def alcabitius(cls) -> HouseSystem: ...
    @classmethod
    def topocentric(cls) -> HouseSystem: ...
    @classmethod
    def morinus(cls) -> HouseSystem: ...
    @classmethod
    def meridian(cls) -> HouseSystem: ...
    @classmethod
    def horizontal(cls) -> HouseSystem: ...
    @classmethod
    def vehlow_equal(cls) -> HouseSystem: ...
    @classmethod
    def sripati(cls) -> HouseSystem: ...
    @classmethod
    def krusinski_pisa(cls) -> HouseSystem: ...
    @classmethod
    def apc(cls) -> HouseSystem: ...
    @classmethod
    def sunshine(cls) -> HouseSystem: ...
    @property
    def name(self) -> str: ...

@final
class HouseCusps:
    @property
    def system(self) -> HouseSystem: ...
    @property
    def cusp_ecliptic_longitude_deg(self) -> list[float]: ...
    @property
    def ascendant_deg(self) -> float: ...
    @property
    def midheaven_deg(self) -> float: ...
    @property
    def ramc_deg(self) -> float: ...
    @property
    def local_sidereal_time_deg(self) -> float: ...
    @property
    def true_obliquity_deg(self) -> float: ...

@final
class HorizonEventKind:
    def __new__(cls, name: str) -> Self: ...
    @classmethod
    def rise(cls) -> HorizonEventKind: ...
    @classmethod
    def set(cls) -> HorizonEventKind: ...
    @classmethod
    def transit(cls) -> HorizonEventKind: ...
    @property
    def name(self) -> str: ...

@final
class RiseSetTransit:
    @property
    def transit_ut1_julian_day(self) -> float: ...
    @property
    def rise_ut1_julian_day(self) -> float | None: ...
    @property
    def set_ut1_julian_day(self) -> float | None: ...

@final
class HorizonEvent:
    @property
    def kind(self) -> HorizonEventKind: ...
    @property
    def ut1_julian_day(self) -> float: ...

@final
class SeasonEvent:
    def __new__(cls, name: str) -> Self: ...
    @classmethod
    def march_equinox(cls) -> SeasonEvent: ...
    @classmethod
    def june_solstice(cls) -> SeasonEvent: ...
    @classmethod
    def september_equinox(cls) -> SeasonEvent: ...
    @classmethod
    def december_solstice(cls) -> SeasonEvent: ...
    @property
    def name(self) -> str: ...

@final
class LunationEvent:
    def __new__(cls, name: str) -> Self: ...
    @classmethod
    def new_moon(cls) -> LunationEvent: ...
    @classmethod
    def full_moon(cls) -> LunationEvent: ...
    @property
    def name(self) -> str: ...

@final
class SiderealMode:
    def __new__(cls, name: str) -> Self: ...
    @classmethod
    def lahiri(cls) -> SiderealMode: ...
    @classmethod
    def fagan_bradley(cls) -> SiderealMode: ...
    @classmethod
    def raman(cls) -> SiderealMode: ...
    @classmethod
    def usha_shashi(cls) -> SiderealMode: ...
    @classmethod
    def krishnamurti(cls) -> SiderealMode: ...
    @classmethod
    def djwhal_khul(cls) -> SiderealMode: ...
    @classmethod
    def yukteshwar(cls) -> SiderealMode: ...
    @classmethod
    def jn_bhasin(cls) -> SiderealMode: ...
    @classmethod
    def sassanian(cls) -> SiderealMode: ...
    @classmethod
    def true_citra(cls) -> SiderealMode: ...
    @classmethod
    def true_revati(cls) -> SiderealMode: ...
    @classmethod
    def true_pushya(cls) -> SiderealMode: ...
    @classmethod
    def true_mula(cls) -> SiderealMode: ...
    @classmethod
    def galactic_centre_0_sag(cls) -> SiderealMode: ...
    @classmethod
    def galactic_centre_gil_brand(cls) -> SiderealMode: ...
    @classmethod
    def galactic_centre_cochrane(cls) -> SiderealMode: ...
    @property
    def name(self) -> str: ...

@final
class PositionOptions:
    def __new__(
        cls,
        origin: str,
        coordinate_system: str,
        reference_epoch: str = "j2000",
        apparent: bool = False,
        true_ecliptic: bool = False,
        light_time: bool = False,
        aberration: bool = False,
        gravitational_deflection: bool = False,
        precession: bool = False,
        nutation: bool = False,
        observer: GeodeticObserver | None = None,
        model: str = "standard",
    ) -> Self: ...
    @property
    def origin(self) -> str: ...
    @property
    def observer(self) -> GeodeticObserver | None: ...
    @property
    def coordinate_system(self) -> str: ...
    @property
    def reference_epoch(self) -> str: ...
    @property
    def apparent(self) -> bool: ...
    @property
    def true_ecliptic(self) -> bool: ...
    @property
    def model(self) -> str: ...

@final
class Position:
    @property
    def longitude_deg(self) -> float: ...
    @property
    def latitude_deg(self) -> float: ...
    @property
    def distance_au(self) -> float: ...
    @property
    def longitude_speed_deg_per_day(self) -> float: ...

@final
class DateRange:
    @property
    def start_julian_day(self) -> float: ...
    @property
    def end_julian_day(self) -> float: ...
    @property
    def time_scale(self) -> str: ...

@final
class KernelMetadata:
    def additional_kernels(self) -> list[tuple[str, str]]: ...
    def as_dict(self) -> dict[str, Any]: ...
    def time_model_files(self) -> list[tuple[str, str]]: ...
    @property
    def engine_version(self) -> str: ...
    @property
    def kernel_name(self) -> str: ...
    @property
    def kernel_sha256(self) -> str: ...
    @property
    def coordinate_frame(self) -> str: ...

@final
class Engine:
    def __new__(
        cls,
        path: _Path,
        sha256: str,
        leap_second_kernel: _Path | None = None,
        leap_second_sha256: str | None = None,
        eop: _Path | None = None,
        eop_sha256: str | None = None,
    ) -> Self: ...
    def with_leap_second_kernel(self, path: _Path, sha256: str) -> None:
        """Attach a NAIF leap-second kernel so UTC (and UT1 with EOP) convert."""
    def with_eop(self, path: _Path, sha256: str) -> None:
        """Attach an IERS EOP 20 C04 table for UT1 and polar motion."""
    def with_time_kernels(
        self, leap_second_kernel: _Path, leap_second_sha256: str, eop: _Path, eop_sha256: str
    ) -> None:
        """Attach both an LSK and an EOP table."""
    def with_additional_kernel_file(self, path: _Path, sha256: str) -> None:
        """Attach an extra planet-center SPK. The primary kernel still wins for
        any body and epoch it already covers. `sha256` is caller-verified.
        """
    def with_time_model(self, delta_t: _Path, delta_t_sha256: str, early_utc: _Path, early_utc_sha256: str) -> None:
        """Attach the Delta T splines and the table of UTC from 1960 to 1972: with a
        leap-second kernel, UTC, UT1 and TT then convert at every date (UT1 from
        the Delta T model outside the EOP table, UTC = UT1 before 1960).
        """
    def ut1_source(self, instant: Instant) -> Literal["measured", "predicted", "model"]:
        """Where the instant's UT1 comes from: "measured" or "predicted" (the EOP
        table's rows) or "model" (the Delta T model).
        """
    def with_star_catalogue(self, path: _Path) -> None:
        """Attach the stars of a Hipparcos catalogue file (hip2.dat, ESA I/311)."""
    def star_position(self, hip: int, instant: Instant, options: PositionOptions) -> Position:
        """One spherical position of a catalogue star by HIP number (space motion
        from J1991.25, radial velocity zero).
        """
    def star_positions(
        self, hips: Sequence[int], instants: Sequence[Instant], options: PositionOptions
    ) -> NDArray[numpy.float64]:
        """Catalogue stars at instants as a `NumPy` array of shape
        `(n_instants, n_stars, 4)`, laid out as `positions`.
        """
    def catalogue_stars(self, magnitude_limit: float) -> list[tuple[int, float, float, float]]:
        """The attached catalogue's stars with Hp magnitude at most the limit, as
        (hip, Hp magnitude, B-V, V-I) tuples in HIP order.
        """
    def star_horizon_events(
        self, hip: int, observer: GeodeticObserver, start: Instant, end: Instant, altitude_deg: float | None = None
    ) -> list[tuple[float, str]]:
        """Every rise, set, transit and lower_transit of a catalogue star at a place between two
        instants, in order, as (UT1 Julian day, name) pairs (altitude_deg default -34').
        """
    def position(self, body: str | int, instant: Instant, options: PositionOptions) -> Position:
        """One spherical position for a named body."""
    def positions(
        self,
        bodies: Sequence[str | int],
        instants: Sequence[Instant],
        options: PositionOptions,
        threads: int | None = None,
    ) -> NDArray[numpy.float64]:
        """Batch positions as a `NumPy` array of shape `(n_instants, n_bodies, 4)`.

        Columns are longitude (deg), latitude (deg), distance (au) and longitude
        speed (deg/day); the layout is instant-major, like the engine's batch
        operation: element [i, j] is body j at instant i. `threads` (default:
        `get_threads()`) is how many threads share the instants; the result and
        any error are those of one thread.
        """
    def positions_for_julian_days(
        self,
        bodies: Sequence[str | int],
        julian_days: Buffer,
        time_scale: str,
        options: PositionOptions,
        threads: int | None = None,
    ) -> NDArray[numpy.float64]:
        """Batch positions at Julian days of one time scale, given as a one-dimensional
        C-contiguous float64 buffer (a `NumPy` array, `array.array('d')`).

        Returns the array `positions` returns for the same instants.
        """
    @property
    def supported_range(self) -> DateRange: ...
    @property
    def kernel_metadata(self) -> KernelMetadata: ...
    def rise_set_transit(
        self, body: str | int, observer: GeodeticObserver, around: Instant, altitude_deg: SupportsFloat
    ) -> RiseSetTransit:
        """Same-day Sun or Moon rise, set, and meridian transit (UT1 Julian days)."""
    def next_horizon_event(
        self, body: str | int, observer: GeodeticObserver, after: Instant, kind: _Name, altitude_deg: SupportsFloat
    ) -> HorizonEvent:
        """Next Sun or Moon rise, set, or transit strictly after `after`."""
    def next_season_event(self, after: Instant, kind: _Name, model: str = "standard") -> Instant:
        """Next equinox or solstice after `after`. Returned instant is TT."""
    def next_lunation(self, after: Instant, kind: _Name, model: str = "standard") -> Instant:
        """Next new or full Moon after `after`. Returned instant is TT."""
    def events(
        self,
        kind: str,
        start: Instant,
        end: Instant,
        body: str | int | None = None,
        other: str | int | None = None,
        angle_deg: float | None = None,
        sidereal: _Name | None = None,
        model: str = "standard",
    ) -> list[tuple[float, str]]:
        """Every occurrence of an event between two instants, in order, as (TT Julian day, name) pairs.
        Kinds: moon_quarters, longitude (body reaching angle_deg), aspect (body to other at angle_deg),
        ingress, station, sun_conjunction, greatest_elongation, lunar_apsis, lunar_node,
        lunar_declination. The body defaults to the Moon, the other body to the Sun; with a sidereal
        mode, longitudes and ingresses are in that sidereal zodiac. model="full" searches the places
        of the full IAU 2006/2000A astrometric model.
        """
    def lunar_eclipses(
        self, start: Instant, end: Instant, shadow_rule: str = "danjon"
    ) -> list[
        tuple[str, float, float, float | None, float | None, float | None, float | None, float, float, float, float]
    ]:
        """Every lunar eclipse whose greatest eclipse falls between two instants, in order, as tuples
        (kind, greatest, p1, u1, u2, u3, u4, p4, umbral_magnitude, penumbral_magnitude, gamma):
        kind 'penumbral', 'partial' or 'total'; TT Julian days, None for a contact not reached;
        gamma in Earth radii. shadow_rule 'danjon' (1.01 x parallax) or 'chauvenet' (1/50).
        """
    def solar_eclipses(
        self, start: Instant, end: Instant
    ) -> list[tuple[str, float, bool, float, float, float, float, float]]:
        """Every solar eclipse whose greatest eclipse falls between two instants, in order, as tuples
        (kind, greatest, central, longitude_east_deg, latitude_deg, magnitude, gamma, path_width_km):
        kind 'partial', 'annular', 'total' or 'hybrid'; greatest a TT Julian day; the place of
        greatest eclipse; path_width_km 0 unless central. Needs both time kernels.
        """
    def local_solar_eclipses(
        self, observer: GeodeticObserver, start: Instant, end: Instant, horizon_altitude_deg: float = -0.8333333333333334
    ) -> list[
        tuple[
            str, float, float, float | None, float | None, float, float, float,
            float, float | None, float, float | None, float, bool,
        ]
    ]:
        """Every solar eclipse a place sees (the Moon's disc over the Sun's, Sun up or not) whose
        maximum falls between two instants, in order, as tuples (kind, maximum, c1, c2, c3, c4,
        magnitude, obscuration, altitude_c1_deg, altitude_c2_deg, altitude_maximum_deg,
        altitude_c3_deg, altitude_c4_deg, visible): kind 'partial', 'annular' or 'total'; TT Julian
        days; None for a contact not reached; the Sun's geometric altitude at each; visible when the
        geometric altitude of the Sun's centre exceeds horizon_altitude_deg (default -50 arcmin: the
        upper limb on a sea horizon with standard refraction) at C1, C2, maximum, C3, C4 or one of
        twelve equal steps from C1 to C4. Needs both time kernels.
        """
    def horizon_events(
        self,
        body: str | int,
        observer: GeodeticObserver,
        start: Instant,
        end: Instant,
        altitude_deg: float | None = None,
    ) -> list[tuple[float, str]]:
        """Every rise, set, transit and lower_transit of a body at a place between two instants, in
        order, as (UT1 Julian day, name) pairs; the centre crosses altitude_deg (default -34', the
        refracted horizon).
        """
    def sidereal_time(
        self, instant: Instant, longitude_east_deg: float = 0.0, apparent: bool = True, model: str = "standard"
    ) -> float:
        """Greenwich (or local) apparent or mean sidereal time in degrees (IAU 2006/2000B;
        IAU 2006/2000A with model="full").
        """
    def sidereal_position(self, body: str | int, instant: Instant, options: PositionOptions, mode: _Name) -> Position:
        """Ecliptic of-date position with Lahiri or Fagan–Bradley ayanamsha."""
    def ayanamsha(self, mode: _Name, instant: Instant) -> Ayanamsha:
        """Mean ayanamsha of the sidereal mode at `instant` and its rate (the offset sidereal_position subtracts)."""
    def convert_instant(self, instant: Instant, time_scale: str) -> Instant:
        """The same instant in another time scale ("tdb", "tt", "utc" or "ut1"),
        converted with the attached leap-second kernel and EOP table.
        """
    def altitude_azimuth(
        self, body: str, observer: GeodeticObserver, instant: Instant, refraction: bool = False
    ) -> tuple[float, float, float]:
        """Apparent altitude and azimuth of a body seen from a place, as the tuple
        `(altitude_deg, azimuth_deg, distance_au)`.

        From the apparent topocentric place on the true equator of date, the
        apparent sidereal time and the EOP table's polar motion; azimuth from
        north through east in [0, 360). With `refraction=True` the altitude
        includes standard refraction (Saemundsson, 1010 hPa, 10 °C; none
        below -1°). Needs both time kernels.
        """

@final
class Ayanamsha:
    @property
    def mode(self) -> SiderealMode: ...
    @property
    def ayanamsha_deg(self) -> float: ...
    @property
    def rate_deg_per_day(self) -> float: ...

class OutsideCoverageError(ValueError):
    """An instant outside the range the engine's kernels cover."""

    julian_day: float
    start: float
    end: float
    scale: str
    #: The NAIF id of the body asked for, or None when the request was not about one body.
    body: int | None

class OutsideEopCoverageError(ValueError):
    """An instant whose UTC day lies outside the Earth-orientation table (UT1 and polar motion)."""

    julian_day: float
    start: float
    end: float
    #: The NAIF id of the body asked for, or None when the request was not about one body.
    body: int | None

class UndefinedHouseCuspsError(ValueError):
    """A house system without cusps at the observer's latitude."""

class FileError(ValueError):
    """A file that cannot be used: missing, unreadable, misnamed or malformed."""

    #: The path as given.
    path: str
    #: What the file was to be: "kernel", "additional_kernel", "leap_second_kernel",
    #: "eop", "delta_t", "early_utc" or "star_catalogue".
    role: str

def open(
    path: _Path,
    sha256: str,
    leap_second_kernel: _Path | None = None,
    leap_second_sha256: str | None = None,
    eop: _Path | None = None,
    eop_sha256: str | None = None,
) -> Engine:
    """Opens an SPK/BSP kernel. `sha256` is the caller-verified 64-hex checksum.

    Pass `leap_second_kernel` / `leap_second_sha256` for UTC, and `eop` /
    `eop_sha256` as well for UT1 and topocentric polar motion. The same files
    can be attached later with `Engine.with_time_kernels`.
    """
def geometric(
    origin: str = "geocentric",
    coordinate_system: str = "ecliptic",
    observer: GeodeticObserver | None = None,
    model: str = "standard",
) -> PositionOptions:
    """Geometric J2000 request with every correction switch off."""
def apparent(
    origin: str = "geocentric",
    coordinate_system: str = "ecliptic",
    observer: GeodeticObserver | None = None,
    model: str = "standard",
) -> PositionOptions:
    """Apparent-place convenience at the true equinox/ecliptic of date."""
def house_cusps(
    observer: GeodeticObserver,
    ut1: Instant | _JulianDay,
    tt: Instant | _JulianDay,
    system: _Name,
    sun_declination_deg: float | None = None,
    model: str = "standard",
) -> HouseCusps:
    """Ecliptic house cusps at a UT1/TT pair (no SPK kernel).

    `ut1` and `tt` may be Instant values or Julian-day floats. An Instant
    gives its Julian day unchanged, whatever its time scale. Polar motion is
    omitted. The Sunshine system divides the Sun's diurnal circle and needs
    the Sun's apparent declination of date in degrees (`sun_declination_deg`);
    the other systems ignore it. `model="full"` takes the sidereal time and
    the true obliquity from the IAU 2006/2000A nutation.
    """

# Threads an array call shares its instants between (the calling one
# included): the cores of the process until set; None sets it back.
def set_threads(count: int | None) -> None:
    """Sets how many threads an array call (`Engine.positions`,
    `Engine.positions_for_julian_days`) shares its instants between, the
    calling thread included: an int from 1 to 64, or None for the cores
    this process may run on (the default). A call's `threads` argument
    overrides it. The result is the same, bit for bit, whatever the count.
    """
def get_threads() -> int:
    """How many threads an array call shares its instants between (see
    `set_threads`).
    """
