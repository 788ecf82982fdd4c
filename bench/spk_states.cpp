// Barycentric states from DE421: batch throughput and single-epoch latency.
//
//   spk_states /path/to/de421.bsp
//
// Batches of 100,000 epochs evenly spread over 100 years (1950-2050 TDB), in
// time order and shuffled, for the Moon (chain 301 -> 3 -> 0), Mars (499 -> 4
// -> 0) and the Mars barycentre (4 -> 0); then one-epoch queries whose
// records are already cached, and ones that need a new record every time.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "spk/center_chain.hpp"
#include "spk/type2.hpp"
#include "engine/engine.hpp"
#include "scalar_rate.hpp"

namespace {

// The thread's CPU time: other processes on a busy machine do not count.
struct Clock {
    using time_point = double;
    static double now() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
    }
};
using orvane::SpkOrvane;

constexpr double SECONDS_PER_DAY = 86400.0;
constexpr double START = -50.0 * 365.25 * SECONDS_PER_DAY;  // 1950
constexpr double SPAN = 100.0 * 365.25 * SECONDS_PER_DAY;   // to 2050
constexpr std::size_t BATCH = 100000;
constexpr int REPEATS = 7;

double checksum = 0.0;  // keeps the results alive

double seconds_since(Clock::time_point start) { return Clock::now() - start; }

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool batch(SpkOrvane& engine, const char* label, std::int32_t target, const std::vector<double>& epochs) {
    std::vector<double> times;
    for (int r = 0; r < REPEATS; ++r) {
        Clock::time_point start = Clock::now();
        auto states = orvane::barycentric_states_across_kernels(engine.kernels, target, epochs);
        times.push_back(seconds_since(start));
        if (!states) {
            std::printf("%s: %s\n", label, states.error().message().c_str());
            return false;
        }
        checksum += states->back().position[0];
    }
    double best = *std::min_element(times.begin(), times.end());
    std::printf("%-44s %9.2f M states/s (median %.2f ms, best %.2f ms per %zu)\n", label,
                epochs.size() / median(times) / 1e6, median(times) * 1e3, best * 1e3, epochs.size());
    return true;
}

bool single(SpkOrvane& engine, const char* label, std::int32_t target, const std::vector<double>& epochs) {
    std::vector<double> times;
    for (int r = 0; r < REPEATS; ++r) {
        Clock::time_point start = Clock::now();
        for (double epoch : epochs) {
            auto state = orvane::barycentric_state_across_kernels(engine.kernels, target, epoch);
            if (!state) {
                std::printf("%s: %s\n", label, state.error().message().c_str());
                return false;
            }
            checksum += state->position[0];
        }
        times.push_back(seconds_since(start));
    }
    std::printf("%-44s %9.3f us per epoch (median of %d runs of %zu)\n", label, median(times) / epochs.size() * 1e6,
                REPEATS, epochs.size());
    return true;
}

