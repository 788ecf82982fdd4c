"""Equinoxes, solstices, new and full Moons from skyfield's almanac on DE421,
and the paths of the real data files the event tests open the engine on.

events_paths.csv: name,path rows for de421, leap_seconds and eop_c04.
events_seasons.csv: tt_jd,target_deg for every equinox and solstice from 1950
to 2050 (target 0, 90, 180, 270 for March, June, September, December).
events_lunations.csv: tt_jd,target_deg for every new (0) and full (180) Moon
from 2000 to 2030.
Times are TT Julian days from skyfield's find_discrete (1 ms resolution).
"""
import pathlib

from skyfield import almanac
from skyfield.api import load, load_file

import data_files


def write_paths(out_dir: pathlib.Path) -> None:
    rows = [
        ("de421", data_files.de421()),
        ("leap_seconds", data_files.leap_seconds()),
        ("eop_c04", data_files.eop_c04()),
    ]
    text = "name,path\n" + "".join(f"{name},{path}\n" for name, path in rows)
    (out_dir / "events_paths.csv").write_text(text)


def _events(ts, function, start_year, end_year, targets):
    t, y = almanac.find_discrete(ts.tt(start_year, 1, 1), ts.tt(end_year + 1, 1, 1), function)
    rows = []
    for tt, phase in zip(t.tt, y):
        target = targets.get(int(phase))
        if target is not None:
            rows.append(f"{float(tt)!r},{target!r}")
    return "tt_jd,target_deg\n" + "\n".join(rows) + "\n"


def write(out_dir: pathlib.Path) -> None:
    write_paths(out_dir)
    ts = load.timescale()
    eph = load_file(str(data_files.de421()))
    seasons = _events(ts, almanac.seasons(eph), 1950, 2050, {0: 0.0, 1: 90.0, 2: 180.0, 3: 270.0})
    (out_dir / "events_seasons.csv").write_text(seasons)
    lunations = _events(ts, almanac.moon_phases(eph), 2000, 2030, {0: 0.0, 2: 180.0})
    (out_dir / "events_lunations.csv").write_text(lunations)


if __name__ == "__main__":
    import sys

    write(pathlib.Path(sys.argv[1]))
