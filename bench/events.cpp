// Event searches on DE421 with both time kernels: microseconds per call.
//
//   events DE421_PATH LEAP_SECONDS_PATH EOP_C04_PATH
//
// Seasons and lunations from TT queries spread over 1950-2050 (and UTC
// queries over 1973-2025, which need the leap-second kernel), rise/set/transit
// and next-event searches for the Sun and the Moon at a middle latitude over
// 2021, and for scale the single position requests the searches are made of.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/position_options.hpp"
#include "engine/engine.hpp"
#include "engine/horizon_events.hpp"
#include "engine/seasons_lunations.hpp"

namespace {

using Clock = std::chrono::steady_clock;
using namespace orvane;

constexpr int REPEATS = 5;
double checksum = 0.0;  // keeps the results alive

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Calls `call` once per query, REPEATS times; prints the median per call.
bool measure(const char* label, const std::vector<double>& queries,
             const std::function<std::expected<double, OrvaneError>(double)>& call) {
    std::vector<double> times;
    for (int r = 0; r < REPEATS; ++r) {
        const Clock::time_point start = Clock::now();
        for (double query : queries) {
            auto result = call(query);
            if (!result) {
                std::printf("%s: %s\n", label, result.error().message().c_str());
                return false;
            }
            checksum += *result;
        }
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::printf("%-48s %10.1f us per call (median of %d runs of %zu)\n", label,
                median(times) / queries.size() * 1e6, REPEATS, queries.size());
    return true;
}

std::vector<double> spread(double start, double end, std::size_t count) {
    std::vector<double> out;
    for (std::size_t i = 0; i < count; ++i) out.push_back(start + (end - start) * i / count);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s DE421_PATH LEAP_SECONDS_PATH EOP_C04_PATH\n", argv[0]);
        return 2;
    }
    const std::string sha256(64, '0');
    auto opened = SpkOrvane::open(argv[1], sha256);
    auto leap = LeapSecondKernel::open(argv[2], sha256);
    auto table = EarthOrientationTable::open(argv[3], sha256);
    if (!opened || !leap || !table) {
        std::fprintf(stderr, "could not open the kernels\n");
        return 1;
    }
    const SpkOrvane engine = SpkOrvane::with_time_kernels(std::move(*opened), std::move(*leap), std::move(*table));

    const auto century = spread(2433282.5, 2469807.5, 400);  // 1950-2050
    const auto modern = spread(2441683.5, 2460676.5, 200);   // 1973-2025
    const auto year = spread(2459215.5, 2459580.5, 200);     // 2021
    const GeodeticObserver denver{-104.9903, 39.7392, 1609.0};
    const double sun_altitude = SUN_UPPER_LIMB_ALTITUDE_DEG, moon_altitude = MEAN_REFRACTION_ALTITUDE_DEG;

    auto time_of = [](auto result) -> std::expected<double, OrvaneError> {
        if (!result) return std::unexpected(result.error());
        return result->julian_day;
    };
    bool ok = true;
    ok &= measure("next_sun_longitude (TT query)", century, [&](double day) {
        return time_of(next_sun_longitude(engine, Instant{day, TimeScale::Tt}, 90.0));
    });
    ok &= measure("next_sun_longitude (UTC query)", modern, [&](double day) {
        return time_of(next_sun_longitude(engine, Instant{day, TimeScale::Utc}, 0.0));
    });
    ok &= measure("next_sun_moon_elongation (TT query)", century, [&](double day) {
        return time_of(next_sun_moon_elongation(engine, Instant{day, TimeScale::Tt}, 0.0));
    });
    ok &= measure("next_sun_moon_elongation (UTC query)", modern, [&](double day) {
        return time_of(next_sun_moon_elongation(engine, Instant{day, TimeScale::Utc}, 180.0));
    });
    for (Body body : {Body::Sun, Body::Moon}) {
        const double altitude = body == Body::Sun ? sun_altitude : moon_altitude;
        const std::string body_name(name(body));
        ok &= measure(("rise_set_transit " + body_name + " (UTC query)").c_str(), year, [&](double day) {
            auto found = rise_set_transit(engine, body, denver, Instant{day, TimeScale::Utc}, altitude);
            if (!found) return std::expected<double, OrvaneError>(std::unexpected(found.error()));
            return std::expected<double, OrvaneError>(found->transit_ut1_julian_day);
        });
        for (HorizonEventKind kind : {HorizonEventKind::Rise, HorizonEventKind::Transit}) {
            const std::string label = "next_horizon_event " + body_name + " " + std::string(name(kind));
            ok &= measure(label.c_str(), year, [&](double day) {
                auto found = next_horizon_event(engine, body, denver, Instant{day, TimeScale::Utc}, kind, altitude);
                if (!found) return std::expected<double, OrvaneError>(std::unexpected(found.error()));
                return std::expected<double, OrvaneError>(found->ut1_julian_day);
            });
        }
    }

    // The position requests the searches repeat.
    PositionOptions ecliptic;
    ecliptic.origin.kind = OriginKind::Geocentric;
    ecliptic.reference_epoch = ReferenceEpoch::OfDate;
    ecliptic.apparent = true;
    PositionOptions horizon = ecliptic;
    horizon.origin = Origin{OriginKind::Topocentric, denver};
    horizon.coordinate_system = CoordinateSystem::Equatorial;
    ok &= measure("position Moon, geocentric apparent ecliptic (TT)", century, [&](double day) {
        auto p = engine.position(Body::Moon, Instant{day, TimeScale::Tt}, ecliptic);
        if (!p) return std::expected<double, OrvaneError>(std::unexpected(p.error()));
        return std::expected<double, OrvaneError>(p->longitude_deg);
    });
    ok &= measure("position Moon, topocentric apparent equator (UT1)", year, [&](double day) {
        auto p = engine.position(Body::Moon, Instant{day, TimeScale::Ut1}, horizon);
        if (!p) return std::expected<double, OrvaneError>(std::unexpected(p.error()));
        return std::expected<double, OrvaneError>(p->longitude_deg);
    });
    std::printf("(checksum %g)\n", checksum);
    return ok ? 0 : 1;
}
