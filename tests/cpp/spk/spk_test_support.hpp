#pragma once
// Shared helpers of the SPK tests: crafted kernels in a temporary directory.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "daf_writer.hpp"
#include "spk/spk_kernel.hpp"

namespace orvane::test {

inline SegmentSpec type2_segment(std::int32_t target, std::int32_t center, double start, double end,
                                 const Type2Data& data, std::string name = "segment") {
    SegmentSpec segment;
    segment.name = std::move(name);
    segment.target = target;
    segment.center = center;
    segment.start_epoch = start;
    segment.end_epoch = end;
    segment.words = data.words();
    return segment;
}

// Opens a kernel that must open; the test fails with the error otherwise.
inline SpkKernel open_kernel(const std::string& path) {
    auto source = KernelSource::open(path);
    if (!source) throw std::runtime_error(path + ": " + source.error().text);
    auto kernel = SpkKernel::from_reader(std::move(*source));
    if (!kernel) throw std::runtime_error(path + ": " + kernel.error().message());
    return std::move(*kernel);
}

template <typename T>
std::string error_text(const T& result) {
    return result ? std::string("(no error)") : result.error().message();
}

// The segment's states at the epochs, in a vector.
inline std::expected<std::vector<StateVector>, SpkError> segment_states(SpkKernel& kernel, const SegmentLoc& segment,
                                                                        const std::vector<double>& epochs) {
    std::vector<StateVector> states(epochs.size());
    auto done = kernel.evaluate_into(segment, epochs, states);
    if (!done) return std::unexpected(std::move(done.error()));
    return states;
}

inline bool same_bits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

inline bool same_bits(const StateVector& a, const StateVector& b) {
    for (int i = 0; i < 3; ++i) {
        if (!same_bits(a.position[i], b.position[i]) || !same_bits(a.velocity[i], b.velocity[i])) return false;
    }
    return true;
}

// Tests run for both byte orders: the parameter is "big-endian".
class BothByteOrders : public ::testing::TestWithParam<bool> {
protected:
    bool big_endian() const { return GetParam(); }
    std::string write(const std::string& name, const DafImage& image) { return dir_.write(name, image); }
    std::string write(const std::string& name, const SpkFile& file) { return dir_.write(name, file.image(big_endian())); }
    TempDir dir_;
};

inline std::string byte_order_name(const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "BigEndian" : "LittleEndian";
}

}  // namespace orvane::test
