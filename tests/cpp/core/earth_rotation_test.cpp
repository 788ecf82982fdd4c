#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/constants.hpp"
#include "core/frames/earth_rotation.hpp"
#include "core/frames/nutation.hpp"
#include "core/observer/observer.hpp"
#include "core/reference_table.hpp"

namespace orvane {
namespace {

using testing::angle_difference;
using testing::ReferenceTable;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double MILLIARCSECOND_RAD = 1e-3 * ARCSEC_TO_RAD;

double norm(const std::array<double, 3>& v) { return std::hypot(v[0], v[1], v[2]); }

TEST(EarthRotation, AngleAndSiderealTimesMatchErfa) {
    ReferenceTable table("frames_sidereal_time.csv");
    ASSERT_GT(table.size(), 100u);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const double ut1 = table.number(i, "ut1_jd");
        const double tt = table.number(i, "tt_jd");
        const double era = earth_rotation_angle(ut1);
        const double gmst = greenwich_mean_sidereal_time_iau2006(ut1, tt);
        const double gast = greenwich_apparent_sidereal_time_iau2006(ut1, tt, nutation_iau2000b(tt));
        EXPECT_NEAR(angle_difference(era, table.number(i, "era_rad"), TWO_PI), 0.0, 1e-12) << "UT1 " << ut1;
        EXPECT_NEAR(angle_difference(gmst, table.number(i, "gmst_rad"), TWO_PI), 0.0, 1e-12) << "UT1 " << ut1;
        EXPECT_NEAR(angle_difference(gast, table.number(i, "gast_rad"), TWO_PI), 0.0, MILLIARCSECOND_RAD)
            << "UT1 " << ut1;
        for (double angle : {era, gmst, gast}) {
            EXPECT_GE(angle, 0.0);
            EXPECT_LT(angle, TWO_PI);
        }
        const double last = local_apparent_sidereal_time_iau2006(-1.3, ut1, tt);
        EXPECT_NEAR(angle_difference(last, gast - 1.3, TWO_PI), 0.0, 1e-12);
    }
}

TEST(EarthRotation, LocalSiderealTimeStaysInRangeForWestLongitudesNearZero) {
    for (double ut1 = 2451000.1; ut1 < 2452000.0; ut1 += 37.3) {
        const double tt = ut1 + 0.0007;
        const double gast = greenwich_apparent_sidereal_time_iau2006(ut1, tt, nutation_iau2000b(tt));
        for (double offset : {-1e-17, 0.0, 1e-17, -1e-12, 1e-12}) {
            const double last = local_apparent_sidereal_time_iau2006(-gast + offset, ut1, tt);
            EXPECT_GE(last, 0.0);
            EXPECT_LT(last, TWO_PI);
        }
    }
    EXPECT_TRUE(std::isnan(local_apparent_sidereal_time_iau2006(0.0, NaN, J2000_JULIAN_DAY)));
}

// The angle without the remainder loop is, bit for bit, the one whose day
// fraction and whole turns come off by std::fmod, before 4713 BC (negative
// days) included; NaN and infinities give NaN.
TEST(EarthRotation, AngleIsTheBitsOfTheRemainderByFmod) {
    auto by_fmod = [](double ut1) {
        double fraction = std::fmod(ut1, 1.0);
        if (fraction < 0.0) fraction += 1.0;
        const double days = ut1 - J2000_JULIAN_DAY;
        double r = std::fmod(TWO_PI * (0.779057273264 + fraction + ERA_RATE_BEYOND_ONE_TURN_PER_UT1_DAY * days), TWO_PI);
        if (r < 0.0) r += TWO_PI;
        if (r >= TWO_PI) r = 0.0;
        return r + 0.0;
    };
    for (double ut1 = -2.0e6 + 0.123; ut1 < 6.0e6; ut1 += 1234.5678) {
        for (double offset : {0.0, 1e-9, 0.25, 0.5, 0.999999}) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(earth_rotation_angle(ut1 + offset)),
                      std::bit_cast<std::uint64_t>(by_fmod(ut1 + offset)))
                << "UT1 " << ut1 + offset;
        }
    }
    for (double ut1 : {0.0, -0.0, -1e-300, 0.5, -0.5, 2451545.0, -1.0, 1e15})
        EXPECT_EQ(std::bit_cast<std::uint64_t>(earth_rotation_angle(ut1)), std::bit_cast<std::uint64_t>(by_fmod(ut1)))
            << "UT1 " << ut1;
    for (double ut1 : {NaN, std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()})
        EXPECT_TRUE(std::isnan(earth_rotation_angle(ut1)));
}

