"""Rises, sets and upper meridian transits of the Sun and the Moon from skyfield
on DE421 at three places of high latitude (Tromso, Longyearbyen, McMurdo) over
2022 and 2023, where the body starts and stops crossing the horizon.

events_polar_places.csv: place,longitude_east_deg,latitude_deg,height_m.
events_polar.csv: place,body,kind,altitude_deg,ut1_jd,crossed, one row per
event (skyfield's stand-ins for days without a crossing are left out), in time
order for each place and body. Altitudes, kinds and times are as in
make_events_horizon.py. Near grazes skyfield's rising and setting search can
report a crossing its own apparent altitude does not make, or miss one it does
(the body dipping below the altitude and coming back within minutes). So the
altitude itself is scanned minute by minute for an hour around each rise and
set found, and each change of side found by bisection to a millisecond: a
found event with a scanned crossing of its kind within 5 s has crossed 1; one
without has crossed 0; a scanned crossing no search found is added with
crossed 1. Transits have crossed 1.
"""
import pathlib

import numpy as np
from skyfield import almanac
from skyfield.api import load, load_file, wgs84

import data_files

PLACES = [
    # name, east longitude, latitude, height (m)
    ("tromso", 18.96, 69.65, 10.0),
    ("longyearbyen", 15.63, 78.2, 10.0),
    ("mcmurdo", 166.67, -77.8, 10.0),
]

ALTITUDES_DEG = {"sun": -50.0 / 60.0, "moon": -34.0 / 60.0}


MINUTE = 1.0 / 1440.0
TOLERANCE = 5.0 / 86400.0


def checked_against_altitude(ts, observer, target, altitude, events):
    """The events with their crossed flag, and the crossings of the altitude near rises and sets that
    no search found, in time order."""

    def above(times):
        altitudes, _, _ = observer.at(ts.ut1_jd(times)).observe(target).apparent().altaz()
        return altitudes.degrees > altitude

    found = np.array([t for t, kind in events if kind != "transit"])
    grid = np.unique(np.round((found[:, None] + np.arange(-60, 61)[None, :] * MINUTE).ravel() / MINUTE)) * MINUTE
    sides = above(grid)
    change = np.nonzero((sides[1:] != sides[:-1]) & (np.diff(grid) < 1.5 * MINUTE))[0]
    low, high, rising = grid[change], grid[change + 1], ~sides[change]
    for _ in range(27):
        middle = 0.5 * (low + high)
        moved = above(middle) == rising  # past the crossing
        high = np.where(moved, middle, high)
        low = np.where(moved, low, middle)
    scanned = {"rise": 0.5 * (low + high)[rising], "set": 0.5 * (low + high)[~rising]}
    out = []
    for t, kind in events:
        near = kind == "transit" or np.any(np.abs(scanned[kind] - t) <= TOLERANCE)
        out.append((t, kind, int(near)))
    for kind, times in scanned.items():
        known = np.array([t for t, k in events if k == kind])
        out += [(float(t), kind, 1) for t in times if not np.any(np.abs(known - t) <= TOLERANCE)]
    return sorted(out)


def write(out_dir: pathlib.Path) -> None:
    ts = load.timescale()
    eph = load_file(str(data_files.de421()))
    start, end = ts.ut1(2021, 12, 30), ts.ut1(2024, 1, 3)
    places = ["place,longitude_east_deg,latitude_deg,height_m"]
    rows = ["place,body,kind,altitude_deg,ut1_jd,crossed"]
    for name, longitude, latitude, height in PLACES:
        places.append(f"{name},{longitude!r},{latitude!r},{height!r}")
        topos = wgs84.latlon(latitude, longitude, elevation_m=height)
        observer = eph["earth"] + topos
        for body, altitude in ALTITUDES_DEG.items():
            target = eph[body]
            events = []
            for kind, find in (("rise", almanac.find_risings), ("set", almanac.find_settings)):
                times, crossed = find(observer, target, start, end, horizon_degrees=altitude)
                events += [(float(t), kind) for t, c in zip(times.ut1, crossed) if c]
            times, upper = almanac.find_discrete(start, end, almanac.meridian_transits(eph, target, topos))
            events += [(float(t), "transit") for t, u in zip(times.ut1, upper) if u == 1]
            rows += [f"{name},{body},{kind},{altitude!r},{t!r},{crossed}"
                     for t, kind, crossed in checked_against_altitude(ts, observer, target, altitude, events)]
    (out_dir / "events_polar_places.csv").write_text("\n".join(places) + "\n")
    (out_dir / "events_polar.csv").write_text("\n".join(rows) + "\n")


if __name__ == "__main__":
    import sys

    write(pathlib.Path(sys.argv[1]))
