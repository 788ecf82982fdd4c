#pragma once
// The machine's scalar rate: a chain of dependent fused multiply-adds, each
// waiting for the one before, timed on the thread's CPU clock. Two
// floating-point operations per fused multiply-add; the arithmetic of a
// record or an instant set beside it gives the time it would take at that
// rate, the limit a scalar evaluation is measured against.
#include <ctime>

namespace orvane::bench {

inline double thread_seconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

__attribute__((target("fma"), noinline)) inline double dependent_fmas(double a, double b, double c, long count) {
    for (long i = 0; i < count; ++i) a = __builtin_fma(a, b, c);
    return a;
}

// Seconds per floating-point operation at the scalar rate (best of five).
inline double seconds_per_flop() {
    constexpr long COUNT = 50'000'000;
    volatile double seed = 0.999999;
    double best = 1e9, sink = 0.0;
    for (int turn = 0; turn < 5; ++turn) {
        const double start = thread_seconds();
        sink += dependent_fmas(seed, seed, 1e-9, COUNT);
        const double elapsed = thread_seconds() - start;
        if (elapsed < best) best = elapsed;
    }
    volatile double kept = sink;
    (void)kept;
    return best / (2.0 * COUNT);
}

// The same with eight independent chains: the rate when the arithmetic
// leaves the unit no waiting (a Chebyshev record's six sums come near it).
__attribute__((target("fma"), noinline)) inline double independent_fmas(double a, double b, double c, long count) {
    double x[8] = {a, a + 1e-3, a + 2e-3, a + 3e-3, a + 4e-3, a + 5e-3, a + 6e-3, a + 7e-3};
    for (long i = 0; i < count; ++i) {
        for (double& v : x) v = __builtin_fma(v, b, c);
    }
    return x[0] + x[1] + x[2] + x[3] + x[4] + x[5] + x[6] + x[7];
}

inline double seconds_per_flop_independent() {
    constexpr long COUNT = 10'000'000;
    volatile double seed = 0.999999;
    double best = 1e9, sink = 0.0;
    for (int turn = 0; turn < 5; ++turn) {
        const double start = thread_seconds();
        sink += independent_fmas(seed, seed, 1e-9, COUNT);
        const double elapsed = thread_seconds() - start;
        if (elapsed < best) best = elapsed;
    }
    volatile double kept = sink;
    (void)kept;
    return best / (16.0 * COUNT);
}

}  // namespace orvane::bench
