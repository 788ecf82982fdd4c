// The Hipparcos catalogue reader and the stars' space motion.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/constants.hpp"
#include "core/stars/catalogue_star.hpp"
#include "core/stars/hipparcos_catalogue.hpp"

using namespace orvane;

namespace {

// Two lines of hip2.dat as the catalogue gives them (Spica, HIP 65474, and
// HIP 1), in the wrong order.
const std::string SPICA =
    " 65474   7 0 1  3.5133190262 -0.1948004728   13.06   -42.35   -30.67   0.59   0.38   0.70   0.62   0.37  92 "
    "27.38  0    0.0  782  0.8891 0.0022 0.014 1 -0.235 0.008 -0.250   1.20   5.15   1.10   1.72  -0.76   1.06  "
    "-0.70  -0.74  -0.93   1.22  -1.53  -3.43  -0.56   6.48   1.00";
const std::string HIP1 =
    "     1   5 0 1  0.0000159148  0.0190068680    4.55    -4.55    -1.19   1.29   0.66   1.33   1.25   0.75  90  "
    "0.91  0    0.0    0  9.2043 0.0020 0.017 0  0.482 0.025  0.550   1.19  -0.71   1.00  -0.02   0.02   1.00   0.45  "
    "-0.05   0.03   1.09  -0.41   0.09   0.08  -0.60   1.00";

std::string replaced(std::string line, const std::string& from, const std::string& to) {
    return line.replace(line.find(from), from.size(), to);
}

}  // namespace

TEST(HipparcosCatalogue, ReadsRowsInHipOrder) {
    auto catalogue = HipparcosCatalogue::parse(SPICA + "\r\n\n" + HIP1 + "\n");
    ASSERT_TRUE(catalogue) << catalogue.error();
    ASSERT_EQ(catalogue->stars().size(), 2u);
    EXPECT_EQ(catalogue->stars()[0].hip, 1);
    const HipparcosStar* spica = catalogue->find(65474);
    ASSERT_NE(spica, nullptr);
    EXPECT_DOUBLE_EQ(spica->astrometry.right_ascension_rad, 3.5133190262);
    EXPECT_DOUBLE_EQ(spica->astrometry.declination_rad, -0.1948004728);
    EXPECT_DOUBLE_EQ(spica->astrometry.parallax_mas, 13.06);
    EXPECT_DOUBLE_EQ(spica->astrometry.proper_motion_ra_cos_dec_mas_per_year, -42.35);
    EXPECT_DOUBLE_EQ(spica->astrometry.proper_motion_dec_mas_per_year, -30.67);
    EXPECT_DOUBLE_EQ(spica->astrometry.epoch_julian_day, 2448349.0625);
    EXPECT_DOUBLE_EQ(spica->hp_magnitude, 0.8891);
    EXPECT_DOUBLE_EQ(spica->b_minus_v, -0.235);
    EXPECT_DOUBLE_EQ(spica->v_minus_i, -0.250);
    EXPECT_EQ(catalogue->find(2), nullptr);
}

TEST(HipparcosCatalogue, RefusesMalformedTextNamingTheLine) {
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {HIP1 + "\n" + SPICA.substr(0, 60), "Hipparcos catalogue line 2: too few fields"},
        {replaced(SPICA, "13.06", "13.0x"), "Hipparcos catalogue line 1: a field is not a finite number"},
        {replaced(SPICA, "13.06", "  nan"), "Hipparcos catalogue line 1: a field is not a finite number"},
        {replaced(SPICA, "13.06", "1e999"), "Hipparcos catalogue line 1: a field is not a finite number"},
        {replaced(SPICA, " 65474", "  -474"), "Hipparcos catalogue line 1: HIP number out of range"},
        {replaced(SPICA, " 65474", "6547.5"), "Hipparcos catalogue line 1: HIP number out of range"},
        {replaced(SPICA, "3.5133190262", "7.5133190262"), "Hipparcos catalogue line 1: position out of range"},
        {replaced(SPICA, "-0.1948004728", "-1.9948004728"), "Hipparcos catalogue line 1: position out of range"},
        {SPICA + "\n" + SPICA, "Hipparcos catalogue: HIP 65474 is given twice"},
    };
    for (const Case& c : cases) {
        auto catalogue = HipparcosCatalogue::parse(c.text);
        ASSERT_FALSE(catalogue) << c.message;
        EXPECT_EQ(catalogue.error(), c.message);
    }
    auto empty = HipparcosCatalogue::parse("");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->stars().empty());
}

// A star moves along its proper motion at its distance; a parallax that is
// not positive keeps the proper motion with the smallest parallax.
TEST(CatalogueStar, SpaceMotionKeepsTheProperMotion) {
    const double mas = M_PI / 180.0 / 3600e3;
    for (double parallax : {13.06, 0.0, -2.5}) {
        const CatalogueStar star{1.0, 0.5, HIPPARCOS_EPOCH_JULIAN_DAY, 1000.0, -500.0, parallax};
        const CartesianState at_epoch = catalogue_star_state(star, HIPPARCOS_EPOCH_JULIAN_DAY);
        const CartesianState later = catalogue_star_state(star, HIPPARCOS_EPOCH_JULIAN_DAY + 365.25 * 100.0);
        ASSERT_TRUE(std::isfinite(later.position[0]));
        const double r = std::hypot(later.position[0], later.position[1], later.position[2]);
        const double ra = std::atan2(later.position[1], later.position[0]);
        const double dec = std::asin(later.position[2] / r);
        // 100 years: 100 arcsec east (on the sky) and 50 arcsec south, to
        // the second order of the displacement.
        EXPECT_NEAR((ra - 1.0) * std::cos(0.5) / mas, 100000.0, 100.0) << parallax;
        EXPECT_NEAR((dec - 0.5) / mas, -50000.0, 100.0) << parallax;
        const double r0 = std::hypot(at_epoch.position[0], at_epoch.position[1], at_epoch.position[2]);
        const double expected_parallax = parallax > 0.0 ? parallax : MINIMUM_PARALLAX_MAS;
        EXPECT_NEAR(AU_KM / r0 / mas, expected_parallax, 1e-9 * expected_parallax);
    }
}
