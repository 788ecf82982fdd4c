#include <chrono>
#include <cstdio>
#include "events_test_engine.hpp"
#include "spk/seasons_lunations.hpp"
#include "spk/horizon_events.hpp"
using namespace orvane;
TEST(Smoke, Run) {
    const SpkOrvane& e = orvane::testing::de421_with_time_kernels();
    auto t0 = std::chrono::steady_clock::now();
    auto r = next_sun_longitude(e, Instant{2459000.5, TimeScale::Tt}, 90.0);
    ASSERT_TRUE(r) << r.error().message();
    std::printf("solstice %.9f\n", r->julian_day);
    auto t1 = std::chrono::steady_clock::now();
    auto m = next_sun_moon_elongation(e, Instant{2459000.5, TimeScale::Tt}, 0.0);
    ASSERT_TRUE(m) << m.error().message();
    std::printf("new moon %.9f\n", m->julian_day);
    auto t2 = std::chrono::steady_clock::now();
    GeodeticObserver g{-0.0005, 51.4769, 46};
    auto h = rise_set_transit(e, Body::Sun, g, Instant{2459000.5, TimeScale::Utc}, -50.0/60);
    ASSERT_TRUE(h) << h.error().message();
    std::printf("rise %.9f transit %.9f set %.9f\n", *h->rise_ut1_julian_day, h->transit_ut1_julian_day, *h->set_ut1_julian_day);
    auto t3 = std::chrono::steady_clock::now();
    auto us = [](auto a, auto b){ return std::chrono::duration<double, std::micro>(b-a).count(); };
    std::printf("us: %f %f %f\n", us(t0,t1), us(t1,t2), us(t2,t3));
}
