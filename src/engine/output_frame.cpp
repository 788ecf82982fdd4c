#include "engine/output_frame.hpp"

#include "core/constants.hpp"
#include "core/j2000_ecliptic.hpp"
#include "core/spherical.hpp"

namespace orvane {

OutputFrame output_frame(const PositionOptions& resolved, double julian_day) {
    bool equatorial = resolved.coordinate_system == CoordinateSystem::Equatorial;
    if (resolved.reference_epoch == ReferenceEpoch::OfDate) {
        return OutputFrame{OutputFrame::Kind::OfDate,
                           OfDateRotation(resolved.corrections.nutation, equatorial, julian_day)};
    }
    return OutputFrame{equatorial ? OutputFrame::Kind::J2000Equatorial : OutputFrame::Kind::J2000Ecliptic, {}};
}

std::expected<Position, OrvaneError> position_from_state(const CartesianState& state, const OutputFrame& frame) {
    std::expected<CartesianState, CoordinateError> rotated = state;
    switch (frame.kind) {
        case OutputFrame::Kind::OfDate: rotated = frame.rotation.apply(state); break;
        case OutputFrame::Kind::J2000Ecliptic: rotated = to_j2000_ecliptic(state); break;
        case OutputFrame::Kind::J2000Equatorial: break;
    }
    if (!rotated) return std::unexpected(OrvaneError::backend(rotated.error()));
    auto spherical = to_spherical(*rotated);
    if (!spherical) return std::unexpected(OrvaneError::backend(spherical.error()));
    return Position{spherical->longitude_deg, spherical->latitude_deg, spherical->distance_km / AU_KM,
                    spherical->longitude_rate_deg_per_day};
}

}  // namespace orvane
