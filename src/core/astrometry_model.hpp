#pragma once
#include <cstdint>

namespace orvane {

// The astrometric model of the corrections and the axes of date. Standard:
// IAU 2006 precession with the IAU 2000B nutation, first-order aberration and
// the Sun's deflection. Full: IAU 2006 precession with the IAU 2000A nutation
// (ERFA pnm06a, gst06a), aberration to all orders (ERFA ab) and deflection by
// the Sun, Jupiter and Saturn (ERFA ldn).
enum class AstrometryModel : std::uint8_t { Standard, Full };

}  // namespace orvane
