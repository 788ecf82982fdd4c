#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/reference_table.hpp"
#include "core/vector.hpp"
#include "engine/body_deflection.hpp"

namespace orvane {
namespace {

using testing::ReferenceTable;

Vector3 row_vector(const ReferenceTable& table, std::size_t i, const char* x, const char* y, const char* z) {
    return {table.number(i, x), table.number(i, y), table.number(i, z)};
}

TEST(BodyDeflection, MatchesErfaLdNearAndBehindTheBody) {
    ReferenceTable table("deflection_erfa.csv");
    ASSERT_GT(table.size(), 100u);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const CartesianState relative{row_vector(table, i, "px", "py", "pz"), {}};
        const CartesianState body{row_vector(table, i, "bx", "by", "bz"), {}};
        const CartesianState apparent = apply_body_deflection(relative, CartesianState{}, body,
                                                              table.number(i, "mass"), table.number(i, "limiter"));
        const double length = std::sqrt(dot(apparent.position, apparent.position));
        const Vector3 expected = row_vector(table, i, "ax", "ay", "az");
        const double expected_length = std::sqrt(dot(expected, expected));
        // To rounding, 2e-15 rad (more where the target is near the body's
        // limb: q·(q + e) is small and its last-bit rounding is magnified by
        // the deflection over it), and 2e-8 of the deflection: ERFA's Solar
        // Schwarzschild radius (from the TDB-compatible GM) is 1.5e-8 below
        // the one here (from the TCB-compatible GM of IAU 2009).
        const Vector3 body_position = row_vector(table, i, "bx", "by", "bz");
        Vector3 q{relative.position[0] - body_position[0], relative.position[1] - body_position[1],
                  relative.position[2] - body_position[2]};
        const double q_length = std::sqrt(dot(q, q)), e_length = std::sqrt(dot(body_position, body_position));
        double q_dot_q_plus_e = 1.0;
        for (int k = 0; k < 3; ++k) q_dot_q_plus_e -= (q[k] / q_length) * (body_position[k] / e_length);
        const double geometric = std::sqrt(dot(relative.position, relative.position));
        double deflection = 0.0;
        for (int k = 0; k < 3; ++k)
            deflection = std::max(deflection, std::abs(expected[k] / expected_length - relative.position[k] / geometric));
        const double tolerance =
            2e-15 + 2e-8 * deflection + 1e-15 * deflection / std::max(q_dot_q_plus_e, table.number(i, "limiter"));
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(apparent.position[k] / length, expected[k] / expected_length, tolerance)
                << "row " << i << " deflection " << deflection;
    }
}

Vector3 moved(const Vector3& a, const Vector3& b, double t) { return {a[0] + b[0] * t, a[1] + b[1] * t, a[2] + b[2] * t}; }

// The velocity is the derivative of the turned position, target, observer
// and body moving, the target close to the body's limb.
TEST(BodyDeflection, VelocityIsTheDerivativeOfThePosition) {
    const CartesianState relative{{7.8e8, 1.2e6, 0.4e6}, {-12.0, 25.0, -8.0}};
    const CartesianState observer{{1.0e8, -0.5e8, 0.2e8}, {10.0, 20.0, 9.0}};
    const CartesianState body{{8.7e8, -0.49e8, 0.201e8}, {-5.0, 11.0, 4.0}};
    const auto at = [&](double dt) {
        return apply_body_deflection({moved(relative.position, relative.velocity, dt), relative.velocity},
                                     {moved(observer.position, observer.velocity, dt), observer.velocity},
                                     {moved(body.position, body.velocity, dt), body.velocity}, 0.00095, 3e-9);
    };
    constexpr double H = 10.0;  // seconds
    const CartesianState now = at(0.0), before = at(-H), after = at(H);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(now.velocity[k], (after.position[k] - before.position[k]) / (2 * H), 1e-6) << k;
}

}  // namespace
}  // namespace orvane
