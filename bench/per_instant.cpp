// The Moon's position per instant from DE421, piece by piece, beside the
// arithmetic of its records at the machine's scalar rate.
//
//   per_instant /path/to/de421.bsp
//
// 100,000 instants evenly spread over 1950-2050 (TDB), one thread, median of
// seven runs each: the barycentric states of the Moon and the Earth alone
// (301 -> 3 -> 0 and 399 -> 3 -> 0: three Type 2 records an instant, the
// Earth's chain taking the EMB link 3 -> 0 the Moon's chain just evaluated
// at the same epochs), the Earth's state with its acceleration (two records,
// the second derivative from the same pass), then the
// geometric geocentric position in the ecliptic of J2000, in the ecliptic of
// date (precession and nutation), and the apparent place of date (light time,
// aberration, deflection); then one instant a call, every tenth instant (3.7
// days apart: a new Moon record almost every call). Each row gives
// nanoseconds per instant; the first
// also the floating-point operations of its records and their time at the
// scalar rate of bench/scalar_rate.hpp. Then the pieces of the per-instant
// work alone: the IAU 2000B nutation one instant a call and four instants a
// call (the vector lanes batches use), the axes of date (precession and
// nutation) and the TDB of a TT instant, alone and four a call (the lanes
// batches use); and the apparent places of five
// bodies (Sun, Moon, Mercury, Venus, Mars) from TT instants, per instant and
// per position.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/frames/nutation.hpp"
#include "core/frames/of_date_rotation.hpp"
#include "engine/engine.hpp"
#include "engine/instant_conversion.hpp"
#include "scalar_rate.hpp"
#include "spk/center_chain.hpp"

