#pragma once

// The Earth's figure: the GRS80 ellipsoid (Moritz 1980, Bulletin Géodésique
// 54, 395), on which geodetic places stand and eclipse shadows fall.
namespace orvane {

inline constexpr double GRS80_EQUATORIAL_RADIUS_M = 6378137.0;
inline constexpr double GRS80_FLATTENING = 1.0 / 298.257222101;
inline constexpr double GRS80_ECCENTRICITY_SQUARED = 0.006694380022900787;
inline constexpr double GRS80_ONE_MINUS_ECCENTRICITY_SQUARED = 0.9933056199770992;

}  // namespace orvane
