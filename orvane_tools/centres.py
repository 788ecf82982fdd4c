"""An approximate planet-centre kernel: each planet's centre at its system barycentre.

JPL's planetary ephemerides (DE421, DE440) give Jupiter, Saturn, Uranus,
Neptune and Pluto only as system barycentres (codes 5 to 9); the planets'
centres (599 ... 999) come from separate satellite kernels. This module writes
a small SPK kernel whose segments put each planet's centre exactly at its
system barycentre (Type 2, one record of zero coefficients). The approximation
is bounded by the distance between a planet and its system barycentre, set by
its moons: within about 230 km for Jupiter, 300 km for Saturn, 50 km for
Uranus, 75 km for Neptune (Triton) and 2,130 km for Pluto (Charon), and well
under a metre for Mars (499, for primaries such as DE440 that lack it). Seen
from the Earth that is under 0.11 arcsec (Pluto at its nearest) and under
0.08 arcsec for the others: far below what a chart or an almanac shows, but not
astrometry. Attach real satellite kernels (jup365.bsp, sat441.bsp, ...) before
this one wherever the planets' true centres matter: the first kernel that
covers a body decides.

orvane's build writes the default kernel once, into the installed package
(``planet_centres.bsp``, spanning JPL DE441's years -13200 to 17191), so it is
read-only, identical for every user and never written at run time.
"""
from __future__ import annotations

import os
import tempfile
from typing import Sequence

if __package__:
    from orvane_tools import spk_writer
else:  # run as a script by the build, before the package (and orvane) is installed
    import spk_writer  # type: ignore[import-not-found, no-redef]

J2000_JULIAN_DAY = 2451545.0
SECONDS_PER_DAY = 86400.0
J2000_FRAME = 1
TYPE_CHEBYSHEV = 2

#: Planet centre -> system barycentre, and the bound of the approximation (km).
PLANET_CENTRES: dict[int, tuple[int, float]] = {
    499: (4, 0.001),
    599: (5, 230.0),
    699: (6, 300.0),
    799: (7, 50.0),
    899: (8, 75.0),
    999: (9, 2130.0),
}

DEFAULT_BODIES = (499, 599, 699, 799, 899, 999)

#: The span of the kernel the build installs: JPL DE441's (years -13200 to 17191).
DEFAULT_START_JULIAN_DAY = -3100015.5
DEFAULT_END_JULIAN_DAY = 8000016.5

_NAMES = {499: "MARS", 599: "JUPITER", 699: "SATURN", 799: "URANUS", 899: "NEPTUNE", 999: "PLUTO"}


def comment_text(bodies: Sequence[int], start_jd: float, end_jd: float) -> str:
    """The kernel's comment: what it is, and the bound of its error."""
    lines = [
        "Approximate planet centres: each planet's centre placed at its system barycentre.",
        f"Julian days (TDB) {start_jd} to {end_jd}; frame J2000; SPK Type 2, zero offsets.",
        "This is NOT a satellite ephemeris. The error is the planet's distance from its",
        "system barycentre, set by its moons:",
    ]
    for body in bodies:
        barycentre, bound = PLANET_CENTRES[body]
        lines.append(f"  {body} {_NAMES[body]:<8} = barycentre {barycentre}, within about {bound:g} km")
    lines += [
        "Seen from the Earth that is under 0.11 arcsec (Pluto at its nearest).",
        "Attach real planet-centre kernels before this one where true centres matter.",
        "Written by orvane_tools.centres.",
    ]
    return "\n".join(lines)


def kernel_bytes(start_jd: float, end_jd: float, bodies: Sequence[int] = DEFAULT_BODIES) -> bytes:
    """The kernel file's content (little-endian DAF/SPK).

    >>> len(kernel_bytes(2451545.0, 2451546.0, (599,))) // 1024
    5
    """
    if not start_jd < end_jd:
        raise ValueError(f"start Julian day {start_jd} must precede end Julian day {end_jd}")
    bodies = list(bodies)
    unknown = [body for body in bodies if body not in PLANET_CENTRES]
    if unknown or not bodies or len(set(bodies)) != len(bodies) or len(bodies) > 25:
        raise ValueError(f"bodies must be distinct codes among {sorted(PLANET_CENTRES)}, got {bodies}")
    start = (start_jd - J2000_JULIAN_DAY) * SECONDS_PER_DAY
    end = (end_jd - J2000_JULIAN_DAY) * SECONDS_PER_DAY
    # One record of zero coefficients, the centre at the barycentre throughout.
    words = spk_writer.type2_words(start, end - start,
                                   [spk_writer.Type2Record((start + end) / 2, (end - start) / 2, [0.0], [0.0], [0.0])])
    segments = [spk_writer.Segment(body, PLANET_CENTRES[body][0], start, end, words, frame=J2000_FRAME,
                                   data_type=TYPE_CHEBYSHEV, name=f"{_NAMES[body]} CENTRE AT BARYCENTRE".encode("ascii"))
                for body in bodies]
    return spk_writer.spk_bytes(segments, comments=comment_text(bodies, start_jd, end_jd),
                                internal_name=b"orvane_tools approximate planet centres", ftp=True)


def write_planet_centre_kernel(path: str | os.PathLike[str], start_jd: float = DEFAULT_START_JULIAN_DAY,
                               end_jd: float = DEFAULT_END_JULIAN_DAY,
                               bodies: Sequence[int] = DEFAULT_BODIES) -> None:
    """Write the approximate planet-centre kernel covering TDB Julian days [start_jd, end_jd].

    The file is written beside its destination and renamed into place, so a
    reader never sees a partial kernel.
    """
    content = kernel_bytes(start_jd, end_jd, bodies)
    destination = os.fspath(path)
    directory = os.path.dirname(os.path.abspath(destination))
    with tempfile.NamedTemporaryFile("wb", dir=directory, prefix=".planet-centres-", delete=False) as handle:
        handle.write(content)
    os.chmod(handle.name, 0o644)
    os.replace(handle.name, destination)


if __name__ == "__main__":
    import sys

    write_planet_centre_kernel(sys.argv[1])
