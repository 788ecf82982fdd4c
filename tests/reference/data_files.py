"""Where the real data files live: DE421 from skyfield-data, the IERS EOP 20 C04
table and the IERS finals table from astropy-iers-data, and the repository's copy
of the leap-second kernel."""
import pathlib

REPO = pathlib.Path(__file__).resolve().parents[2]


def de421() -> pathlib.Path:
    import skyfield_data

    return pathlib.Path(skyfield_data.__file__).parent / "data" / "de421.bsp"


def eop_c04() -> pathlib.Path:
    import astropy_iers_data

    return pathlib.Path(astropy_iers_data.__file__).parent / "data" / "eopc04.1962-now"


def eop_finals() -> pathlib.Path:
    import astropy_iers_data

    return pathlib.Path(astropy_iers_data.__file__).parent / "data" / "finals2000A.all"


def leap_seconds() -> pathlib.Path:
    return REPO / "data" / "leap_seconds.tls"
