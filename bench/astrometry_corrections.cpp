// The cost of the full IAU models beside the ones the positions use by
// default: nanoseconds per call, the median of seven passes over 100,000
// instants spread over 1550-2650.
//
//   astrometry_corrections
//
// Rows: the 2000B nutation (77 terms), the 2000A nutation (1,365 terms) and
// its 2006 adjustment; first-order aberration and the relativistic one (ERFA
// ab); the Sun's deflection and the deflection by one body (ERFA ld).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "core/frames/nutation.hpp"
#include "engine/body_deflection.hpp"
#include "engine/corrections.hpp"
#include "engine/relativistic_aberration.hpp"

namespace {

using Clock = std::chrono::steady_clock;
using namespace orvane;

constexpr int REPEATS = 7;
constexpr int INSTANTS = 100000;
double checksum = 0.0;  // keeps the results alive

double per_call(const std::function<double(double)>& call) {
    std::vector<double> times;
    for (int r = 0; r < REPEATS; ++r) {
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < INSTANTS; ++i) checksum += call(2287184.5 + i * (401792.0 / INSTANTS));
        times.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count() / INSTANTS);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

CartesianState target(double tt) { return {{1.2e8 + tt * 1e-3, -0.7e8, 0.3e8}, {12.0, 25.0, -8.0}}; }

}  // namespace

int main() {
    const CartesianState observer{{1.0e8, -0.5e8, 0.2e8}, {10.0, 20.0, 9.0}};
    const CartesianState sun{{1e5, 2e5, 3e4}, {0.01, 0.01, 0.0}};
    const CartesianState from_sun{{observer.position[0] - sun.position[0], observer.position[1] - sun.position[1],
                                   observer.position[2] - sun.position[2]},
                                  observer.velocity};
    const Vector3 acceleration{4e-6, 3e-6, -1e-6};
    const std::pair<const char*, std::function<double(double)>> rows[] = {
        {"nutation IAU 2000B", [](double tt) { return nutation_iau2000b(tt).longitude_rad; }},
        {"nutation IAU 2000A", [](double tt) { return nutation_iau2000a(tt).longitude_rad; }},
        {"nutation IAU 2006/2000A", [](double tt) { return nutation_iau2006a(tt).longitude_rad; }},
        {"aberration, first order",
         [&](double tt) { return apply_stellar_aberration(target(tt), observer.velocity, acceleration).position[0]; }},
        {"aberration, relativistic (ab)",
         [&](double tt) {
             return apply_relativistic_aberration(target(tt), observer.velocity, acceleration, from_sun).position[0];
         }},
        {"deflection by the Sun",
         [&](double tt) { return apply_solar_gravitational_deflection(target(tt), observer, sun).position[0]; }},
        {"deflection by one body (ld)",
         [&](double tt) { return apply_body_deflection(target(tt), observer, sun, 1.0, 1e-6).position[0]; }},
    };
    std::printf("%-32s %12s\n", "", "ns per call");
    for (const auto& [name, call] : rows) std::printf("%-32s %12.1f\n", name, per_call(call));
    std::printf("(checksum %g)\n", checksum);
}
