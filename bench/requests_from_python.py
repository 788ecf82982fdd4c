"""Microseconds per call of every event and house request from Python, on
DE421 with the leap-second kernel and the IERS EOP 20 C04 table."""
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "reference"))
import data_files  # noqa: E402

import orvane  # noqa: E402

SHA = "0" * 64
START = 2459215.5  # 2021-01-01 UTC
ROUNDS = 200


def per_call_us(call) -> float:
    best = float("inf")
    for _ in range(3):
        began = time.perf_counter()
        for i in range(ROUNDS):
            call(i)
        best = min(best, (time.perf_counter() - began) / ROUNDS)
    return best * 1e6


def main() -> None:
    engine = orvane.open(str(data_files.de421()), SHA, str(data_files.leap_seconds()), SHA,
                         str(data_files.eop_c04()), SHA)
    place = orvane.GeodeticObserver(-0.1276, 51.5072, 11.0)
    sun_altitude = orvane.SUN_UPPER_LIMB_ALTITUDE_DEG
    moon_altitude = orvane.MEAN_REFRACTION_ALTITUDE_DEG
    utc = lambda i: orvane.Instant.utc(START + 1.37 * i)  # noqa: E731
    requests = {
        "next_season_event (UTC query)": lambda i: engine.next_season_event(utc(i), "march_equinox"),
        "next_lunation (UTC query)": lambda i: engine.next_lunation(utc(i), "full_moon"),
        "rise_set_transit Sun": lambda i: engine.rise_set_transit("sun", place, utc(i), sun_altitude),
        "rise_set_transit Moon": lambda i: engine.rise_set_transit("moon", place, utc(i), moon_altitude),
        "next_horizon_event Sun rise": lambda i: engine.next_horizon_event("sun", place, utc(i), "rise", sun_altitude),
        "next_horizon_event Moon transit": lambda i: engine.next_horizon_event("moon", place, utc(i), "transit",
                                                                               moon_altitude),
        "house_cusps Placidus": lambda i: orvane.house_cusps(place, START + i, START + i + 0.0008, "placidus"),
        "house_cusps Whole Sign": lambda i: orvane.house_cusps(place, START + i, START + i + 0.0008, "whole_sign"),
    }
    for name, call in requests.items():
        print(f"{name:<34} {per_call_us(call):10.1f} us per call")


if __name__ == "__main__":
    main()