// One Moon record already in memory, evaluated at many epochs: the cost of
// the Chebyshev arithmetic alone, beside the count of its floating-point
// operations (per coefficient beyond the second: 5 for T_k, U_(k-1) and
// T'_k = k U_(k-1), 12 for the three components' position and velocity sums).
bool record_arithmetic(SpkOrvane& engine) {
    auto segments = engine.kernels[0].segment_list();
    if (!segments) return false;
    for (const auto& segment : *segments) {
        if (segment.target != 301) continue;
        auto directory = engine.kernels[0].read_words(std::int64_t{segment.end_address} - 3, 4);
        if (!directory) return false;
        const auto rsize = static_cast<std::uint32_t>((*directory)[2]);
        auto words = engine.kernels[0].read_words(segment.start_address, rsize);
        if (!words) return false;
        const double mid = (*words)[0], radius = (*words)[1];
        const std::uint32_t n = (rsize - 2) / 3;
        constexpr int EVALUATIONS = 1'000'000;
        auto epoch_at = [&](int i) { return mid + radius * (-0.9 + 1.8 * (i % 1000) / 1000.0); };
        // As the engine evaluates a record it holds: checked when read, then
        // one epoch at a time, or two at once.
        std::vector<double> one, two;
        for (int r = 0; r < REPEATS; ++r) {
            Clock::time_point start = Clock::now();
            for (int i = 0; i < EVALUATIONS; ++i) {
                const double x = (epoch_at(i) - mid) / radius;
                checksum += orvane::type2_state(words->data(), n, x).position[0];
            }
            one.push_back(seconds_since(start));
            start = Clock::now();
            for (int i = 0; i < EVALUATIONS; i += 2) {
                orvane::StateVector a, b;
                orvane::type2_state_pair(words->data(), words->data(), n, (epoch_at(i) - mid) / radius,
                                         (epoch_at(i + 1) - mid) / radius, a, b);
                checksum += a.position[0] + b.position[0];
            }
            two.push_back(seconds_since(start));
        }
        const unsigned flops = 17 * (n - 2) + 10;
        const double limit = flops * orvane::bench::seconds_per_flop();
        std::printf("%-44s %9.1f ns per evaluation (%u coefficients, %u floating-point operations)\n",
                    "Moon 301 Type 2 record in memory", median(one) / EVALUATIONS * 1e9, n, flops);
        std::printf("%-44s %9.1f ns per evaluation\n", "the same, two epochs at once",
                    median(two) / EVALUATIONS * 1e9);
        std::printf("%-44s %9.1f ns (%.3f ns per dependent fused multiply-add): %.2fx it one at a time, "
                    "%.2fx two at once\n",
                    "its operations at the scalar rate", limit * 1e9,
                    2e9 * orvane::bench::seconds_per_flop(), median(one) / EVALUATIONS / limit,
                    median(two) / EVALUATIONS / limit);
        const double unhindered = flops * orvane::bench::seconds_per_flop_independent();
        std::printf("%-44s %9.1f ns: %.2fx it one at a time\n", "the same at the rate of independent ones",
                    unhindered * 1e9, median(one) / EVALUATIONS / unhindered);
        return true;
    }
    return false;
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
    std::printf("kernel %s\n", engine.metadata.kernel_name.c_str());

    std::vector<double> ordered(BATCH);
    for (std::size_t i = 0; i < BATCH; ++i) ordered[i] = START + SPAN * static_cast<double>(i) / (BATCH - 1);
    std::vector<double> shuffled = ordered;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937_64(421));

    bool ok = batch(engine, "Moon 301 batch, time order", 301, ordered) &&
              batch(engine, "Moon 301 batch, shuffled", 301, shuffled) &&
              batch(engine, "Mars 499 batch, time order", 499, ordered) &&
              batch(engine, "Mars 499 batch, shuffled", 499, shuffled) &&
              batch(engine, "Mars barycentre 4 batch, time order", 4, ordered) &&
              batch(engine, "Mars barycentre 4 batch, shuffled", 4, shuffled);

    // Cached: 10,000 epochs inside one 4-day Moon record (and one 16-day
    // Earth-Moon barycentre record). Not cached: consecutive epochs 4 days
    // apart, so every query loads a new Moon record, and every fourth query
    // a new barycentre record.
    std::vector<double> one_record(10000);
    double record_start = 0.0;
    for (std::size_t i = 0; i < one_record.size(); ++i) {
        one_record[i] = record_start + 4.0 * SECONDS_PER_DAY * (0.1 + 0.8 * static_cast<double>(i) / one_record.size());
    }
    std::vector<double> new_records(10000);
    for (std::size_t i = 0; i < new_records.size(); ++i) {
        new_records[i] = 2.0 * START + 4.0 * SECONDS_PER_DAY * (static_cast<double>(i) + 0.5);  // from 1900
    }
    ok = ok && single(engine, "Moon 301 single epoch, record cached", 301, one_record) &&
         single(engine, "Moon 301 single epoch, new record each", 301, new_records) &&
         single(engine, "Mars barycentre 4 single epoch, cached", 4, one_record);
    ok = ok && record_arithmetic(engine);
    std::printf("checksum %.6g\n", checksum);
    return ok ? 0 : 1;
}
