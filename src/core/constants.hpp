#pragma once
// Numeric constants shared across the libraries.

namespace orvane {

inline constexpr double J2000_JULIAN_DAY = 2451545.0;
inline constexpr double SECONDS_PER_DAY = 86400.0;
inline constexpr double ONE_SECOND_DAYS = 1.1574074074074073e-5;  // 1 / 86400
inline constexpr double DAYS_PER_JULIAN_CENTURY = 36525.0;
inline constexpr double AU_KM = 149597870.7;
inline constexpr double SPEED_OF_LIGHT_KM_S = 299792.458;
inline constexpr double INVERSE_SPEED_OF_LIGHT_S_PER_KM = 3.3356409519815205e-6;
// Twice the Sun's gravitational parameter over the square of the speed of light, km.
inline constexpr double SUN_SCHWARZSCHILD_KM = 2.9532501228092993;
inline constexpr double ARCSEC_TO_RAD = 4.84813681109536e-6;
inline constexpr double RAD_TO_DEG = 57.29577951308232;
inline constexpr double DEG_TO_RAD = 0.017453292519943295;
inline constexpr double TWO_PI = 6.283185307179586;
// Rate of the TIO locator s' (IERS Conventions 2010, 5.13): -47 µas per century.
inline constexpr double TIO_LOCATOR_RATE_RAD_PER_CENTURY = -2.278624301214819e-10;

// Altitudes offered to Python callers for horizon events (degrees).
inline constexpr double SUN_UPPER_LIMB_ALTITUDE_DEG = -50.0 / 60.0;
inline constexpr double MEAN_REFRACTION_ALTITUDE_DEG = -34.0 / 60.0;

inline constexpr const char* ENGINE_VERSION = "0.1.0";
inline constexpr const char* COORDINATE_FRAME = "ICRF/J2000";

}  // namespace orvane
