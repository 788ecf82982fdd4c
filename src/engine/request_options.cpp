#include "engine/request_options.hpp"

namespace orvane {

std::expected<PositionOptions, OrvaneError> resolve_position_options(const PositionOptions& options) {
    PositionOptions resolved = options;
    auto fail = [](const char* text) { return std::unexpected(OrvaneError::invalid_request(text)); };
    Corrections& c = resolved.corrections;
    bool ecliptic = resolved.coordinate_system == CoordinateSystem::Ecliptic;
    if (resolved.apparent) {
        if (resolved.reference_epoch != ReferenceEpoch::OfDate) return fail("apparent requires reference_epoch: OfDate");
        c = Corrections{true, true, true, true, true};
        if (ecliptic) resolved.true_ecliptic = true;
        resolved.apparent = false;
    }
    if (resolved.reference_epoch == ReferenceEpoch::OfDate) {
        if (!c.precession) return fail("reference_epoch: OfDate requires corrections.precession");
        if (!resolved.true_ecliptic && ecliptic && c.nutation) {
            return fail("ecliptic-of-date with nutation requires true_ecliptic");
        }
        if (resolved.true_ecliptic && !ecliptic) return fail("true_ecliptic requires CoordinateSystem::Ecliptic");
        if (resolved.true_ecliptic && !c.nutation) return fail("true_ecliptic requires corrections.nutation");
    } else {
        if (c.precession || c.nutation) return fail("precession and nutation require reference_epoch: OfDate");
        if (resolved.true_ecliptic && !ecliptic) return fail("true_ecliptic requires CoordinateSystem::Ecliptic");
        if (resolved.true_ecliptic) return fail("true_ecliptic requires reference_epoch: OfDate");
    }
    if (resolved.origin.kind == OriginKind::Topocentric) {
        auto valid = resolved.origin.observer.validate();
        if (!valid) return std::unexpected(OrvaneError::invalid_request(valid.error()));
    }
    return resolved;
}

std::int32_t origin_code(OriginKind origin) {
    switch (origin) {
        case OriginKind::Barycentric: return 0;
        case OriginKind::Heliocentric: return 10;
        case OriginKind::Geocentric:
        case OriginKind::Topocentric: return 399;
    }
    return 399;
}

}  // namespace orvane
