#pragma once
#include <array>
#include <cstdint>
#include <expected>
#include <limits>
#include <span>

#include "spk/epoch_table.hpp"
#include "spk/spk_error.hpp"
#include "spk/spk_segment.hpp"
#include "spk/state_vector.hpp"

// SPK data type 13: states (position and velocity) at unequally spaced epochs,
// interpolated by Hermite polynomials over a window of consecutive states.
// A segment holds N states of six words, the N epochs, the epoch directory,
// then the window size less one and N.
namespace orvane {

class SpkKernel;

inline constexpr std::int32_t SPK_TYPE_13 = 13;
// Hermite polynomials of degree 2 W - 1 up to 27.
inline constexpr std::uint32_t TYPE13_MAX_WINDOW = 14;

// The window of states an epoch is interpolated from: the states whose epochs
// surround it, centred as well as the segment's ends allow. `first_after` is
// the index of the first epoch after the requested one.
std::uint32_t type13_window_start(std::span<const double, 2> neighbours, double epoch, std::uint32_t first_after,
                                  std::uint32_t window, std::uint32_t count);

// Hermite interpolation of the window's states (six words each) at the epoch:
// the position through the positions and velocities, the velocity as its
// derivative. Pure.
std::expected<StateVector, SpkError> evaluate_type13_window(std::span<const double> epochs,
                                                            std::span<const double> states, double epoch);

// What one segment needs across evaluations: its sizes, its epoch table and
// the window last loaded.
class Type13Segment {
public:
    static std::expected<Type13Segment, SpkError> load(SpkKernel& kernel, const SegmentLoc& segment);
    std::expected<StateVector, SpkError> evaluate(SpkKernel& kernel, const SegmentLoc& segment, double epoch);

private:
    static constexpr std::uint32_t NO_WINDOW = std::numeric_limits<std::uint32_t>::max();
    std::uint32_t count_ = 0;
    std::uint32_t window_ = 0;
    EpochTable epochs_;
    std::uint32_t loaded_first_ = NO_WINDOW;
    std::array<double, 6 * TYPE13_MAX_WINDOW> window_states_{};
    std::array<double, TYPE13_MAX_WINDOW> window_epochs_{};
};

}  // namespace orvane
