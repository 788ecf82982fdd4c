#pragma once
#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <span>

#include "core/body.hpp"
#include "core/position_options.hpp"
#include "core/errors.hpp"
#include "core/selectors.hpp"
#include "core/sidereal/sidereal.hpp"
#include "core/metadata.hpp"
#include "core/time_scale.hpp"
#include "core/stars/hipparcos_catalogue.hpp"
#include "engine/worker_kernels.hpp"
#include "spk/spk_kernel.hpp"
#include "time/earth_orientation_table.hpp"
#include "time/leap_second_kernel.hpp"
#include "time/modelled_time.hpp"

namespace orvane {

// The position engine: one primary SPK kernel, the kernels attached after it,
// the optional time kernels, and the primary kernel's common coverage as the
// supported range. Built by open and changed only by the builders, which take
// the engine by value and return it. Move-only; used by one thread at a time.
// The instants of a batch: Instant values, or Julian days sharing one scale.
class InstantList {
public:
    InstantList(std::span<const Instant> instants) : instants_(instants.data()), size_(instants.size()) {}
    InstantList(std::span<const double> julian_days, TimeScale scale)
        : days_(julian_days.data()), size_(julian_days.size()), scale_(scale) {}
    std::size_t size() const { return size_; }
    // The instants [begin, end).
    InstantList part(std::size_t begin, std::size_t end) const {
        InstantList list = *this;
        if (instants_) list.instants_ += begin;
        if (days_) list.days_ += begin;
        list.size_ = end - begin;
        return list;
    }
    Instant operator[](std::size_t i) const { return instants_ ? instants_[i] : Instant{days_[i], scale_}; }

private:
    const Instant* instants_ = nullptr;
    const double* days_ = nullptr;
    std::size_t size_ = 0;
    TimeScale scale_ = TimeScale::Tdb;
};

class SpkOrvane final {
public:
    OrvaneMetadata metadata;
    std::optional<LeapSecondKernel> leap_seconds;
    std::optional<EarthOrientationTable> earth_orientation;
    // UT1 and UTC beyond the tables: Delta T model and UTC of 1960 to 1972.
    std::optional<TimeModel> time_model;
    DateRange supported_range;
    // Primary kernel first, then attached kernels in attachment order.
    // Queries on a const engine fill the kernels' caches, hence mutable.
    mutable std::vector<SpkKernel> kernels;
    // The kernel sequences of the threads that share a batch with the caller.
    mutable WorkerKernels worker_kernels;
    // The star catalogue rows it was given (engine/star_positions), if any.
    std::shared_ptr<const HipparcosCatalogue> stars;

    // Opens the primary kernel and computes its common coverage (TDB Julian
    // days). The checksum is only checked for form and recorded lower-cased.
    static std::expected<SpkOrvane, OrvaneError> open(std::string_view path, std::string_view sha256);

    // Appends an opened kernel after the others; it is consulted only for
    // bodies and epochs the earlier kernels lack. The kernel's segment list is
    // decoded first: on failure nothing is taken from `engine`.
    static std::expected<SpkOrvane, OrvaneError> with_additional_kernel(SpkOrvane&& engine, SpkKernel&& kernel,
                                                                        std::string kernel_name,
                                                                        std::string_view sha256);

    // Attach (replacing any previous one) a leap-second kernel, an
    // Earth-orientation table, or both.
    static SpkOrvane with_leap_second_kernel(SpkOrvane&& engine, LeapSecondKernel kernel);
    static SpkOrvane with_eop(SpkOrvane&& engine, EarthOrientationTable table);
    static SpkOrvane with_time_kernels(SpkOrvane&& engine, LeapSecondKernel kernel, EarthOrientationTable table);
    // Attach (replacing any previous one) the time model; with a leap-second
    // kernel, every UTC, UT1 and TT instant then converts.
    static SpkOrvane with_time_model(SpkOrvane&& engine, TimeModel model);
    // Attach (replacing any previous one) a star catalogue.
    static SpkOrvane with_star_catalogue(SpkOrvane&& engine, HipparcosCatalogue catalogue);

    // One body at one instant: options resolved, instant converted and
    // range-checked, the relative state corrected, rotated and made spherical.
    // A batch of one body at one instant.
    std::expected<Position, OrvaneError> position(Body body, Instant instant, const PositionOptions& options) const;
    // The same for a body given by its NAIF id: any body a kernel serves.
    std::expected<Position, OrvaneError> position(std::int32_t target, Instant instant,
                                                  const PositionOptions& options) const;

    // Every body at every instant, instant-major; all or nothing.
    std::expected<std::vector<Position>, OrvaneError> positions(std::span<const Body> bodies,
                                                                std::span<const Instant> instants,
                                                                const PositionOptions& options) const;
    std::expected<std::vector<Position>, OrvaneError> positions(std::span<const std::int32_t> targets,
                                                                std::span<const Instant> instants,
                                                                const PositionOptions& options) const;

    // The same written into `out` (four values per position: longitude,
    // latitude, distance in au, longitude speed), which must hold
    // 4 × bodies × instants values. The one road of every position request:
    // instants go in chunks, each converted once and its frame built once,
    // and the first error is the one the whole batch would meet first.
    std::expected<void, OrvaneError> positions_into(std::span<const Body> bodies, InstantList instants,
                                                    const PositionOptions& options, std::span<double> out) const;
    std::expected<void, OrvaneError> positions_into(std::span<const std::int32_t> targets, InstantList instants,
                                                    const PositionOptions& options, std::span<double> out) const;

    // The length of a batch's result, refused when it overflows.
    static std::expected<std::size_t, OrvaneError> batch_length(std::size_t bodies, std::size_t instants);

    // The ecliptic-of-date position with the sidereal longitude of the mode.
    std::expected<Position, OrvaneError> sidereal_position(Body body, Instant instant, const PositionOptions& options,
                                                           SiderealMode mode) const;
    std::expected<Position, OrvaneError> sidereal_position(std::int32_t target, Instant instant,
                                                           const PositionOptions& options, SiderealMode mode) const;

    // The mean ayanamsha of the mode at the instant (converted to TT) and its
    // rate.
    std::expected<Ayanamsha, OrvaneError> ayanamsha(SiderealMode mode, Instant instant) const;

    SpkOrvane(SpkOrvane&&) noexcept = default;
    SpkOrvane& operator=(SpkOrvane&&) noexcept = default;
    SpkOrvane(const SpkOrvane&) = delete;
    SpkOrvane& operator=(const SpkOrvane&) = delete;

private:
    SpkOrvane() = default;
};

}  // namespace orvane
