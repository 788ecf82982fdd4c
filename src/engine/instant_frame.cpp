#include "engine/instant_frame.hpp"

#include "core/constants.hpp"
#include "core/earth_rotation.hpp"
#include "core/nutation.hpp"
#include "core/observer.hpp"
#include "engine/instant_conversion.hpp"

namespace orvane {

std::expected<InstantFrame, OrvaneError> instant_frame(const SpkOrvane& engine, const PositionOptions& resolved,
                                                       Instant instant) {
    auto seconds = tdb_seconds(engine, instant.time_scale, instant.julian_day);
    if (!seconds) return std::unexpected(std::move(seconds.error()));
    InstantFrame out;
    out.tdb_seconds = *seconds;
    const double date = *seconds / SECONDS_PER_DAY + J2000_JULIAN_DAY;
    const bool topocentric = resolved.origin.kind == OriginKind::Topocentric;
    const bool nutated_frame = resolved.reference_epoch == ReferenceEpoch::OfDate && resolved.corrections.nutation;
    Nutation nutation;
    if (topocentric || nutated_frame) nutation = nutation_iau2000b(date);
    out.frame = output_frame(resolved, date, nutation);
    if (!topocentric) return out;

    auto epochs = earth_rotation_epochs(engine, instant.time_scale, instant.julian_day);
    if (!epochs) return std::unexpected(std::move(epochs.error()));
    const EarthOrientationTable& table = *engine.earth_orientation;
    auto utc = table.utc_julian_day_from_ut1(epochs->ut1_julian_day);
    if (!utc) return std::unexpected(OrvaneError::time_conversion(utc.error().message()));
    auto polar = table.polar_motion_arcsec(*utc);
    if (!polar) return std::unexpected(OrvaneError::time_conversion(polar.error().message()));
    out.earth = EarthOrientation{epochs->ut1_julian_day, epochs->tt_julian_day, *polar,
                                 greenwich_apparent_sidereal_time_iau2006(epochs->ut1_julian_day,
                                                                          epochs->tt_julian_day, nutation)};

    OfDateRotation true_of_date = nutated_frame ? out.frame.rotation : OfDateRotation(nutation, true, date);
    true_of_date.equatorial = true;
    auto state = observer_gcrs_from_geodetic(resolved.origin.observer, epochs->tt_julian_day, polar->x_arcsec,
                                             polar->y_arcsec, out.earth.gast_rad, true_of_date);
    if (!state) return std::unexpected(OrvaneError::invalid_request(state.error()));
    out.observer = *state;
    return out;
}

}  // namespace orvane
