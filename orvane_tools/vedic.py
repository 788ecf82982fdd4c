"""The Vedic basics on sidereal longitudes: nakshatras and their padas, the
sixteen divisional charts (vargas) of Parashara, Vimshottari dashas, and the
pancanga's tithi, yoga, karana and weekday with the ends of the first three
within a day.

The rules are those of the Brihat Parashara Hora Shastra (BPHS): ch. 6 for
the vargas, ch. 46 for the Vimshottari dasha; the pancanga's limbs divide the
Moon's elongation (tithi, karana) and the sum of the sidereal longitudes of
the Sun and the Moon (yoga) into equal arcs.
"""

from __future__ import annotations

from collections.abc import Sequence
from dataclasses import dataclass
from datetime import datetime

import orvane

from orvane_tools.chart import ayanamsha_and_rate
from orvane_tools.data import default_engine
from orvane_tools.dates import to_instant

NAKSHATRAS: tuple[str, ...] = (
    "Ashvini", "Bharani", "Krittika", "Rohini", "Mrigashira", "Ardra", "Punarvasu", "Pushya", "Ashlesha",
    "Magha", "Purva Phalguni", "Uttara Phalguni", "Hasta", "Chitra", "Svati", "Vishakha", "Anuradha",
    "Jyeshtha", "Mula", "Purva Ashadha", "Uttara Ashadha", "Shravana", "Dhanishta", "Shatabhisha",
    "Purva Bhadrapada", "Uttara Bhadrapada", "Revati",
)
NAKSHATRA_DEG = 360.0 / 27.0
PADA_DEG = NAKSHATRA_DEG / 4.0

#: The Vimshottari lords from Ashvini's (Ketu) on, and their years (BPHS ch. 46), 120 in all.
DASHA_LORDS: tuple[str, ...] = ("ketu", "venus", "sun", "moon", "mars", "rahu", "jupiter", "saturn", "mercury")
DASHA_YEARS: dict[str, float] = {"ketu": 7.0, "venus": 20.0, "sun": 6.0, "moon": 10.0, "mars": 7.0, "rahu": 18.0,
                                 "jupiter": 16.0, "saturn": 19.0, "mercury": 17.0}
#: Lengths of the dasha year in days: the Julian year (the default), the
#: Gregorian mean year, the mean tropical year, the sidereal year and the savana year.
DASHA_YEAR_DAYS: dict[str, float] = {"julian": 365.25, "gregorian": 365.2425, "tropical": 365.24219,
                                     "sidereal": 365.256363, "savana": 360.0}

#: The divisions of the sixteen vargas (D1 to D60).
DIVISIONS: tuple[int, ...] = (1, 2, 3, 4, 7, 9, 10, 12, 16, 20, 24, 27, 30, 40, 45, 60)

TITHI_DEG = 12.0
KARANA_DEG = 6.0
YOGA_DEG = NAKSHATRA_DEG
TITHIS: tuple[str, ...] = ("Pratipada", "Dvitiya", "Tritiya", "Chaturthi", "Panchami", "Shashthi", "Saptami",
                           "Ashtami", "Navami", "Dashami", "Ekadashi", "Dvadashi", "Trayodashi", "Chaturdashi")
YOGAS: tuple[str, ...] = (
    "Vishkumbha", "Priti", "Ayushman", "Saubhagya", "Shobhana", "Atiganda", "Sukarma", "Dhriti", "Shula",
    "Ganda", "Vriddhi", "Dhruva", "Vyaghata", "Harshana", "Vajra", "Siddhi", "Vyatipata", "Variyana",
    "Parigha", "Shiva", "Siddha", "Sadhya", "Shubha", "Shukla", "Brahma", "Indra", "Vaidhriti",
)
_MOVABLE_KARANAS = ("Bava", "Balava", "Kaulava", "Taitila", "Gara", "Vanija", "Vishti")
WEEKDAYS: tuple[str, ...] = ("Ravivara", "Somavara", "Mangalavara", "Budhavara", "Guruvara", "Shukravara",
                             "Shanivara")


@dataclass(frozen=True)
class Nakshatra:
    """The lunar mansion (1 to 27) and its quarter (pada, 1 to 4) holding a sidereal longitude."""

    number: int
    name: str
    pada: int
    lord: str


