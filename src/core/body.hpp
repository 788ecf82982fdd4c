#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace orvane {

// The bodies the system knows; the discriminant indexes every per-body table.
enum class Body : std::uint8_t { Sun, Moon, Mercury, Venus, Earth, Mars, Jupiter, Saturn, Uranus, Neptune, Pluto };

inline constexpr std::size_t BODY_COUNT = 11;

// Printed name ("Mars"), used by debug output and "unsupported body: ...".
std::string_view name(Body body);

// NAIF code of the body centre (Earth 399, Moon 301, never a barycentre code).
std::int32_t naif_code(Body body);

}  // namespace orvane
