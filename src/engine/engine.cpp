#include "engine/engine.hpp"

#include "core/constants.hpp"
#include "core/files/kernel_file.hpp"
#include "spk/coverage.hpp"

namespace orvane {
namespace {

double julian_day_of(double tdb_seconds) { return tdb_seconds / SECONDS_PER_DAY + J2000_JULIAN_DAY; }

}  // namespace

std::expected<SpkOrvane, OrvaneError> SpkOrvane::open(std::string_view path, std::string_view sha256) {
    auto file_name = utf8_file_name(path);
    if (!file_name) return std::unexpected(OrvaneError::backend(std::string(KERNEL_FILE_NAME_ERROR)));
    auto kernel = SpkKernel::open(path);
    if (!kernel) return std::unexpected(spk_orvane_error(kernel.error()));
    if (!is_sha256_text(sha256)) return std::unexpected(OrvaneError::backend(std::string(KERNEL_SHA256_FORM_ERROR)));
    auto segments = kernel->segment_list();
    if (!segments) return std::unexpected(spk_orvane_error(segments.error()));
    auto coverage = common_contiguous_coverage(*segments);
    if (!coverage) return std::unexpected(std::move(coverage.error()));

    SpkOrvane engine;
    engine.metadata = OrvaneMetadata{ENGINE_VERSION, std::move(*file_name), lowercase_sha256(sha256),
                                     COORDINATE_FRAME, {}, {}};
    engine.supported_range =
        DateRange{julian_day_of(coverage->start_epoch), julian_day_of(coverage->end_epoch), TimeScale::Tdb};
    engine.kernels.push_back(std::move(*kernel));
    return engine;
}

std::expected<SpkOrvane, OrvaneError> SpkOrvane::with_additional_kernel(SpkOrvane&& engine, SpkKernel&& kernel,
                                                                        std::string kernel_name,
                                                                        std::string_view sha256) {
    // The kernel is checked completely before the engine is taken over, so that
    // a failure leaves the engine with the caller as it was.
    if (!is_sha256_text(sha256)) return std::unexpected(OrvaneError::backend(std::string(KERNEL_SHA256_FORM_ERROR)));
    if (auto segments = kernel.segment_list(); !segments) return std::unexpected(spk_orvane_error(segments.error()));
    SpkOrvane extended = std::move(engine);
    SpkKernel added = std::move(kernel);
    extended.metadata.additional_kernels.push_back(KernelProvenance{std::move(kernel_name), lowercase_sha256(sha256)});
    extended.kernels.push_back(std::move(added));
    return extended;
}

SpkOrvane SpkOrvane::with_leap_second_kernel(SpkOrvane&& engine, LeapSecondKernel kernel) {
    SpkOrvane extended = std::move(engine);
    extended.leap_seconds = std::move(kernel);
    return extended;
}

SpkOrvane SpkOrvane::with_eop(SpkOrvane&& engine, EarthOrientationTable table) {
    SpkOrvane extended = std::move(engine);
    extended.earth_orientation = std::move(table);
    return extended;
}

SpkOrvane SpkOrvane::with_time_kernels(SpkOrvane&& engine, LeapSecondKernel kernel, EarthOrientationTable table) {
    SpkOrvane extended = std::move(engine);
    extended.leap_seconds = std::move(kernel);
    extended.earth_orientation = std::move(table);
    return extended;
}

SpkOrvane SpkOrvane::with_time_model(SpkOrvane&& engine, TimeModel model) {
    SpkOrvane extended = std::move(engine);
    extended.metadata.time_model_files = {
        KernelProvenance{model.delta_t.file_name(), model.delta_t.sha256()},
        KernelProvenance{model.early_utc.file_name(), model.early_utc.sha256()},
    };
    extended.time_model = std::move(model);
    return extended;
}

}  // namespace orvane
