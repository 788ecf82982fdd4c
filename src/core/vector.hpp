#pragma once
#include <array>

// Cartesian 3-vectors and the two products every frame and house computation
// uses (ERFA's eraPdp and eraPxp).
namespace orvane {

using Vector3 = std::array<double, 3>;

constexpr double dot(const Vector3& a, const Vector3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

constexpr Vector3 cross(const Vector3& a, const Vector3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

}  // namespace orvane