namespace {

using orvane::SpkOrvane;
constexpr std::size_t INSTANTS = 100000;
constexpr int REPEATS = 7;
double checksum = 0.0;

template <class Work>
double median_seconds(Work&& work) {
    std::vector<double> times;
    for (int r = 0; r < REPEATS; ++r) {
        const double start = orvane::bench::thread_seconds();
        work();
        times.push_back(orvane::bench::thread_seconds() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Operations of one evaluation of a record of `target`'s first segment (as
// counted in bench/spk_states: 17 per coefficient beyond the second, 10 more).
unsigned record_flops(SpkOrvane& engine, std::int32_t target) {
    auto segments = engine.kernels[0].segment_list();
    if (!segments) return 0;
    for (const auto& segment : *segments) {
        if (segment.target != target) continue;
        auto directory = engine.kernels[0].read_words(std::int64_t{segment.end_address} - 3, 4);
        if (!directory) return 0;
        const auto n = (static_cast<std::uint32_t>((*directory)[2]) - 2) / 3;
        return 17 * (n - 2) + 10;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DE421_PATH\n", argv[0]);
        return 2;
    }
    auto opened = SpkOrvane::open(argv[1], std::string(64, '0'));
    if (!opened) {
        std::fprintf(stderr, "%s\n", opened.error().message().c_str());
        return 1;
    }
    SpkOrvane engine = std::move(*opened);
    std::vector<double> days(INSTANTS), seconds(INSTANTS);
    for (std::size_t i = 0; i < INSTANTS; ++i) {
        days[i] = 2433282.5 + 36525.0 * static_cast<double>(i) / (INSTANTS - 1);
        seconds[i] = (days[i] - 2451545.0) * 86400.0;
    }
    const double per_flop = orvane::bench::seconds_per_flop();
    std::printf("scalar rate: %.3f ns per dependent fused multiply-add (%.2f Gflop/s); independent ones: %.2f "
                "Gflop/s\n", 2e9 * per_flop, 1e-9 / per_flop, 1e-9 / orvane::bench::seconds_per_flop_independent());

    // Each run at epochs other than the run before's (a second apart), so
    // that no segment serves a run from what it found for the last.
    std::vector<double> later(seconds);
    for (double& epoch : later) epoch += 1.0;
    int run = 0;
    auto next_epochs = [&]() -> const std::vector<double>& { return ++run % 2 ? later : seconds; };
    std::vector<orvane::StateVector> moon(INSTANTS), earth(INSTANTS);
    bool ok = true;
    const double records = median_seconds([&] {
        const std::vector<double>& epochs = next_epochs();
        ok = ok && orvane::barycentric_states_into(engine.kernels, 301, epochs, moon).has_value() &&
             orvane::barycentric_states_into(engine.kernels, 399, epochs, earth).has_value();
        checksum += moon.back().position[0] - earth.back().position[0];
    }) / INSTANTS;
    const unsigned flops = record_flops(engine, 3) + record_flops(engine, 301) + record_flops(engine, 399);
    std::printf("%-46s %8.1f ns per instant; %u operations, %.1f ns at the scalar rate: %.2fx\n",
                "Moon and Earth barycentric states (3 records)", records * 1e9, flops, flops * per_flop * 1e9,
                records / (flops * per_flop));
    {
        std::vector<orvane::Vector3> accelerations(INSTANTS);
        const double each = median_seconds([&] {
            ok = ok &&
                 orvane::barycentric_states_into(engine.kernels, 399, next_epochs(), earth, accelerations).has_value();
            checksum += accelerations.back()[0];
        }) / INSTANTS;
        std::printf("%-46s %8.1f ns per instant\n", "Earth state and acceleration (2 records)", each * 1e9);
    }

    auto row = [&](const char* label, orvane::PositionOptions options) {
        std::vector<double> out(4 * INSTANTS);
        const std::int32_t moon_code = 301;
        const double each = median_seconds([&] {
            ok = ok && engine.positions_into(std::span<const std::int32_t>(&moon_code, 1),
                                             orvane::InstantList(days, orvane::TimeScale::Tdb), options, out)
                           .has_value();
            checksum += out.back();
        }) / INSTANTS;
        std::printf("%-46s %8.1f ns per instant (%.1f ns beyond the records)\n", label, each * 1e9,
                    (each - records) * 1e9);
    };
    orvane::PositionOptions of_date;
    of_date.reference_epoch = orvane::ReferenceEpoch::OfDate;
    of_date.true_ecliptic = true;
    of_date.corrections.precession = of_date.corrections.nutation = true;
    orvane::PositionOptions apparent;
    apparent.reference_epoch = orvane::ReferenceEpoch::OfDate;
    apparent.apparent = true;
    row("Moon geometric, ecliptic of J2000", orvane::PositionOptions{});
    row("Moon geometric, ecliptic of date", of_date);
    row("Moon apparent, ecliptic of date", apparent);
    // One instant a call, as Engine.position makes it: the fixed cost of a
    // request and of reading its records, beside the per-instant rows above.
    auto single = [&](const char* label, orvane::PositionOptions options) {
        const double each = median_seconds([&] {
            for (std::size_t i = 0; i < INSTANTS; i += 10) {
                auto p = engine.position(301, orvane::Instant{days[i], orvane::TimeScale::Tdb}, options);
                ok = ok && p.has_value();
                if (p) checksum += p->longitude_deg;
            }
        }) / (INSTANTS / 10);
        std::printf("%-46s %8.1f ns per call\n", label, each * 1e9);
    };
    single("one position a call, geometric J2000", orvane::PositionOptions{});
    single("one position a call, apparent of date", apparent);

    // The per-instant pieces alone, at the same instants (as TT days).
    auto piece = [&](const char* label, auto&& work) {
        const double each = median_seconds([&] { work(); }) / INSTANTS;
        std::printf("%-46s %8.1f ns per instant\n", label, each * 1e9);
    };
    piece("nutation IAU 2000B, one instant a call", [&] {
        for (double day : days) checksum += orvane::nutation_iau2000b(day).longitude_rad;
    });
    piece("nutation IAU 2000B, four instants a call", [&] {
        orvane::Nutation lanes[orvane::NUTATION_LANES];
        for (std::size_t i = 0; i + orvane::NUTATION_LANES <= INSTANTS; i += orvane::NUTATION_LANES) {
            orvane::nutation_iau2000b_lanes(&days[i], orvane::NUTATION_LANES, lanes);
            checksum += lanes[0].longitude_rad;
        }
    });
    piece("axes of date (precession, nutation)", [&] {
        for (double day : days) checksum += orvane::OfDateRotation(true, false, day).sin_psi;
    });
    piece("TDB from TT, one instant a call", [&] {
        for (double day : days) {
            auto seconds = orvane::tdb_seconds(engine, orvane::TimeScale::Tt, day);
            ok = ok && seconds.has_value();
            if (seconds) checksum += *seconds;
        }
    });
    piece("TDB from TT, four instants a call", [&] {
        std::expected<double, orvane::OrvaneError> seconds[orvane::TDB_TT_LANES];
        orvane::Instant instants[orvane::TDB_TT_LANES];
        for (std::size_t i = 0; i + orvane::TDB_TT_LANES <= INSTANTS; i += orvane::TDB_TT_LANES) {
            for (std::size_t k = 0; k < orvane::TDB_TT_LANES; ++k) instants[k] = {days[i + k], orvane::TimeScale::Tt};
            orvane::tdb_seconds_lanes(engine, instants, orvane::TDB_TT_LANES, seconds);
            ok = ok && seconds[0].has_value();
            if (seconds[0]) checksum += *seconds[0];
        }
    });
    {
        const std::int32_t five[] = {10, 301, 199, 299, 4};
        std::vector<double> out(4 * 5 * INSTANTS);
        const double each = median_seconds([&] {
            ok = ok && engine.positions_into(five, orvane::InstantList(days, orvane::TimeScale::Tt), apparent, out)
                           .has_value();
            checksum += out.back();
        }) / INSTANTS;
        std::printf("%-46s %8.1f ns per instant, %.1f ns per position\n", "five bodies apparent, ecliptic of date",
                    each * 1e9, each * 1e9 / 5);
    }
    std::printf("checksum %.6g\n", checksum);
    return ok ? 0 : 1;
}
