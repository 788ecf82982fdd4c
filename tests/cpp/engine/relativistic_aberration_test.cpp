#include <gtest/gtest.h>

#include <cmath>

#include "core/reference_table.hpp"
#include "engine/corrections.hpp"
#include "engine/relativistic_aberration.hpp"

namespace orvane {
namespace {

using testing::ReferenceTable;

Vector3 row_vector(const ReferenceTable& table, std::size_t i, const char* x, const char* y, const char* z) {
    return {table.number(i, x), table.number(i, y), table.number(i, z)};
}

// a + b t
Vector3 moved(const Vector3& a, const Vector3& b, double t) { return {a[0] + b[0] * t, a[1] + b[1] * t, a[2] + b[2] * t}; }

TEST(RelativisticAberration, MatchesErfaAbAndKeepsTheLength) {
    ReferenceTable table("aberration_erfa.csv");
    ASSERT_GT(table.size(), 100u);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const CartesianState relative{row_vector(table, i, "px", "py", "pz"), {}};
        const Vector3 velocity = row_vector(table, i, "vx", "vy", "vz");
        const CartesianState sun{row_vector(table, i, "sx", "sy", "sz"), {}};
        const CartesianState apparent = apply_relativistic_aberration(relative, velocity, {}, sun);
        const double length = std::sqrt(dot(apparent.position, apparent.position));
        EXPECT_NEAR(length / std::sqrt(dot(relative.position, relative.position)), 1.0, 1e-15);
        const Vector3 expected = row_vector(table, i, "ax", "ay", "az");
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(apparent.position[k] / length, expected[k], 1e-15) << "row " << i;
    }
}

// The velocity is the derivative of the turned position, with target,
// observer and Sun distance all moving.
TEST(RelativisticAberration, VelocityIsTheDerivativeOfThePosition) {
    const CartesianState relative{{1.2e8, -0.7e8, 0.3e8}, {12.0, 25.0, -8.0}};
    const Vector3 velocity{-21.0, 19.0, 8.0}, acceleration{4e-6, 3e-6, -1e-6};
    const CartesianState sun{{0.9e8, 1.1e8, 0.4e8}, {-21.0, 19.0, 8.0}};
    const auto at = [&](double dt) {
        const CartesianState r{moved(relative.position, relative.velocity, dt), relative.velocity};
        const CartesianState s{moved(sun.position, sun.velocity, dt), sun.velocity};
        return apply_relativistic_aberration(r, moved(velocity, acceleration, dt), acceleration, s);
    };
    constexpr double H = 10.0;  // seconds
    const CartesianState now = at(0.0), before = at(-H), after = at(H);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(now.velocity[k], (after.position[k] - before.position[k]) / (2 * H), 1e-6) << k;
}

}  // namespace
}  // namespace orvane