def nakshatra(longitude_deg: float) -> Nakshatra:
    """The nakshatra and pada of a sidereal longitude, with the nakshatra's Vimshottari lord.

    >>> nakshatra(101.0)
    Nakshatra(number=8, name='Pushya', pada=3, lord='saturn')
    """
    arc = longitude_deg % 360.0
    index = min(int(arc // NAKSHATRA_DEG), 26)
    pada = min(int((arc - index * NAKSHATRA_DEG) // PADA_DEG), 3)
    return Nakshatra(index + 1, NAKSHATRAS[index], pada + 1, DASHA_LORDS[index % 9])


def _first_sign(division: int, sign: int, part: int, within_deg: float) -> int:
    """The sign (0 Aries to 11 Pisces) of a varga for a sign and its part; BPHS ch. 6."""
    odd = sign % 2 == 0  # Aries, the first sign, is odd
    quality = sign % 3  # 0 movable, 1 fixed, 2 dual
    element = sign % 4  # 0 fire, 1 earth, 2 air, 3 water
    if division == 1:
        return sign
    if division == 2:  # hora: odd signs Sun's (Leo) then Moon's (Cancer); even signs the reverse
        return (4 if part == 0 else 3) if odd else (3 if part == 0 else 4)
    if division == 3:  # drekkana: the sign, the fifth and the ninth from it
        return (sign + 4 * part) % 12
    if division == 4:  # chaturthamsha: the sign and the kendras from it
        return (sign + 3 * part) % 12
    if division == 7:  # saptamsha: odd from the sign, even from the seventh
        return (sign + part + (0 if odd else 6)) % 12
    if division == 9:  # navamsha: fire from Aries, earth from Capricorn, air from Libra, water from Cancer
        return ((0, 9, 6, 3)[element] + part) % 12
    if division == 10:  # dashamsha: odd from the sign, even from the ninth
        return (sign + part + (0 if odd else 8)) % 12
    if division == 12:  # dvadashamsha: from the sign
        return (sign + part) % 12
    if division == 16:  # shodashamsha: movable from Aries, fixed from Leo, dual from Sagittarius
        return ((0, 4, 8)[quality] + part) % 12
    if division == 20:  # vimshamsha: movable from Aries, fixed from Sagittarius, dual from Leo
        return ((0, 8, 4)[quality] + part) % 12
    if division == 24:  # chaturvimshamsha: odd from Leo, even from Cancer
        return ((4 if odd else 3) + part) % 12
    if division == 27:  # bhamsha: fire from Aries, earth from Cancer, air from Libra, water from Capricorn
        return ((0, 3, 6, 9)[element] + part) % 12
    if division == 30:  # trimshamsha: unequal parts ruled by Mars, Saturn, Jupiter, Mercury, Venus
        if odd:  # 5 Aries, 5 Aquarius, 8 Sagittarius, 7 Gemini, 5 Libra
            bounds, signs = (5.0, 10.0, 18.0, 25.0), (0, 10, 8, 2, 6)
        else:  # 5 Taurus, 7 Virgo, 8 Pisces, 5 Capricorn, 5 Scorpio
            bounds, signs = (5.0, 12.0, 20.0, 25.0), (1, 5, 11, 9, 7)
        return signs[sum(within_deg >= b for b in bounds)]
    if division == 40:  # khavedamsha: odd from Aries, even from Libra
        return ((0 if odd else 6) + part) % 12
    if division == 45:  # akshavedamsha: movable from Aries, fixed from Leo, dual from Sagittarius
        return ((0, 4, 8)[quality] + part) % 12
    if division == 60:  # shashtiamsha: the part counted from the sign itself
        return (sign + part) % 12
    raise ValueError(f"unknown divisional chart D{division}: expected one of "
                     + ", ".join(f"D{d}" for d in DIVISIONS))


def varga_sign(longitude_deg: float, division: int) -> int:
    """The sign (0 Aries to 11 Pisces) a sidereal longitude falls in on the
    divisional chart D`division`, by Parashara's rules (BPHS ch. 6).

    >>> varga_sign(100.0, 9)  # 10 degrees Cancer: its fourth navamsha, from Cancer
    6
    """
    if division not in DIVISIONS:
        raise ValueError(f"unknown divisional chart D{division}: expected one of "
                         + ", ".join(f"D{d}" for d in DIVISIONS))
    arc = longitude_deg % 360.0
    sign = min(int(arc // 30.0), 11)
    within = arc - 30.0 * sign
    part = min(int(within * division // 30.0), division - 1)
    return _first_sign(division, sign, part, within)


def vargas(longitude_deg: float) -> dict[int, int]:
    """The sign of a sidereal longitude on each of the sixteen vargas.

    >>> vargas(0.0)[60]
    0
    """
    return {d: varga_sign(longitude_deg, d) for d in DIVISIONS}


@dataclass(frozen=True)
class Dasha:
    """A Vimshottari period: its lord (and sub-period lord, or "" for a
    mahadasha) and its start and end as TT Julian days."""

    lord: str
    sub_lord: str
    start_tt: float
    end_tt: float


def vimshottari(moon_longitude_deg: float, birth_tt: float, *, year_days: float = DASHA_YEAR_DAYS["julian"],
                sub_periods: bool = True) -> tuple[Dasha, ...]:
    """The nine mahadashas from the one running at birth (which began before
    it: the Moon's elapsed share of its nakshatra), each followed by its nine
    antardashas when `sub_periods`; lengths in years of `year_days` days
    (365.25 unless given; :data:`DASHA_YEAR_DAYS` has the common choices).

    >>> [d.lord for d in vimshottari(0.0, 2451545.0, sub_periods=False)][:3]
    ['ketu', 'venus', 'sun']
    """
    if not year_days > 0.0:
        raise ValueError("the dasha year must be a positive number of days")
    arc = moon_longitude_deg % 360.0
    index = min(int(arc // NAKSHATRA_DEG), 26)
    elapsed = (arc - index * NAKSHATRA_DEG) / NAKSHATRA_DEG
    first = index % 9
    start = birth_tt - elapsed * DASHA_YEARS[DASHA_LORDS[first]] * year_days
    periods: list[Dasha] = []
    for k in range(9):
        lord = DASHA_LORDS[(first + k) % 9]
        length = DASHA_YEARS[lord] * year_days
        periods.append(Dasha(lord, "", start, start + length))
        if sub_periods:
            sub_start = start
            for j in range(9):
                sub = DASHA_LORDS[(first + k + j) % 9]
                sub_end = sub_start + length * DASHA_YEARS[sub] / 120.0
                periods.append(Dasha(lord, sub, sub_start, sub_end))
                sub_start = sub_end
        start += length
    return tuple(periods)


def tithi(elongation_deg: float) -> tuple[int, str]:
    """The tithi (1 to 30) of the Moon's elongation from the Sun, and its name
    with its fortnight (Shukla waxing, Krishna waning; the 15th are Purnima and Amavasya).

    >>> tithi(13.0)
    (2, 'Shukla Dvitiya')
    """
    number = min(int(elongation_deg % 360.0 // TITHI_DEG), 29) + 1
    if number == 15:
        return number, "Purnima"
    if number == 30:
        return number, "Amavasya"
    return number, ("Shukla " if number < 15 else "Krishna ") + TITHIS[(number - 1) % 15]


def karana(elongation_deg: float) -> tuple[int, str]:
    """The karana (1 to 60, half a tithi) of the Moon's elongation, and its
    name: Kimstughna first, the seven movable karanas eight times, then
    Shakuni, Chatushpada and Naga.

    >>> karana(7.0)
    (2, 'Bava')
    """
    number = min(int(elongation_deg % 360.0 // KARANA_DEG), 59) + 1
    if number == 1:
        return number, "Kimstughna"
    if number >= 58:
        return number, ("Shakuni", "Chatushpada", "Naga")[number - 58]
    return number, _MOVABLE_KARANAS[(number - 2) % 7]


def yoga(sun_deg: float, moon_deg: float) -> tuple[int, str]:
    """The yoga (1 to 27) of the sum of the sidereal longitudes of the Sun and the Moon.

    >>> yoga(10.0, 5.0)
    (2, 'Priti')
    """
    number = min(int((sun_deg + moon_deg) % 360.0 // YOGA_DEG), 26) + 1
    return number, YOGAS[number - 1]


def weekday(local_julian_day: float) -> tuple[int, str]:
    """The weekday (0 Sunday) of a Julian day counted in local time.

    >>> weekday(2451545.0)  # 2000-01-01 12:00, a Saturday
    (6, 'Shanivara')
    """
    number = int((local_julian_day + 1.5) // 1.0) % 7
    return number, WEEKDAYS[number]


@dataclass(frozen=True)
class Limb:
    """One limb of the pancanga: its number and name, and when it ends (a TT
    Julian day, or None when it lasts past the day after the moment)."""

    kind: str
    number: int
    name: str
    end_tt: float | None


@dataclass(frozen=True)
class Pancanga:
    tt_julian_day: float
    tithi: Limb
    karana: Limb
    yoga: Limb
    weekday: Limb


_NEWTON_STEPS = 12
_NEWTON_TOLERANCE_DAYS = 1e-8


def _sun_moon(engine: orvane.Engine, tt: float, sidereal: str) -> tuple[float, float, float, float, float, float]:
    """Sidereal longitudes of the Sun and the Moon and their speeds, and the ayanamsha and its rate."""
    instant = orvane.Instant.tt(tt)
    rows = engine.positions(["sun", "moon"], [instant], orvane.apparent())[0]
    ayanamsha, rate = ayanamsha_and_rate(engine, sidereal, instant)
    return (float(rows[0][0]) - ayanamsha, float(rows[1][0]) - ayanamsha, float(rows[0][3]) - rate,
            float(rows[1][3]) - rate, ayanamsha, rate)


def _end(engine: orvane.Engine, tt: float, sidereal: str, target_deg: float, summed: bool) -> float | None:
    """When the elongation (or the sum) of the Sun and the Moon next reaches
    `target_deg`, by Newton's method on the engine's longitudes and their
    exact speeds; None past a day after `tt`."""
    sun, moon, sun_speed, moon_speed, _, _ = _sun_moon(engine, tt, sidereal)
    value, rate = (sun + moon, sun_speed + moon_speed) if summed else (moon - sun, moon_speed - sun_speed)
    guess = tt + ((target_deg - value) % 360.0) / rate
    if guess > tt + 1.5:
        return None
    for _ in range(_NEWTON_STEPS):
        sun, moon, sun_speed, moon_speed, _, _ = _sun_moon(engine, guess, sidereal)
        value, rate = (sun + moon, sun_speed + moon_speed) if summed else (moon - sun, moon_speed - sun_speed)
        step = ((value - target_deg + 180.0) % 360.0 - 180.0) / rate
        guess -= step
        if abs(step) < _NEWTON_TOLERANCE_DAYS:
            break
    return guess if guess <= tt + 1.0 else None


def pancanga(when: datetime | orvane.Instant, place: orvane.GeodeticObserver, *, sidereal: str = "lahiri",
             engine: orvane.Engine | None = None) -> Pancanga:
    """Tithi, karana, yoga and weekday for a moment, with the times (TT Julian
    days) their current tithi, karana and yoga end if that is within a day.
    The weekday is the civil day at the place's local mean time (the
    sunrise-to-sunrise vara is the horizon events' business).

    >>> delhi = orvane.GeodeticObserver(77.21, 28.61)
    >>> pancanga(orvane.Instant.utc(2460676.0), delhi).tithi.number  # doctest: +SKIP
    1
    """
    if engine is None:
        engine = default_engine()
    instant = when if isinstance(when, orvane.Instant) else to_instant(when)
    tt = engine.convert_instant(instant, "tt").julian_day
    ut = engine.convert_instant(instant, "ut1").julian_day
    sun, moon, _, _, _, _ = _sun_moon(engine, tt, sidereal)
    elongation = (moon - sun) % 360.0
    t_number, t_name = tithi(elongation)
    k_number, k_name = karana(elongation)
    y_number, y_name = yoga(sun, moon)
    w_number, w_name = weekday(ut + place.longitude_east_deg / 360.0)
    return Pancanga(
        tt,
        Limb("tithi", t_number, t_name, _end(engine, tt, sidereal, (t_number * TITHI_DEG) % 360.0, False)),
        Limb("karana", k_number, k_name, _end(engine, tt, sidereal, (k_number * KARANA_DEG) % 360.0, False)),
        Limb("yoga", y_number, y_name, _end(engine, tt, sidereal, (y_number * YOGA_DEG) % 360.0, True)),
        Limb("weekday", w_number, w_name, None),
    )


@dataclass(frozen=True)
class VedicPoint:
    """A body or angle on the sidereal zodiac with its nakshatra and its sign (0 to 11) on each varga."""

    name: str
    longitude_deg: float
    nakshatra: Nakshatra
    vargas: dict[int, int]


def vedic_points(points: Sequence[tuple[str, float]]) -> tuple[VedicPoint, ...]:
    """Nakshatra, pada and varga signs for named sidereal longitudes (a
    sidereal chart's points and angles).

    >>> vedic_points([("moon", 100.0)])[0].nakshatra.name
    'Pushya'
    """
    return tuple(VedicPoint(name, longitude % 360.0, nakshatra(longitude), vargas(longitude))
                 for name, longitude in points)
