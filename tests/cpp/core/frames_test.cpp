#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/constants.hpp"
#include "core/errors.hpp"
#include "core/frames/j2000_ecliptic.hpp"
#include "core/frames/nutation.hpp"
#include "core/frames/of_date_rotation.hpp"
#include "core/frames/spherical.hpp"
#include "core/lane_sine_cosine.hpp"
#include "core/reference_table.hpp"

namespace orvane {
namespace {

using testing::ReferenceTable;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

CartesianState unit_state(int axis) {
    CartesianState state;
    state.position[axis] = 1.0;
    state.velocity[axis] = 1.0;
    return state;
}

TEST(Nutation, MatchesErfaNut00bFrom1800To2200) {
    ReferenceTable table("frames_nutation.csv");
    ASSERT_GT(table.size(), 100u);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const double tt = table.number(i, "tt_jd");
        const Nutation n = nutation_iau2000b(tt);
        EXPECT_NEAR(n.longitude_rad, table.number(i, "dpsi_rad"), 1e-14) << "TT " << tt;
        EXPECT_NEAR(n.obliquity_rad, table.number(i, "deps_rad"), 1e-14) << "TT " << tt;
    }
}

// The rates are the derivatives of the values: a central difference over
// ±0.001 day holds them to 2e-13 rad/day (about 1e-6 of the largest rate),
// each term's rate coming from its sine and cosine columns.
TEST(NutationIau2000b, RatesAreTheDerivativesOfTheValues) {
    constexpr double H = 0.001;
    for (double tt = 2287184.5; tt < 2688976.5; tt += 7919.37) {
        const Nutation n = nutation_iau2000b(tt), before = nutation_iau2000b(tt - H), after = nutation_iau2000b(tt + H);
        EXPECT_NEAR(n.longitude_rate_rad_per_day, (after.longitude_rad - before.longitude_rad) / (2 * H), 2e-13)
            << "TT " << tt;
        EXPECT_NEAR(n.obliquity_rate_rad_per_day, (after.obliquity_rad - before.obliquity_rad) / (2 * H), 2e-13)
            << "TT " << tt;
    }
}

// Four instants a vector give, lane by lane, the bits of one instant a call,
// whichever lane an instant takes and however many lanes are filled.
TEST(NutationIau2000b, LanesGiveTheBitsOfOneInstantACall) {
    for (double start = 2287184.5; start < 2688976.5; start += 1013.377) {
        double days[NUTATION_LANES];
        for (std::size_t j = 0; j < NUTATION_LANES; ++j) days[j] = start + 0.731 * static_cast<double>(j * j);
        for (std::size_t count = 1; count <= NUTATION_LANES; ++count) {
            Nutation lanes[NUTATION_LANES];
            nutation_iau2000b_lanes(days, count, lanes);
            for (std::size_t j = 0; j < count; ++j) {
                const Nutation one = nutation_iau2000b(days[j]);
                using Bits = std::array<std::uint64_t, 4>;
                EXPECT_EQ(std::bit_cast<Bits>(one), std::bit_cast<Bits>(lanes[j]))
                    << "TT " << days[j] << " in lane " << j << " of " << count;
            }
        }
    }
    Nutation lanes[2];
    const double days[2] = {NaN, 2451545.0};
    nutation_iau2000b_lanes(days, 2, lanes);
    EXPECT_TRUE(std::isnan(lanes[0].longitude_rad) && std::isnan(lanes[0].obliquity_rate_rad_per_day));
    EXPECT_EQ(lanes[1].longitude_rad, nutation_iau2000b(2451545.0).longitude_rad);
}

// The angles alone are the bits of the angles with their rates, so cusps and
// positions at one instant see the same nutation.
TEST(NutationIau2000b, AnglesAloneGiveTheBitsOfTheAnglesWithRates) {
    for (double day = 2287184.5; day < 2688976.5; day += 97.913) {
        const Nutation with_rates = nutation_iau2000b(day), angles = nutation_iau2000b_angles(day);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(with_rates.longitude_rad), std::bit_cast<std::uint64_t>(angles.longitude_rad))
            << "TT " << day;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(with_rates.obliquity_rad), std::bit_cast<std::uint64_t>(angles.obliquity_rad))
            << "TT " << day;
        EXPECT_EQ(angles.longitude_rate_rad_per_day, 0.0);
        EXPECT_EQ(angles.obliquity_rate_rad_per_day, 0.0);
    }
    EXPECT_TRUE(std::isnan(nutation_iau2000b_angles(NaN).longitude_rad));
}

