#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <numbers>

#include "core/lane_arc_tangent.hpp"

namespace orvane {
namespace {

using Lanes = double __attribute__((vector_size(4 * sizeof(double))));
constexpr double PI = std::numbers::pi;

// The angle from the library's atan2, taken across the ±π seam.
double difference(double angle, double reference) {
    double d = angle - reference;
    if (d > PI) d -= 2 * PI;
    if (d < -PI) d += 2 * PI;
    return d;
}

// Within 1e-15 rad of std::atan2 all round the circle, at the octants'
// and segments' edges, for points on the unit circle squeezed as the
// ecliptic squeezes them and for tiny and huge radii.
TEST(LaneArcTangent, AgreesWithTheLibraryAllRound) {
    double worst = 0.0;
    for (double squeeze : {1.0, 0.9174820620691818, 1e-3}) {
        for (double radius : {1.0, 1e-200, 3.7e150}) {
            for (int k = -200000; k <= 200000; k += 4) {
                Lanes y, x;
                for (int j = 0; j < 4; ++j) {
                    const double theta = PI * (k + j) / 200000.0;
                    y[j] = radius * std::sin(theta);
                    x[j] = radius * std::cos(theta) * squeeze;
                }
                Lanes angle;
                lane_arc_tangent(y, x, angle);
                for (int j = 0; j < 4; ++j) {
                    const double d = std::abs(difference(angle[j], std::atan2(y[j], x[j])));
                    worst = std::max(worst, d);
                    ASSERT_LE(d, 1e-15) << "y " << y[j] << " x " << x[j];
                    ASSERT_GT(angle[j], -PI - 1e-15);
                    ASSERT_LE(angle[j], PI + 1e-15);
                }
            }
        }
    }
    EXPECT_GT(worst, 0.0);  // not the library's bits: the comparison means something
    Lanes axes, zeros;
    lane_arc_tangent(Lanes{0.0, 1.0, 0.0, -1.0}, Lanes{1.0, 0.0, -1.0, 0.0}, axes);
    EXPECT_EQ(axes[0], 0.0);
    EXPECT_NEAR(axes[1], PI / 2, 1e-16);
    EXPECT_NEAR(axes[2], PI, 1e-15);
    EXPECT_NEAR(axes[3], -PI / 2, 1e-16);
    lane_arc_tangent(Lanes{0.0, 0.0, 0.0, 0.0}, Lanes{0.0, 0.0, 0.0, 0.0}, zeros);
    EXPECT_EQ(zeros[2], 0.0);
}

// A value's angle does not depend on its lane or its neighbours.
TEST(LaneArcTangent, KeepsLanesApart) {
    const double ys[5] = {0.3, -0.8, 1e-9, 0.7071067811865476, -2.5};
    const double xs[5] = {0.9, 0.2, -1.0, 0.7071067811865475, -0.1};
    for (int v = 0; v < 5; ++v) {
        Lanes first;
        lane_arc_tangent(Lanes{ys[v], 0.0, 0.0, 0.0}, Lanes{xs[v], 1.0, 1.0, 1.0}, first);
        const double alone = first[0];
        for (int lane = 0; lane < 4; ++lane) {
            Lanes y, x;
            for (int j = 0; j < 4; ++j) y[j] = ys[(v + j + 1) % 5], x[j] = xs[(v + j + 1) % 5];
            y[lane] = ys[v], x[lane] = xs[v];
            Lanes angle;
            lane_arc_tangent(y, x, angle);
            EXPECT_EQ(std::bit_cast<std::uint64_t>(angle[lane]), std::bit_cast<std::uint64_t>(alone));
        }
    }
}

}  // namespace
}  // namespace orvane
