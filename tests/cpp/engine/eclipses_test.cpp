// Eclipses: the geometry at every contact found on DE421, the closest
// approach on a motion whose answer is known, and the covered fraction of
// the Sun against a count over a grid.
#include <gtest/gtest.h>

#include <cmath>

#include "core/constants.hpp"
#include "engine/eclipses/eclipse_geometry.hpp"
#include "engine/eclipses/local_solar_eclipses.hpp"
#include "engine/eclipses/lunar_eclipses.hpp"
#include "engine/eclipses/solar_eclipses.hpp"
#include "events_test_engine.hpp"

namespace orvane {
namespace {

using orvane::testing::de421_with_time_kernels;
using orvane::testing::open_de421_only;

constexpr double TENTH_ARCSEC = 0.1 * ARCSEC_TO_RAD;
constexpr double YEAR_2000 = 2451544.5, YEAR_2006 = 2451544.5 + 6 * 365.25;

double reach(const LunarShadowGeometry& g, int shadow) {
    switch (shadow) {
        case 0: return g.penumbra_radius_rad + g.moon_radius_rad;
        case 1: return g.umbra_radius_rad + g.moon_radius_rad;
        default: return g.umbra_radius_rad - g.moon_radius_rad;
    }
}

TEST(LunarEclipses, EachContactLiesOnItsShadowEdgeByBothRules) {
    const SpkOrvane& engine = de421_with_time_kernels();
    for (ShadowRule rule : {ShadowRule::Danjon, ShadowRule::Chauvenet}) {
        auto found = find_lunar_eclipses(engine, YEAR_2000, YEAR_2006, rule);
        ASSERT_TRUE(found.has_value()) << found.error().message();
        ASSERT_EQ(found->size(), 14u);
        for (const LunarEclipse& e : *found) {
            const std::pair<double, int> contacts[] = {{e.p1, 0}, {e.u1, 1}, {e.u2, 2}, {e.u3, 2}, {e.u4, 1}, {e.p4, 0}};
            for (const auto& [day, shadow] : contacts) {
                if (std::isnan(day)) continue;
                auto g = lunar_shadow_geometry(engine, day, rule);
                ASSERT_TRUE(g.has_value());
                EXPECT_NEAR(g->separation_rad, reach(*g, shadow), TENTH_ARCSEC) << e.greatest << " " << shadow;
            }
            // Greatest eclipse: no separation a second either side is smaller.
            for (double side : {-ONE_SECOND_DAYS, ONE_SECOND_DAYS}) {
                auto near = lunar_shadow_geometry(engine, e.greatest + side, rule);
                ASSERT_TRUE(near.has_value());
                EXPECT_GE(near->separation_rad, e.separation_rad);
            }
        }
    }
}

TEST(LocalSolarEclipses, EachContactLiesOnTheLimbs) {
    const SpkOrvane& engine = de421_with_time_kernels();
    const GeodeticObserver places[] = {{13.4, 52.5, 34.0}, {-87.6, 41.9, 180.0}, {151.2, -33.9, 0.0}};
    for (const GeodeticObserver& place : places) {
        auto found = find_local_solar_eclipses(engine, place, YEAR_2000, YEAR_2006);
        ASSERT_TRUE(found.has_value()) << found.error().message();
        ASSERT_FALSE(found->empty());
        for (const LocalSolarEclipse& e : *found) {
            const std::pair<double, bool> contacts[] = {{e.c1, false}, {e.c2, true}, {e.c3, true}, {e.c4, false}};
            for (const auto& [day, inner] : contacts) {
                if (std::isnan(day)) continue;
                auto d = local_discs(engine, place, day);
                ASSERT_TRUE(d.has_value());
                const double edge = inner ? std::abs(d->moon_radius_rad - d->sun_radius_rad)
                                          : d->moon_radius_rad + d->sun_radius_rad;
                EXPECT_NEAR(d->separation_rad, edge, TENTH_ARCSEC) << e.maximum;
            }
            EXPECT_LT(e.c1, e.maximum);
            EXPECT_GT(e.c4, e.maximum);
        }
    }
}

TEST(SolarEclipses, WithoutTimeKernelsTheSearchesNameThemselvesAndWhatTheyLack) {
    const SpkOrvane engine = open_de421_only();
    auto global = find_solar_eclipses(engine, YEAR_2000, YEAR_2006);
    ASSERT_FALSE(global.has_value());
    EXPECT_EQ(global.error().kind, OrvaneError::Kind::TimeConversion);
    EXPECT_TRUE(global.error().message().starts_with(
        "the solar eclipse search needs a leap-second kernel and an Earth orientation table (DUT1)"))
        << global.error().message();
    auto local = find_local_solar_eclipses(engine, {13.4, 52.5, 34.0}, YEAR_2000, YEAR_2006);
    ASSERT_FALSE(local.has_value());
    EXPECT_TRUE(local.error().message().starts_with("the local solar eclipse search needs"))
        << local.error().message();
}

TEST(EclipseGeometry, ClosestApproachOfAStraightMotion) {
    // An offset moving in a straight line: least at t0 - (w0 . v) / |v|^2.
    const Vector3 w0{0.004, -0.002, 0.0005}, v{0.01, 0.003, -0.002};
    const OffsetFunction offset = [&](double day) -> std::expected<Vector3, OrvaneError> {
        const double t = day - 2460000.0;
        return Vector3{w0[0] + v[0] * t, w0[1] + v[1] * t, w0[2] + v[2] * t};
    };
    auto least = closest_approach(offset, 2460000.2);
    ASSERT_TRUE(least.has_value());
    EXPECT_NEAR(*least, 2460000.0 - dot(w0, v) / dot(v, v), 1e-9);
}

TEST(EclipseGeometry, ObscuredFractionMatchesAGridCount) {
    // Sun radius 1; the Moon's radius and distance as given; the share of
    // the points of a fine grid on the Sun that lie inside the Moon.
    const double cases[][2] = {{1.05, 0.0}, {0.95, 0.0}, {0.95, 0.02}, {1.0, 0.5}, {1.03, 1.2}, {0.9, 1.8}, {1.0, 2.1}};
    for (const auto& [moon, apart] : cases) {
        constexpr int N = 1000;
        long inside = 0, sun = 0;
        for (int i = 0; i < N; ++i) {
            for (int j = 0; j < N; ++j) {
                const double x = -1.0 + (i + 0.5) * 2.0 / N, y = -1.0 + (j + 0.5) * 2.0 / N;
                if (x * x + y * y > 1.0) continue;
                ++sun;
                if ((x - apart) * (x - apart) + y * y < moon * moon) ++inside;
            }
        }
        EXPECT_NEAR(obscured_fraction(apart, moon, 1.0), static_cast<double>(inside) / sun, 2e-3) << moon << " " << apart;
    }
}

}  // namespace
}  // namespace orvane
