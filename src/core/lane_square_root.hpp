#pragma once
#include <cmath>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The correctly rounded square root of each lane of a vector of doubles (or
// of one double): IEEE 754 rounds a root exactly as std::sqrt does, whatever
// the instruction, so a lane's root is the scalar root's bits. On x86-64 the
// lanes go two at a time through SSE2's sqrtpd, which every x86-64 has (the
// AVX2 copy of a caller may widen it); elsewhere one lane at a time. (The
// vectors pass by reference, the result too: none goes by value.)
namespace orvane {

[[gnu::always_inline]] inline void lane_square_root(const double& x, double& out) { out = std::sqrt(x); }

template <class Lanes>
[[gnu::always_inline]] inline void lane_square_root(const Lanes& x, Lanes& out) {
    constexpr std::size_t count = sizeof(Lanes) / sizeof(double);
#if defined(__SSE2__)
    static_assert(count % 2 == 0);
    for (std::size_t j = 0; j < count; j += 2) {
        const __m128d root = _mm_sqrt_pd(_mm_set_pd(x[j + 1], x[j]));
        out[j] = _mm_cvtsd_f64(root);
        out[j + 1] = _mm_cvtsd_f64(_mm_unpackhi_pd(root, root));
    }
#else
    for (std::size_t j = 0; j < count; ++j) out[j] = std::sqrt(x[j]);
#endif
}

}  // namespace orvane
