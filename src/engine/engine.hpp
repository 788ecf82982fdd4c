#pragma once
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/backend.hpp"
#include "core/errors.hpp"
#include "core/selectors.hpp"
#include "core/metadata.hpp"
#include "core/time_scale.hpp"
#include "spk/spk_kernel.hpp"
#include "time/earth_orientation_table.hpp"
#include "time/leap_second_kernel.hpp"

namespace orvane {

// The position engine: one primary SPK kernel, the kernels attached after it,
// the optional time kernels, and the primary kernel's common coverage as the
// supported range. Built by open and changed only by the builders, which take
// the engine by value and return it. Move-only; used by one thread at a time.
class SpkOrvane final : public OrvaneBackend {
public:
    OrvaneMetadata metadata;
    std::optional<LeapSecondKernel> leap_seconds;
    std::optional<EarthOrientationTable> earth_orientation;
    DateRange supported_range;
    // Primary kernel first, then attached kernels in attachment order.
    // Queries on a const engine fill the kernels' caches, hence mutable.
    mutable std::vector<SpkKernel> kernels;

    // Opens the primary kernel and computes its common coverage (TDB Julian
    // days). The checksum is only checked for form and recorded lower-cased.
    static std::expected<SpkOrvane, OrvaneError> open(std::string_view path, std::string_view sha256);

    // Appends an opened kernel after the others; it is consulted only for
    // bodies and epochs the earlier kernels lack. On failure the engine and
    // the kernel are released.
    static std::expected<SpkOrvane, OrvaneError> with_additional_kernel(SpkOrvane&& engine, SpkKernel&& kernel,
                                                                        std::string kernel_name,
                                                                        std::string_view sha256);

    // Attach (replacing any previous one) a leap-second kernel, an
    // Earth-orientation table, or both.
    static SpkOrvane with_leap_second_kernel(SpkOrvane&& engine, LeapSecondKernel kernel);
    static SpkOrvane with_eop(SpkOrvane&& engine, EarthOrientationTable table);
    static SpkOrvane with_time_kernels(SpkOrvane&& engine, LeapSecondKernel kernel, EarthOrientationTable table);

    // One body at one instant: options resolved, instant converted and
    // range-checked, the relative state corrected, rotated and made spherical.
    std::expected<Position, OrvaneError> position(Body body, Instant instant,
                                                  const PositionOptions& options) const override;

    // Every body at every instant, instant-major; all or nothing.
    std::expected<std::vector<Position>, OrvaneError> positions(std::span<const Body> bodies,
                                                                std::span<const Instant> instants,
                                                                const PositionOptions& options) const override;

    // The ecliptic-of-date position with the sidereal longitude of the mode.
    std::expected<Position, OrvaneError> sidereal_position(Body body, Instant instant, const PositionOptions& options,
                                                           SiderealMode mode) const;

    SpkOrvane(SpkOrvane&&) noexcept = default;
    SpkOrvane& operator=(SpkOrvane&&) noexcept = default;
    SpkOrvane(const SpkOrvane&) = delete;
    SpkOrvane& operator=(const SpkOrvane&) = delete;

private:
    SpkOrvane() = default;
};

}  // namespace orvane
