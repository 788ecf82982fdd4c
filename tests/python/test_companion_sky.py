"""Today's and next month's sky at three places with the default engine, against
skyfield using the same IERS finals table."""
from __future__ import annotations

import datetime
import pathlib

import pytest

import orvane
import orvane_tools as ot
from orvane_tools.sky import RISE_SET_ALTITUDE_DEG, day_events

PLACES = [  # (name, longitude east, latitude, height, zone)
    ("London", -0.1276, 51.5072, 11.0, "Europe/London"),
    ("Tokyo", 139.6917, 35.6895, 40.0, "Asia/Tokyo"),
    ("Sydney", 151.2093, -33.8688, 58.0, "Australia/Sydney"),
]


@pytest.fixture(scope="module")
def skyfield_sky(tmp_path_factory, de421_path):
    from skyfield.api import Loader, load_file

    spec = ot.default_spec(kernel=de421_path)
    directory = tmp_path_factory.mktemp("skyfield")
    (directory / "finals2000A.all").symlink_to(pathlib.Path(spec.eop or "").resolve())
    return spec, Loader(str(directory)).timescale(builtin=False), load_file(spec.kernel)


def test_rise_transit_set_within_five_seconds_of_skyfield(skyfield_sky):
    from skyfield import almanac
    from skyfield.api import wgs84

    spec, ts, eph = skyfield_sky
    engine = spec.engine()
    today = datetime.datetime.now(datetime.timezone.utc).date()
    worst = 0.0
    for name, lon, lat, height, zone in PLACES:
        observer = eph["earth"] + wgs84.latlon(lat, lon, elevation_m=height)
        place = orvane.GeodeticObserver(lon, lat, height)
        for day in (today, today + datetime.timedelta(days=30)):
            # The Moon by its upper limb (skyfield's own horizon for it: refraction less the
            # semidiameter at the topocentric distance) and by its centre.
            for body, edge, horizon in (("sun", "upper_limb", RISE_SET_ALTITUDE_DEG["sun"]),
                                        ("moon", "upper_limb", None),
                                        ("moon", "centre", orvane.MEAN_REFRACTION_ALTITUDE_DEG)):
                events = day_events(body, place, day, zone, engine, moon_edge=edge)
                window = [ts.from_datetime(events.transit + datetime.timedelta(days=d)) for d in (-0.8, 0.8)]
                found = {
                    "rise": almanac.find_risings(observer, eph[body], *window, horizon_degrees=horizon)[0],
                    "transit": almanac.find_transits(observer, eph[body], *window),
                    "set": almanac.find_settings(observer, eph[body], *window, horizon_degrees=horizon)[0],
                }
                for kind, times in found.items():
                    mine = getattr(events, kind)
                    assert mine is not None and mine.utcoffset() == mine.astimezone(ot.dates.as_time_zone(zone)).utcoffset()
                    error = min(abs((t.utc_datetime() - mine).total_seconds()) for t in times)
                    worst = max(worst, error)
                    assert error < 5.0, (name, day, body, edge, kind, mine, error)
    print(f"worst rise/transit/set difference from skyfield: {worst:.6f} s")


def test_a_day_past_the_predictions_names_the_end_and_the_update():
    engine = ot.default_engine(time_model=False)
    with pytest.raises(ValueError, match=r"outside EOP coverage .*ends on \d{4}-\d\d-\d\d; .*pip install --upgrade astropy-iers-data"):
        day_events("sun", orvane.GeodeticObserver(0.0, 51.5), datetime.date(2045, 6, 1), "Europe/London", engine)
