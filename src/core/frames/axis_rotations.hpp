#pragma once

// Rotations of the coordinate axes (ERFA eraRx, eraRy, eraRz applied to a
// vector): R1, R2 and R3 turn the axes by θ about x, y and z, given θ itself or
// its sine and cosine.

#include <array>
#include <cmath>

namespace orvane {

using AxisVector = std::array<double, 3>;

inline AxisVector r1(const AxisVector& v, double s, double c) {
    return {v[0], c * v[1] + s * v[2], -s * v[1] + c * v[2]};
}

inline AxisVector r2(const AxisVector& v, double s, double c) {
    return {c * v[0] - s * v[2], v[1], s * v[0] + c * v[2]};
}

inline AxisVector r3(const AxisVector& v, double s, double c) {
    return {c * v[0] + s * v[1], -s * v[0] + c * v[1], v[2]};
}

inline AxisVector r1(const AxisVector& v, double theta) { return r1(v, std::sin(theta), std::cos(theta)); }
inline AxisVector r2(const AxisVector& v, double theta) { return r2(v, std::sin(theta), std::cos(theta)); }
inline AxisVector r3(const AxisVector& v, double theta) { return r3(v, std::sin(theta), std::cos(theta)); }

}  // namespace orvane