// Within two ulps of the libm's over the fundamental arguments' range and
// beyond, the quadrants' signs and exchanges included; NaN for non-finite
// values, in its lane only.
TEST(LaneSineCosine, AgreesWithTheLibraryAndKeepsLanesApart) {
    using Lanes = double __attribute__((vector_size(4 * sizeof(double))));
    using Mask = std::int64_t __attribute__((vector_size(4 * sizeof(double))));
    for (double x = -13.0; x < 13.0; x += 0.0017) {
        Lanes s, c;
        lane_sine_cosine<Lanes, Mask>(Lanes{x, -x, x * 1e-7, x + 0.5}, s, c);
        const double values[4] = {x, -x, x * 1e-7, x + 0.5};
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(s[j], std::sin(values[j]), 2.3e-16) << values[j];
            EXPECT_NEAR(c[j], std::cos(values[j]), 2.3e-16) << values[j];
        }
        EXPECT_NEAR(s[2], std::sin(values[2]), 1e-16 * std::fabs(values[2]) + 1e-300);
    }
    Lanes s, c;
    lane_sine_cosine<Lanes, Mask>(Lanes{NaN, std::numeric_limits<double>::infinity(), 0.0, -0.0}, s, c);
    EXPECT_TRUE(std::isnan(s[0]) && std::isnan(c[0]) && std::isnan(s[1]) && std::isnan(c[1]));
    EXPECT_EQ(s[2], 0.0);
    EXPECT_EQ(c[2], 1.0);
    EXPECT_EQ(c[3], 1.0);
}

TEST(OfDateRotation, MatchesErfaPrecessionNutationMatrices) {
    ReferenceTable table("frames_rotation.csv");
    ASSERT_GT(table.size(), 100u);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const double tt = table.number(i, "tt_jd");
        const bool nutation = table.number(i, "nutation") != 0.0;
        const bool equatorial = table.number(i, "equatorial") != 0.0;
        const OfDateRotation rotation(nutation, equatorial, tt);
        // The velocity is the rate of the rotated position: the velocity turned
        // (here equal to the position) plus the axes' own turning, held against
        // a centred difference of the rotation over ±0.01 day.
        constexpr double H = 0.01;
        const OfDateRotation before(nutation, equatorial, tt - H), after(nutation, equatorial, tt + H);
        for (int column = 0; column < 3; ++column) {
            const auto rotated = rotation.apply(unit_state(column));
            ASSERT_TRUE(rotated.has_value());
            CartesianState still = unit_state(column);
            still.velocity = {0.0, 0.0, 0.0};
            const auto lo = before.apply(still), hi = after.apply(still), turned = rotation.apply(still);
            for (int row = 0; row < 3; ++row) {
                const double expected =
                    table.number(i, "m" + std::to_string(row) + std::to_string(column));
                EXPECT_NEAR(rotated->position[row], expected, 1e-14)
                    << "TT " << tt << " nutation " << nutation << " equatorial " << equatorial;
                const double turning = (hi->position[row] - lo->position[row]) / (2.0 * H * 86400.0);
                EXPECT_NEAR(turned->velocity[row], turning, 5e-17 + 1e-5 * std::fabs(turning)) << "TT " << tt;
                EXPECT_NEAR(rotated->velocity[row], rotated->position[row] + turned->velocity[row], 4e-16);
            }
        }
    }
}

TEST(OfDateRotation, InverseUndoesApplyAndRefusesNonFiniteStates) {
    const CartesianState state{{1.2e8, -7.5e7, 3.1e7}, {12.5, 29.0, -4.0}};
    for (bool equatorial : {true, false}) {
        const OfDateRotation rotation(true, equatorial, 2299160.5);
        const auto back = rotation.apply_inverse(*rotation.apply(state));
        ASSERT_TRUE(back.has_value());
        // The inverse is a fixed rotation: the axes' turning stays in the velocity.
        const auto turning = rotation.apply_inverse(*rotation.apply(CartesianState{state.position, {}}));
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(back->position[k], state.position[k], 1e-6);
            EXPECT_NEAR(back->velocity[k], state.velocity[k] + turning->velocity[k], 1e-13);
        }
    }
    CartesianState bad = state;
    bad.velocity[2] = NaN;
    const OfDateRotation rotation(false, true, J2000_JULIAN_DAY);
    EXPECT_EQ(rotation.apply(bad).error(), CoordinateError::NonFiniteState);
    EXPECT_EQ(rotation.apply_inverse(bad).error(), CoordinateError::NonFiniteState);
    EXPECT_EQ(to_j2000_ecliptic(bad).error(), CoordinateError::NonFiniteState);
}

