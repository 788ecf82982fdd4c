"""House cusps inside the polar circles beside the Swiss Ephemeris (pyswisseph).

A year of hourly charts (2024, UT) in each latitude band from 66.6 to 89
degrees north and south, the latitude and longitude of each chart spread over
the band and the globe by golden-ratio steps. The Swiss Ephemeris is given the
RAMC and true obliquity this module computed (`houses_armc`), so the house
construction alone is compared. Charts where the ecliptic meets the horizon at
less than 1 degree are left out and counted: both the ascendant and the
cusps built on it are ill-conditioned there.

For each band and system: charts compared, charts left out, charts where only
one side gives cusps (the Swiss Ephemeris refuses Placidus and Koch anywhere
inside the polar circles), the worst difference of the ascendant and the
twelve cusps in arcseconds, and the charts whose midheaven the Swiss
Ephemeris reports turned by half a circle.

Run from the repository root with the module installed (an optional hour
step thins the year; --summary folds the systems both sides compute into one
row per band):
    python tests/reference/polar_houses_swisseph.py [HOUR_STEP] [--summary]
"""
from __future__ import annotations

import math
from dataclasses import dataclass

import orvane
import swisseph as swe

SYSTEMS = {"placidus": b"P", "koch": b"K", "porphyry": b"O", "regiomontanus": b"R", "campanus": b"C",
           "equal": b"E", "whole_sign": b"W", "alcabitius": b"B", "topocentric": b"T", "morinus": b"M",
           "meridian": b"X", "horizontal": b"H", "vehlow_equal": b"V", "sripati": b"S",
           "krusinski_pisa": b"U", "apc": b"Y"}
BANDS = ((66.6, 70.0), (70.0, 75.0), (75.0, 80.0), (80.0, 85.0), (85.0, 89.0))
JANUARY_2024 = 2460310.5
HOURS_2024 = 366 * 24
TT_MINUS_UT_DAYS = 69.2 / 86400.0
GOLDEN = 0.6180339887498949
MIN_CROSSING_DEG = 1.0


@dataclass
class Row:
    band: str
    system: str
    compared: int = 0
    left_out: int = 0
    ours_only: int = 0
    theirs_only: int = 0
    neither: int = 0
    worst_arcsec: float = 0.0
    midheaven_turned: int = 0


def _difference_arcsec(a: float, b: float) -> float:
    return abs((a - b + 180.0) % 360.0 - 180.0) * 3600.0


def crossing_angle_deg(ramc_deg: float, latitude_deg: float, obliquity_deg: float) -> float:
    """Angle between the ecliptic and the horizon: the angle between the
    ecliptic pole (0, -sin e, cos e) and the zenith (cos p cos t, cos p sin t,
    sin p) on the equatorial axes of date, folded into [0, 90]."""
    t, p, e = (math.radians(v) for v in (ramc_deg, latitude_deg, obliquity_deg))
    k_dot_z = -math.sin(e) * math.cos(p) * math.sin(t) + math.cos(e) * math.sin(p)
    return math.degrees(math.acos(min(1.0, abs(k_dot_z))))


def _charts(band: tuple[float, float], south: bool, hour_step: int):
    low, high = band
    for hour in range(0, HOURS_2024, hour_step):
        latitude = low + (high - low) * ((hour * GOLDEN) % 1.0)
        longitude = -180.0 + 360.0 * ((hour * GOLDEN * GOLDEN) % 1.0)
        ut1 = JANUARY_2024 + hour / 24.0
        yield (-latitude if south else latitude), longitude, ut1


def compare(hour_step: int = 1, systems: dict[str, bytes] = SYSTEMS) -> list[Row]:
    rows = []
    for south in (False, True):
        for band in BANDS:
            label = f"{band[0]:g}-{band[1]:g} {'S' if south else 'N'}"
            for system, code in systems.items():
                row = Row(label, system)
                for latitude, longitude, ut1 in _charts(band, south, hour_step):
                    observer = orvane.GeodeticObserver(longitude, latitude)
                    try:
                        ours = orvane.house_cusps(observer, ut1, ut1 + TT_MINUS_UT_DAYS, system)
                    except ValueError:
                        ours = None
                    sky = ours or orvane.house_cusps(observer, ut1, ut1 + TT_MINUS_UT_DAYS, "equal")
                    if crossing_angle_deg(sky.ramc_deg, latitude, sky.true_obliquity_deg) < MIN_CROSSING_DEG:
                        row.left_out += 1
                        continue
                    try:
                        cusps, angles = swe.houses_armc(sky.ramc_deg, latitude, sky.true_obliquity_deg, code)
                    except swe.Error:
                        cusps = None
                    if ours is None or cusps is None:
                        if ours is not None:
                            row.ours_only += 1
                        elif cusps is not None:
                            row.theirs_only += 1
                        else:
                            row.neither += 1
                        continue
                    row.compared += 1
                    pairs = [(ours.ascendant_deg, angles[0]), *zip(ours.cusp_ecliptic_longitude_deg, cusps)]
                    row.worst_arcsec = max(row.worst_arcsec, *(_difference_arcsec(a, b) for a, b in pairs))
                    if _difference_arcsec(ours.midheaven_deg, angles[1]) > 180.0 * 3600.0 - 1.0:
                        row.midheaven_turned += 1
                    else:
                        row.worst_arcsec = max(row.worst_arcsec, _difference_arcsec(ours.midheaven_deg, angles[1]))
                rows.append(row)
    return rows


def table(rows: list[Row]) -> str:
    lines = ["| Latitudes | System | Compared | Left out (< 1°) | Ours only / theirs only / neither "
             "| Worst difference | Conventions that differ |",
             "|---|---|---|---|---|---|---|"]
    for row in rows:
        convention = f"MC turned 180° by the Swiss Ephemeris in {row.midheaven_turned}" if row.midheaven_turned else ""
        worst = f"{row.worst_arcsec:.1e}″" if row.compared else "-"
        lines.append(f"| {row.band} | {row.system} | {row.compared} | {row.left_out} | "
                     f"{row.ours_only} / {row.theirs_only} / {row.neither} | {worst} | {convention} |")
    return "\n".join(lines)


def summary(rows: list[Row]) -> str:
    """The table with the systems that both sides compute folded into one row
    per band (charts compared and left out are the same for each of them)."""
    lines = ["| Latitudes | Systems | Charts compared (each) | Left out (< 1°) | Worst difference "
             "| Conventions that differ |", "|---|---|---|---|---|---|"]
    for band in dict.fromkeys(row.band for row in rows):
        both = [row for row in rows if row.band == band and row.compared]
        turned = [row for row in both if row.midheaven_turned]
        convention = (f"MC turned 180° by the Swiss Ephemeris in {turned[0].midheaven_turned} charts "
                      f"({', '.join(row.system for row in turned)})") if turned else ""
        lines.append(f"| {band} | {len(both)} systems | {both[0].compared} | {both[0].left_out} | "
                     f"{max(row.worst_arcsec for row in both):.1e}″ | {convention} |")
        for row in rows:
            if row.band == band and not row.compared:
                lines.append(f"| {band} | {row.system} | 0 | {row.left_out} | - | Swiss Ephemeris refuses all; "
                             f"ours gives cusps in {row.ours_only}, refuses {row.neither} |")
    return "\n".join(lines)


if __name__ == "__main__":
    import sys

    step = int(sys.argv[1]) if len(sys.argv) > 1 else 1
    rows = compare(step)
    print(summary(rows) if "--summary" in sys.argv else table(rows))
