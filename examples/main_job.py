"""The main job: open the real JPL DE421 kernel with the leap-second kernel and
the IERS EOP 20 C04 table, and print today's sky: apparent positions, the next
season and lunation events, rise, set and transit, and house cusps."""
import datetime
import math
import hashlib
import pathlib

import astropy_iers_data
import skyfield_data

import orvane

REPO = pathlib.Path(__file__).resolve().parents[1]
DE421 = pathlib.Path(skyfield_data.__file__).parent / "data" / "de421.bsp"
EOP = pathlib.Path(astropy_iers_data.__file__).parent / "data" / "eopc04.1962-now"
LEAP_SECONDS = REPO / "data" / "leap_seconds.tls"

PLACE_NAME = "Greenwich"
PLACE = orvane.GeodeticObserver(longitude_east_deg=-0.0015, latitude_deg=51.4779, height_m=46.0)


def sha256(path: pathlib.Path) -> str:
    return hashlib.sha256(path.read_bytes()).hexdigest()


def utc_julian_day(moment: datetime.datetime) -> float:
    return moment.timestamp() / 86400.0 + 2440587.5


def last_eop_day(path: pathlib.Path) -> float:
    """UTC Julian day of the table's last row (the table lags the present)."""
    last = [line for line in path.read_text().splitlines() if line.strip() and not line.startswith("#")][-1]
    return float(last.split()[4]) + 2400000.5


def show_position(label: str, position: orvane.Position) -> None:
    print(f"  {label:<8} lon {position.longitude_deg:11.6f}  lat {position.latitude_deg:+10.6f}  "
          f"dist {position.distance_au:.9f} au  speed {position.longitude_speed_deg_per_day:+.6f} deg/day")


def main() -> None:
    engine = orvane.open(str(DE421), sha256(DE421), str(LEAP_SECONDS), sha256(LEAP_SECONDS), str(EOP), sha256(EOP))
    print(engine)
    print(" ", engine.kernel_metadata.as_dict())
    print(" ", engine.supported_range)

    now = datetime.datetime.now(datetime.timezone.utc)
    today = orvane.Instant.utc(utc_julian_day(now))
    print(f"\nApparent geocentric ecliptic positions of date, {now:%Y-%m-%d %H:%M} UTC:")
    for body in ("sun", "moon", "mercury", "venus", "mars"):
        show_position(body, engine.position(body, today, orvane.apparent()))
    lahiri = engine.sidereal_position("moon", today, orvane.apparent(), "lahiri")
    print(f"  Moon, sidereal (Lahiri): {lahiri.longitude_deg:.6f}")

    # Topocentric work needs UT1, which the C04 table gives only up to its last
    # row: the place's day is today, or the last whole day the table covers.
    last = last_eop_day(EOP)
    midnight = math.floor(min(utc_julian_day(now), last - 2.0) - 0.5) + 0.5
    local = orvane.Instant.utc(midnight + 0.5)
    if midnight + 1.0 < utc_julian_day(now):
        print(f"\n(The EOP table ends at UTC JD {last}; the place's sky below is for an earlier day.)")
    day = local.julian_day
    print(f"\nAt {PLACE_NAME} {PLACE!r}, noon of UTC JD {midnight}:")
    show_position("moon", engine.position("moon", local, orvane.apparent("topocentric", observer=PLACE)))
    for body, altitude in (("sun", orvane.SUN_UPPER_LIMB_ALTITUDE_DEG), ("moon", orvane.MEAN_REFRACTION_ALTITUDE_DEG)):
        print(f"  {body}: {engine.rise_set_transit(body, PLACE, local, altitude)}")
    # House cusps take UT1 and TT days: UT1 is within a second of UTC, and
    # TT = UTC + 37 s of leap seconds + 32.184 s since 2017.
    cusps = orvane.house_cusps(PLACE, day, day + 69.184 / 86400, "placidus")
    print(f"  {cusps}")
    print("  cusps:", ", ".join(f"{value:.4f}" for value in cusps.cusp_ecliptic_longitude_deg))

    print("\nNext events (TT):")
    for kind in ("march_equinox", "june_solstice", "september_equinox", "december_solstice"):
        print(f"  {kind:<18} {engine.next_season_event(today, kind)}")
    for kind in ("new_moon", "full_moon"):
        print(f"  {kind:<18} {engine.next_lunation(today, kind)}")


if __name__ == "__main__":
    main()