TEST(OfDateRotation, NonFiniteDayFailsAtTheSphericalConversion) {
    const OfDateRotation rotation(true, true, NaN);
    const auto rotated = rotation.apply(CartesianState{{1.0, 2.0, 3.0}, {}});
    ASSERT_TRUE(rotated.has_value());
    EXPECT_EQ(to_spherical(*rotated).error(), CoordinateError::NonFiniteState);
}

TEST(J2000Ecliptic, IsTheRotationByTheJ2000Obliquity) {
    const double eps0 = 84381.448 * ARCSEC_TO_RAD;
    for (int axis = 0; axis < 3; ++axis) {
        const auto rotated = to_j2000_ecliptic(unit_state(axis));
        ASSERT_TRUE(rotated.has_value());
        const double expected[3][3] = {{1, 0, 0},
                                       {0, std::cos(eps0), std::sin(eps0)},
                                       {0, -std::sin(eps0), std::cos(eps0)}};
        for (int row = 0; row < 3; ++row) {
            EXPECT_NEAR(rotated->position[row], expected[row][axis], 2e-16);
            EXPECT_EQ(rotated->velocity[row], rotated->position[row]);
        }
    }
}

TEST(Spherical, MatchesErfaPv2s) {
    ReferenceTable table("frames_spherical.csv");
    ASSERT_GT(table.size(), 100u);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const CartesianState state{
            {table.number(i, "x_km"), table.number(i, "y_km"), table.number(i, "z_km")},
            {table.number(i, "vx_km_s"), table.number(i, "vy_km_s"), table.number(i, "vz_km_s")}};
        const auto s = to_spherical(state);
        ASSERT_TRUE(s.has_value());
        double lon = table.number(i, "lon_rad") * RAD_TO_DEG;
        if (lon < 0.0) lon += 360.0;
        EXPECT_NEAR(s->longitude_deg, lon, 1e-12);
        EXPECT_NEAR(s->latitude_deg, table.number(i, "lat_rad") * RAD_TO_DEG, 1e-12);
        const double distance = table.number(i, "distance_km");
        EXPECT_NEAR(s->distance_km, distance, distance * 1e-15);
        const double rate = table.number(i, "lon_rate_rad_per_s") * RAD_TO_DEG * SECONDS_PER_DAY;
        EXPECT_NEAR(s->longitude_rate_deg_per_day, rate, std::abs(rate) * 1e-12 + 1e-15);
    }
}

TEST(Spherical, LongitudesAreNeverNegativeNorAFullTurn) {
    const auto south = to_spherical(CartesianState{{0.0, -5.0, 1.0}, {}});
    EXPECT_EQ(south->longitude_deg, 270.0);
    // atan2 a hair below zero: adding 360 would round to 360 itself.
    const auto hair = to_spherical(CartesianState{{1.0, -1e-20, 0.0}, {}});
    EXPECT_GE(hair->longitude_deg, 0.0);
    EXPECT_LT(hair->longitude_deg, 360.0);
    const auto negative_zero = to_spherical(CartesianState{{1.0, -0.0, 0.0}, {}});
    EXPECT_FALSE(std::signbit(negative_zero->longitude_deg));
}

TEST(Spherical, RetrogradeMotionHasANegativeRate) {
    const auto s = to_spherical(CartesianState{{1.0e8, 0.0, 0.0}, {0.0, -10.0, 3.0}});
    EXPECT_LT(s->longitude_rate_deg_per_day, 0.0);
}

TEST(Spherical, ErrorsAtOriginOnZAxisAndForNonFiniteStates) {
    EXPECT_EQ(to_spherical(CartesianState{}).error(), CoordinateError::UndefinedAtOrigin);
    EXPECT_EQ(to_spherical(CartesianState{{0.0, 0.0, 1.0}, {}}).error(), CoordinateError::UndefinedOnZAxis);
    EXPECT_EQ(message(to_spherical(CartesianState{{0.0, 0.0, 1.0}, {}}).error()),
              "spherical longitude is undefined on the z axis");
    EXPECT_EQ(message(to_spherical(CartesianState{}).error()), "spherical position is undefined at origin");
    const auto nan_velocity = to_spherical(CartesianState{{1.0, 2.0, 3.0}, {0.0, NaN, 0.0}});
    EXPECT_EQ(message(nan_velocity.error()), "Cartesian state must be finite");
}

}  // namespace
}  // namespace orvane
