"""Rises, sets and meridian transits of the Sun and the Moon from skyfield on
DE421, at places of low, middle and high latitude in both hemispheres, east and
west, over the year 2021 (with a few days on either side).

events_horizon_places.csv: place,longitude_east_deg,latitude_deg,height_m.
events_horizon.csv: place,body,kind,altitude_deg,ut1_jd,crossed,declination_deg,
one row per event in time order for each place and body. kind is rise, set or transit;
rises and sets come from find_risings / find_settings with the fixed horizon
altitude of the row (the centre of the body at -50' for the Sun, -34' for the
Moon); crossed is 0 for skyfield's stand-in rows of days on which the body
stays above or below that altitude. Transits are the upper meridian transits
of meridian_transits (find_discrete, 1 ms resolution). Times are UT1 Julian
days of skyfield's timescale. declination_deg is the body's apparent
topocentric declination of date at the event's time.
"""
import pathlib

from skyfield import almanac
from skyfield.api import load, load_file, wgs84

import data_files

PLACES = [
    # name, east longitude, latitude, height (m)
    ("singapore", 103.8198, 1.3521, 15.0),
    ("lima", -77.0428, -12.0464, 150.0),
    ("denver", -104.9903, 39.7392, 1609.0),
    ("sydney", 151.2093, -33.8688, 58.0),
    ("tromso", 18.9553, 69.6492, 10.0),
    ("mcmurdo", 166.6863, -77.8419, 10.0),
]

ALTITUDES_DEG = {"sun": -50.0 / 60.0, "moon": -34.0 / 60.0}


def write(out_dir: pathlib.Path) -> None:
    ts = load.timescale()
    eph = load_file(str(data_files.de421()))
    start, end = ts.ut1(2020, 12, 29), ts.ut1(2022, 1, 4)
    places = ["place,longitude_east_deg,latitude_deg,height_m"]
    rows = ["place,body,kind,altitude_deg,ut1_jd,crossed,declination_deg"]
    for name, longitude, latitude, height in PLACES:
        places.append(f"{name},{longitude!r},{latitude!r},{height!r}")
        topos = wgs84.latlon(latitude, longitude, elevation_m=height)
        observer = eph["earth"] + topos
        for body, altitude in ALTITUDES_DEG.items():
            target = eph[body]
            events = []
            for kind, find in (("rise", almanac.find_risings), ("set", almanac.find_settings)):
                times, crossed = find(observer, target, start, end, horizon_degrees=altitude)
                events += [(float(t), kind, int(c)) for t, c in zip(times.ut1, crossed)]
            times, upper = almanac.find_discrete(start, end, almanac.meridian_transits(eph, target, topos))
            events += [(float(t), "transit", 1) for t, u in zip(times.ut1, upper) if u == 1]
            events.sort()
            times = ts.ut1_jd([ut1 for ut1, _, _ in events])
            _, declinations, _ = observer.at(times).observe(target).apparent().radec(epoch="date")
            for (ut1, kind, crossed), declination in zip(events, declinations.degrees):
                rows.append(f"{name},{body},{kind},{altitude!r},{ut1!r},{crossed},{float(declination)!r}")
    (out_dir / "events_horizon_places.csv").write_text("\n".join(places) + "\n")
    (out_dir / "events_horizon.csv").write_text("\n".join(rows) + "\n")


if __name__ == "__main__":
    import sys

    write(pathlib.Path(sys.argv[1]))
