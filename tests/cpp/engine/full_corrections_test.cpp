#include <gtest/gtest.h>

#include <cmath>

#include "engine/full_corrections.hpp"
#include "engine/relativistic_aberration.hpp"

namespace orvane {
namespace {

double angle_between(const Vector3& a, const Vector3& b) {
    return std::atan2(std::sqrt(dot(cross(a, b), cross(a, b))), dot(a, b));
}

// An observer at the Sun's centre (heliocentric places) is still moving
// about the barycentre: its aberration has no dilation term but is there.
TEST(FullCorrections, AnObserverAtTheSunStillAberrates) {
    const CartesianState relative{{1.0e9, 2.0e8, -3.0e7}, {}};
    const Vector3 velocity{0.0, 0.012, 0.0};  // km/s, the Sun's barycentric speed
    const CartesianState apparent = apply_relativistic_aberration(relative, velocity, {}, CartesianState{});
    const double expected = 0.012 / 299792.458 * std::sin(angle_between(relative.position, {0.0, 1.0, 0.0}));
    EXPECT_NEAR(angle_between(apparent.position, relative.position), expected, 1e-3 * expected);
}

// A body deflects the light of others, not its own nor its moons', nor for
// an observer at its centre.
TEST(FullCorrections, WhoDeflectsWhom) {
    const Deflector& jupiter = FULL_MODEL_DEFLECTORS[0];
    const Deflector& sun = FULL_MODEL_DEFLECTORS[2];
    EXPECT_FALSE(deflects(jupiter, 5, 399));
    EXPECT_FALSE(deflects(jupiter, 599, 399));
    EXPECT_FALSE(deflects(jupiter, 501, 399));
    EXPECT_TRUE(deflects(jupiter, 6, 399));
    EXPECT_TRUE(deflects(jupiter, 2000001, 399));  // an asteroid numbered in the 2,000,000s
    EXPECT_FALSE(deflects(sun, SUN_CODE, 399));
    EXPECT_FALSE(deflects(sun, 599, SUN_CODE));
    EXPECT_TRUE(deflects(sun, 199, 0));
}

// Without deflection and aberration the full model is the plain difference;
// the deflections keep the length and turn the direction by less than the
// Sun's grazing 1.75 arcseconds.
TEST(FullCorrections, TurnsWithoutStretching) {
    const StateVector target{{7.0e8, 3.0e8, 1.0e8}, {10.0, -12.0, 1.0}};
    const StateVector observer{{1.4e8, -3.0e7, 1.0e6}, {6.0, 28.0, 12.0}};
    DeflectorStates bodies;
    bodies[0] = StateVector{{-6.0e8, 5.0e8, 2.0e8}, {-9.0, -8.0, -3.0}};
    bodies[1] = StateVector{{1.3e9, -4.0e8, -2.0e8}, {2.0, 8.0, 3.0}};
    bodies[2] = StateVector{{1.0e5, 2.0e5, -3.0e4}, {0.01, 0.005, 0.0}};
    const StateVector plain = full_corrected_relative_state(target, 5, 399, observer, {}, bodies, StateCorrections{});
    const StateVector difference = subtract_states(target, observer);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(plain.position[k], difference.position[k]);
    StateCorrections deflection;
    deflection.gravitational_deflection = true;
    deflection.full = true;
    const StateVector bent = full_corrected_relative_state(target, 5, 399, observer, {}, bodies, deflection);
    const double turned = angle_between(bent.position, difference.position);
    EXPECT_GT(turned, 0.0);
    EXPECT_LT(turned, 1.75 / 206264.806);
    EXPECT_NEAR(std::sqrt(dot(bent.position, bent.position)) / std::sqrt(dot(difference.position, difference.position)),
                1.0, 1e-15);
}

}  // namespace
}  // namespace orvane