TEST(Observer, GcrsStateMatchesTheErfaChain) {
    ReferenceTable table("frames_observer.csv");
    ASSERT_GT(table.size(), 100u);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const GeodeticObserver observer{table.number(i, "lon_deg"), table.number(i, "lat_deg"),
                                        table.number(i, "height_m")};
        const auto state = observer_gcrs_from_geodetic(observer, table.number(i, "ut1_jd"), table.number(i, "tt_jd"),
                                                       table.number(i, "xp_arcsec"), table.number(i, "yp_arcsec"));
        ASSERT_TRUE(state.has_value());
        const char* axes[3] = {"x", "y", "z"};
        for (int k = 0; k < 3; ++k) {
            const std::string axis = axes[k];
            EXPECT_NEAR(state->position[k], table.number(i, axis + "_km"), 1e-3) << "row " << i;
            EXPECT_NEAR(state->velocity[k], table.number(i, "v" + axis + "_km_s"), 1e-6) << "row " << i;
        }
    }
}

TEST(Observer, EquatorAndPoleGeometry) {
    const double ut1 = 2455197.5, tt = ut1 + 66.184 / SECONDS_PER_DAY;
    const auto equator = observer_gcrs_from_geodetic({0.0, 0.0, 0.0}, ut1, tt, 0.0, 0.0);
    ASSERT_TRUE(equator.has_value());
    EXPECT_NEAR(norm(equator->position), 6378.137, 1e-9);
    EXPECT_NEAR(norm(equator->velocity), 7.292115e-5 * 6378.137, 1e-12);
    for (double latitude : {90.0, -90.0}) {
        const auto pole = observer_gcrs_from_geodetic({10.0, latitude, 0.0}, ut1, tt, 0.0, 0.0);
        ASSERT_TRUE(pole.has_value());
        EXPECT_LT(norm(pole->velocity), 1e-15);
        EXPECT_NEAR(norm(pole->position), 6378.137 * std::sqrt(0.9933056199770992), 1e-9);  // polar radius
    }
}

TEST(Observer, ValidationAndNonFiniteInputs) {
    EXPECT_TRUE(GeodeticObserver({0.0, 90.0, 0.0}).validate().has_value());
    EXPECT_TRUE(GeodeticObserver({0.0, -90.0, 0.0}).validate().has_value());
    const auto too_far = GeodeticObserver({0.0, 90.000001, 0.0}).validate();
    EXPECT_EQ(message(too_far.error()), "geodetic latitude must be finite and within [-90, 90] degrees");
    EXPECT_EQ(GeodeticObserver({0.0, NaN, 0.0}).validate().error(), CoordinateError::NonFiniteState);
    EXPECT_EQ(GeodeticObserver({INFINITY, 10.0, 0.0}).validate().error(), CoordinateError::NonFiniteState);
    EXPECT_EQ(GeodeticObserver({0.0, 95.0, NaN}).validate().error(), CoordinateError::NonFiniteState);

    const GeodeticObserver good{5.0, 45.0, 100.0};
    const double jd = J2000_JULIAN_DAY;
    EXPECT_EQ(observer_gcrs_from_geodetic({5.0, -90.5, 0.0}, jd, jd, 0.0, 0.0).error(),
              CoordinateError::InvalidLatitude);
    EXPECT_EQ(observer_gcrs_from_geodetic(good, NaN, jd, 0.0, 0.0).error(), CoordinateError::NonFiniteState);
    EXPECT_EQ(observer_gcrs_from_geodetic(good, jd, INFINITY, 0.0, 0.0).error(), CoordinateError::NonFiniteState);
    EXPECT_EQ(observer_gcrs_from_geodetic(good, jd, jd, NaN, 0.0).error(), CoordinateError::NonFiniteState);
    EXPECT_EQ(observer_gcrs_from_geodetic(good, jd, jd, 0.0, NaN).error(), CoordinateError::NonFiniteState);
    EXPECT_EQ(observer_gcrs_from_geodetic(good, jd, 1e308, 0.0, 0.0).error(), CoordinateError::NonFiniteState);
}

}  // namespace
}  // namespace orvane
