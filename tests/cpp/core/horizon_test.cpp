#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "core/constants.hpp"
#include "core/observer/horizon.hpp"

namespace orvane {
namespace {

using Kind = HorizonCrossing::Kind;

TEST(RiseSetHourAngle, CrossingHourAngleReachesTheAltitude) {
    for (double lat = -80.0; lat <= 80.0; lat += 7.3) {
        for (double dec = -28.0; dec <= 28.0; dec += 3.1) {
            const double phi = lat * DEG_TO_RAD, delta = dec * DEG_TO_RAD, h0 = -0.8333 * DEG_TO_RAD;
            const auto outcome = rise_set_hour_angle(phi, delta, h0);
            ASSERT_TRUE(outcome.has_value());
            if (outcome->kind != Kind::Crossing) continue;
            const double altitude = std::asin(std::sin(phi) * std::sin(delta) +
                                              std::cos(phi) * std::cos(delta) * std::cos(outcome->half_arc_rad));
            EXPECT_NEAR(altitude, h0, 1e-9);
            EXPECT_GE(outcome->half_arc_rad, 0.0);
            EXPECT_LE(outcome->half_arc_rad, std::numbers::pi);
        }
    }
    EXPECT_NEAR(rise_set_hour_angle(0.0, 0.0, 0.0)->half_arc_rad, std::numbers::pi / 2.0, 1e-15);
}

TEST(RiseSetHourAngle, CircumpolarAndNeverRisingBodies) {
    const double phi = 60.0 * DEG_TO_RAD;
    EXPECT_EQ(rise_set_hour_angle(phi, 50.0 * DEG_TO_RAD, 0.0)->kind, Kind::AlwaysAbove);
    EXPECT_EQ(rise_set_hour_angle(phi, -50.0 * DEG_TO_RAD, 0.0)->kind, Kind::AlwaysBelow);
    // Body at the celestial pole: cos δ vanishes.
    EXPECT_EQ(rise_set_hour_angle(phi, std::numbers::pi / 2.0, 0.0)->kind, Kind::AlwaysAbove);
    EXPECT_EQ(rise_set_hour_angle(0.3, std::numbers::pi / 2.0, 0.5)->kind, Kind::AlwaysBelow);
    // Observer at a pole: the Sun in summer is up all day, in winter down.
    EXPECT_EQ(rise_set_hour_angle(90.0 * DEG_TO_RAD, 20.0 * DEG_TO_RAD, -0.01)->kind, Kind::AlwaysAbove);
    EXPECT_EQ(rise_set_hour_angle(90.0 * DEG_TO_RAD, -20.0 * DEG_TO_RAD, -0.01)->kind, Kind::AlwaysBelow);
}

TEST(RiseSetHourAngle, NonFiniteInputsFail) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(rise_set_hour_angle(nan, 0.0, 0.0).error(), CoordinateError::NonFiniteState);
    EXPECT_EQ(rise_set_hour_angle(0.0, INFINITY, 0.0).error(), CoordinateError::NonFiniteState);
    EXPECT_EQ(message(rise_set_hour_angle(0.0, 0.0, nan).error()), "Cartesian state must be finite");
}

}  // namespace
}  // namespace orvane
