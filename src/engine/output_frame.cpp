#include "engine/output_frame.hpp"

#include <cmath>

#include "core/constants.hpp"
#include "core/frames/j2000_ecliptic.hpp"
#include "core/frames/spherical.hpp"

namespace orvane {

OutputFrame output_frame(const PositionOptions& resolved, double julian_day, const Nutation& nutation) {
    bool equatorial = resolved.coordinate_system == CoordinateSystem::Equatorial;
    if (resolved.reference_epoch == ReferenceEpoch::OfDate) {
        return OutputFrame{OutputFrame::Kind::OfDate,
                           OfDateRotation(resolved.corrections.nutation ? nutation : Nutation{}, equatorial,
                                          julian_day)};
    }
    return OutputFrame{equatorial ? OutputFrame::Kind::J2000Equatorial : OutputFrame::Kind::J2000Ecliptic, {}};
}

std::expected<Position, OrvaneError> position_from_state(const CartesianState& state, const OutputFrame& frame,
                                                         std::int32_t body, double tdb_julian_day) {
    if (!state.is_finite()) return std::unexpected(OrvaneError::non_finite_state(body, tdb_julian_day));
    std::expected<CartesianState, CoordinateError> rotated = state;
    switch (frame.kind) {
        case OutputFrame::Kind::OfDate: rotated = frame.rotation.apply(state); break;
        case OutputFrame::Kind::J2000Ecliptic: rotated = to_j2000_ecliptic(state); break;
        case OutputFrame::Kind::J2000Equatorial: break;
    }
    if (!rotated) return std::unexpected(OrvaneError::backend(rotated.error()));
    auto spherical = to_spherical(*rotated);
    if (!spherical) {
        if (spherical.error() == CoordinateError::NonFiniteState) {
            return std::unexpected(OrvaneError::non_finite_state(body, tdb_julian_day));
        }
        return std::unexpected(OrvaneError::backend(spherical.error()));
    }
    const Position position{spherical->longitude_deg, spherical->latitude_deg, spherical->distance_km / AU_KM,
                            spherical->longitude_rate_deg_per_day};
    if (!std::isfinite(position.longitude_deg) || !std::isfinite(position.latitude_deg) ||
        !std::isfinite(position.distance_au) || !std::isfinite(position.longitude_speed_deg_per_day)) {
        return std::unexpected(OrvaneError::non_finite_state(body, tdb_julian_day));
    }
    return position;
}

}  // namespace orvane
