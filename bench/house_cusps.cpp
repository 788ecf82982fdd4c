// Where one house_cusps call spends its time in C++: the nutation of the
// instant (with its rates and without), the Earth rotation angle, the
// sidereal time, a whole call for the Equal system (no iteration) and for
// Placidus, and the sines of a prepared sky and its Placidus division alone;
// nanoseconds per call, the median of seven passes over 100,000 instants 0.37
// day apart from 2000 at London's latitude.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/angles.hpp"
#include "core/constants.hpp"
#include "core/frames/earth_rotation.hpp"
#include "core/frames/nutation.hpp"
#include "core/frames/precession.hpp"
#include "core/houses/house_systems.hpp"
#include "core/houses/houses.hpp"

namespace {

constexpr int INSTANTS = 100'000;
volatile double sink = 0.0;

template <typename F>
double median_ns(F&& per_instant) {
    std::vector<double> passes;
    for (int pass = 0; pass < 7; ++pass) {
        const auto start = std::chrono::steady_clock::now();
        double sum = 0.0;
        for (int i = 0; i < INSTANTS; ++i) sum += per_instant(2451545.0 + 0.37 * i);
        const auto stop = std::chrono::steady_clock::now();
        sink = sink + sum;
        passes.push_back(std::chrono::duration<double, std::nano>(stop - start).count() / INSTANTS);
    }
    std::ranges::sort(passes);
    return passes[3];
}

}  // namespace

int main() {
    using namespace orvane;
    const GeodeticObserver london{-0.1276, 51.5072, 11.0};
    const double phi = london.latitude_deg * DEG_TO_RAD;
    auto sky_at = [&](double jd) {
        const double turns = jd * 1.0027379;
        const double ramc = TWO_PI * (turns - std::floor(turns));
        const double eps = 0.4090926;
        HouseSky sky{ramc, std::sin(ramc), std::cos(ramc), std::sin(eps), std::cos(eps), phi, std::sin(phi),
                     std::cos(phi), 0.0, 0.0};
        sky.mc = std::atan2(sky.sin_ramc, sky.cos_ramc * sky.cos_eps);
        return sky;
    };
    std::printf("%-44s %8s\n", "call", "ns");
    std::printf("%-44s %8.1f\n", "nutation IAU 2000B",
                median_ns([](double jd) { return nutation_iau2000b(jd).longitude_rad; }));
    std::printf("%-44s %8.1f\n", "nutation IAU 2000B, angles only",
                median_ns([](double jd) { return nutation_iau2000b_angles(jd).longitude_rad; }));
    std::printf("%-44s %8.1f\n", "earth rotation angle",
                median_ns([](double jd) { return earth_rotation_angle(jd); }));
    std::printf("%-44s %8.1f\n", "apparent sidereal time (nutation given)", median_ns([](double jd) {
                    return greenwich_apparent_sidereal_time_iau2006(jd, jd + 0.0008, Nutation{1e-5, 1e-5});
                }));
    std::printf("%-44s %8.1f\n", "sky of the instant (sines, no nutation)",
                median_ns([&](double jd) { return sky_at(jd).mc; }));
    std::printf("%-44s %8.1f\n", "placidus division of that sky",
                median_ns([&](double jd) { return (*placidus_cusps(sky_at(jd)))[10]; }));
    std::printf("%-44s %8.1f\n", "house_cusps equal", median_ns([&](double jd) {
                    return house_cusps(london, jd, jd + 0.0008, HouseSystem::Equal)->ascendant_deg;
                }));
    std::printf("%-44s %8.1f\n", "house_cusps placidus", median_ns([&](double jd) {
                    return house_cusps(london, jd, jd + 0.0008, HouseSystem::Placidus)->ascendant_deg;
                }));
}
