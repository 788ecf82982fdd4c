"""The main job: open the default data (the JPL planetary kernel, the bundled
leap-second kernel, the IERS Earth-orientation table and the approximate
planet-centre kernel) and print today's sky: apparent positions of every body,
the sky at a place in its local time (altitude and azimuth, rise, transit and
set, house cusps) and the next season and lunation events."""
import datetime

import orvane
import orvane_tools as ot
from orvane_tools.sky import altitude_azimuth, day_events

PLACE_NAME = "Greenwich"
PLACE = orvane.GeodeticObserver(longitude_east_deg=-0.0015, latitude_deg=51.4779, height_m=46.0)
ZONE = "Europe/London"
BODIES = ("sun", "moon", "mercury", "venus", "mars", "jupiter", "saturn", "uranus", "neptune", "pluto")


def show_position(label: str, position: orvane.Position) -> None:
    print(f"  {label:<8} lon {position.longitude_deg:11.6f}  lat {position.latitude_deg:+10.6f}  "
          f"dist {position.distance_au:13.9f} au  speed {position.longitude_speed_deg_per_day:+.6f} deg/day")


def main() -> None:
    spec = ot.default_spec()
    engine = spec.engine()
    print(engine)
    print(" ", engine.kernel_metadata.as_dict())
    print(" ", engine.supported_range)
    print("  files:", spec.kernel, spec.leap_seconds, spec.eop, *(path for path, _ in spec.extra_kernels), sep="\n    ")

    now = datetime.datetime.now(datetime.timezone.utc)
    today = ot.to_instant(now)
    print(f"\nApparent geocentric ecliptic positions of date, {ot.to_iso(today)}:")
    for body in BODIES:
        show_position(body, engine.position(body, today, orvane.apparent()))
    lahiri = engine.sidereal_position("moon", today, orvane.apparent(), "lahiri")
    print(f"  Moon, sidereal (Lahiri): {lahiri.longitude_deg:.6f}")

    print(f"\nAt {PLACE_NAME} {PLACE!r}, {ot.to_iso(today, tz=ZONE)}:")
    show_position("moon", engine.position("moon", today, orvane.apparent("topocentric", observer=PLACE)))
    print("  altitude and azimuth (apparent, with standard refraction):")
    for body in BODIES:
        sky = altitude_azimuth(body, PLACE, today, engine, refraction=True)
        print(f"  {body:<8} altitude {sky.altitude_deg:+9.4f}  azimuth {sky.azimuth_deg:9.4f}")
    local_day = now.astimezone(ot.dates.as_time_zone(ZONE)).date()
    for body in ("sun", "moon"):
        events = day_events(body, PLACE, local_day, ZONE, engine)
        times = {name: (moment.strftime("%Y-%m-%d %H:%M:%S %Z") if moment else "none")
                 for name, moment in events._asdict().items()}
        print(f"  {body:<4} rise {times['rise']}, transit {times['transit']}, set {times['set']}")
    ut1, tt = engine.convert_instant(today, "ut1"), engine.convert_instant(today, "tt")
    cusps = orvane.house_cusps(PLACE, ut1, tt, "placidus")
    print(f"  {cusps}")
    print("  cusps:", ", ".join(f"{value:.4f}" for value in cusps.cusp_ecliptic_longitude_deg))

    print(f"\nNext events ({ZONE}):")
    for kind in ("march_equinox", "june_solstice", "september_equinox", "december_solstice"):
        print(f"  {kind:<18} {ot.to_iso(engine.next_season_event(today, kind), engine, ZONE)}")
    for kind in ("new_moon", "full_moon"):
        print(f"  {kind:<18} {ot.to_iso(engine.next_lunation(today, kind), engine, ZONE)}")


if __name__ == "__main__":
    main()
