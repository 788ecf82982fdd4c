#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/constants.hpp"
#include "core/sidereal.hpp"

namespace orvane {
namespace {

TEST(Ayanamsha, EqualsTheReferenceOffsetAtTheReferenceEpoch) {
    EXPECT_NEAR(*ayanamsha_deg(SiderealMode::Lahiri, 2435553.5), 23.25, 1e-12);
    EXPECT_NEAR(*ayanamsha_deg(SiderealMode::FaganBradley, 2433282.42345905), 24.042044444444446, 1e-12);
}

TEST(Ayanamsha, RateIsTheDerivativeOfTheAyanamsha) {
    EXPECT_NEAR(*ayanamsha_rate_deg_per_day(J2000_JULIAN_DAY), 5028.796195 / 131490000.0, 1e-18);
    for (double jd = 2300000.5; jd < 2600000.0; jd += 17321.1) {
        const double h = 50.0;
        for (SiderealMode mode : {SiderealMode::Lahiri, SiderealMode::FaganBradley}) {
            const double slope = (*ayanamsha_deg(mode, jd + h) - *ayanamsha_deg(mode, jd - h)) / (2.0 * h);
            EXPECT_NEAR(*ayanamsha_rate_deg_per_day(jd), slope, 1e-12) << jd;
        }
    }
}

TEST(Ayanamsha, NonFiniteDaysFail) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(ayanamsha_deg(SiderealMode::Lahiri, nan).error(), CoordinateError::NonFiniteState);
    EXPECT_EQ(ayanamsha_deg(SiderealMode::FaganBradley, -INFINITY).error(), CoordinateError::NonFiniteState);
    EXPECT_EQ(message(ayanamsha_rate_deg_per_day(INFINITY).error()), "Cartesian state must be finite");
}

}  // namespace
}  // namespace orvane
