"""The longitude speed against a centred difference of the returned longitude.

For every origin, frame and body: the largest gap between the speed a
request returns and (L(t + h) - L(t - h)) / 2h, h = 5e-4 day (a step of
1e-3 day), over instants spread across 2000-2024.

    python bench/longitude_speed.py
"""
from __future__ import annotations

import hashlib
import pathlib
import sys

import orvane

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests" / "reference"))
import data_files  # noqa: E402

BODIES: list[str | int] = ["sun", "moon", "mercury", "venus", "mars", 5, 6, 7, 8, 9]
HALF_STEP = 5e-4


def sha(path: pathlib.Path) -> str:
    return hashlib.sha256(path.read_bytes()).hexdigest()


def engine() -> orvane.Engine:
    kernel, tls, eop = data_files.de421(), data_files.leap_seconds(), data_files.eop_c04()
    return orvane.Engine(str(kernel), sha(kernel), str(tls), sha(tls), str(eop), sha(eop))


def option_sets() -> list[tuple[str, orvane.PositionOptions]]:
    place = orvane.GeodeticObserver(13.4, 52.5, 40.0)
    out = []
    for origin in ("geocentric", "topocentric", "heliocentric", "barycentric"):
        for system in ("ecliptic", "equatorial"):
            observer = place if origin == "topocentric" else None
            ecliptic = system == "ecliptic"
            kinds = {
                "j2000 geometric": dict(reference_epoch="j2000"),
                "j2000 light time": dict(reference_epoch="j2000", light_time=True),
                "mean of date": dict(reference_epoch="of_date", precession=True),
                "true of date": dict(reference_epoch="of_date", precession=True, nutation=True,
                                     true_ecliptic=ecliptic),
                "apparent of date": dict(reference_epoch="of_date", apparent=True, true_ecliptic=ecliptic),
            }
            for kind, extra in kinds.items():
                options = orvane.PositionOptions(origin, system, observer=observer, **extra)  # type: ignore[arg-type]
                out.append((f"{origin} {system} {kind}", options))
    return out


def worst(e: orvane.Engine, body: str | int, options: orvane.PositionOptions) -> float:
    gap = 0.0
    for k in range(40):
        day = 2451545.0 + k * 222.7 + 0.123
        before, after = day - HALF_STEP, day + HALF_STEP
        lo = e.position(body, orvane.Instant.tt(before), options).longitude_deg
        hi = e.position(body, orvane.Instant.tt(after), options).longitude_deg
        speed = e.position(body, orvane.Instant.tt(day), options).longitude_speed_deg_per_day
        # The step as the Julian days hold it (they are spaced 4.7e-5 s apart).
        diff = ((hi - lo + 180.0) % 360.0 - 180.0) / (after - before)
        gap = max(gap, abs(speed - diff))
    return gap


def main() -> None:
    e = engine()
    overall: dict[str, float] = {}
    for name, options in option_sets():
        row = []
        for body in BODIES:
            if name.startswith("heliocentric") and body == "sun":
                continue
            g = worst(e, body, options)
            row.append(f"{body}={g:.1e}")
            key = "moon" if body == "moon" else "others"
            overall[key] = max(overall.get(key, 0.0), g)
        print(f"{name:42s} " + " ".join(row))
    print("worst:", {k: f"{v:.2e}" for k, v in overall.items()})


if __name__ == "__main__":
    main()
