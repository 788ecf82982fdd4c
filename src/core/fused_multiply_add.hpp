#pragma once

// Marks a function to be compiled twice, for the baseline x86-64 and for
// processors with AVX2 and FMA (x86-64-v3), the loader picking the second
// where the processor has it. Without FMA in the instruction set every
// std::fma is a call into the C library; with it, one instruction. The two
// copies give the same bits: std::fma rounds once in both, the build never
// fuses a product and a sum on its own (-ffp-contract=off), and vector code
// keeps each lane's operations in their written order. Elsewhere (other
// processors and compilers, or built with ORVANE_NO_FMA_CLONES defined) the
// function is compiled once.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && defined(__linux__) && !defined(ORVANE_NO_FMA_CLONES)
#define ORVANE_FMA_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define ORVANE_FMA_CLONES
#endif
