#pragma once
#include <cstdint>
#include <string>

namespace orvane {

// One decoded SPK summary. Epochs are TDB seconds past J2000; the addresses
// are one-based DAF word addresses of the segment's first and last data word.
// Both epochs finite, start_epoch <= end_epoch, 1 <= start_address <= end_address.
struct SpkSegment {
    std::string name;
    double start_epoch = 0.0;
    double end_epoch = 0.0;
    std::int32_t target = 0;
    std::int32_t center = 0;
    std::int32_t frame = 0;
    std::int32_t data_type = 0;
    std::int32_t start_address = 0;
    std::int32_t end_address = 0;
    std::uint32_t index = 0;  // place in the kernel's segment list
};

// What evaluating a selected segment needs; the frame is not carried, all
// segments being taken to be on the same axes.
struct SegmentLoc {
    double start_epoch = 0.0;
    double end_epoch = 0.0;
    std::int32_t center = 0;
    std::int32_t data_type = 0;
    std::int32_t start_address = 0;
    std::int32_t end_address = 0;
    std::uint32_t index = 0;  // place in the kernel's segment list, where its caches live
};

inline SegmentLoc segment_loc(const SpkSegment& segment) {
    return SegmentLoc{segment.start_epoch, segment.end_epoch, segment.center,
                      segment.data_type,   segment.start_address, segment.end_address,
                      segment.index};
}

}  // namespace orvane
