#pragma once
#include <cmath>
#include <cstddef>

// The correctly rounded square root of each lane of a vector of doubles (or
// of one double): IEEE 754 rounds a root exactly as std::sqrt does, whatever
// the instruction, so a lane's root is the scalar root's bits. Compiled
// without errno for the C library's roots (-fno-math-errno), the loop becomes
// the processor's vector root (sqrtpd, or vsqrtpd on all four lanes in an
// AVX2 copy); with errno, one root at a time. (The vectors pass by
// reference, the result too: none goes by value.)
namespace orvane {

[[gnu::always_inline]] inline void lane_square_root(const double& x, double& out) { out = std::sqrt(x); }

template <class Lanes>
[[gnu::always_inline]] inline void lane_square_root(const Lanes& x, Lanes& out) {
    Lanes root;
    for (std::size_t j = 0; j < sizeof(Lanes) / sizeof(double); ++j) root[j] = std::sqrt(x[j]);
    out = root;
}

}  // namespace orvane
