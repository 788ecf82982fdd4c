#include "engine/instant_frame.hpp"

#include "core/constants.hpp"
#include "core/frames/earth_rotation.hpp"
#include "core/frames/cio_sidereal_time.hpp"
#include "core/frames/nutation.hpp"
#include "core/observer/observer.hpp"
#include "engine/instant_conversion.hpp"
#include "engine/modelled_instants.hpp"
#include "engine/time_errors.hpp"

namespace orvane {

std::expected<InstantFrame, OrvaneError> instant_frame(const SpkOrvane& engine, const PositionOptions& resolved,
                                                       Instant instant) {
    const bool topocentric = resolved.origin.kind == OriginKind::Topocentric;
    PlaceEpochs epochs;
    if (topocentric) {
        auto place = place_epochs(engine, instant.time_scale, instant.julian_day);
        if (!place) return std::unexpected(std::move(place.error()));
        epochs = *place;
    } else {
        auto seconds = tdb_seconds(engine, instant.time_scale, instant.julian_day);
        if (!seconds) return std::unexpected(std::move(seconds.error()));
        epochs.tdb_seconds = *seconds;
    }
    InstantFrame out;
    out.tdb_seconds = epochs.tdb_seconds;
    const double date = epochs.tdb_seconds / SECONDS_PER_DAY + J2000_JULIAN_DAY;
    const bool nutated_frame = resolved.reference_epoch == ReferenceEpoch::OfDate && resolved.corrections.nutation;
    Nutation nutation;
    if (topocentric || nutated_frame) {
        nutation = resolved.model == AstrometryModel::Full ? nutation_iau2006a(date) : nutation_iau2000b(date);
    }
    out.frame = output_frame(resolved, date, nutation);
    if (!topocentric) return out;

    std::expected<PolarMotion, EopError> polar = PolarMotion{};
    if (auto model = modelled_time(engine, epochs.utc_julian_day)) {
        polar = model->polar_motion(epochs.utc_julian_day);  // zero outside the table
    } else {
        polar = engine.earth_orientation->polar_motion_arcsec(epochs.utc_julian_day);
    }
    if (!polar) return std::unexpected(time_error(polar.error()));
    const double ut1 = epochs.earth.ut1_julian_day, tt = epochs.earth.tt_julian_day;
    const double gast = resolved.model == AstrometryModel::Full
                            ? greenwich_apparent_sidereal_time_iau2006a(ut1, tt, nutation)
                            : greenwich_apparent_sidereal_time_iau2006(ut1, tt, nutation);
    out.earth = EarthOrientation{ut1, tt, *polar, gast};

    OfDateRotation true_of_date = nutated_frame ? out.frame.rotation : OfDateRotation(nutation, true, date);
    true_of_date.equatorial = true;
    auto state = observer_gcrs_from_geodetic(resolved.origin.observer, tt, polar->x_arcsec,
                                             polar->y_arcsec, out.earth.gast_rad, true_of_date);
    if (!state) return std::unexpected(OrvaneError::invalid_request(state.error()));
    out.observer = *state;
    out.observer_acceleration = observer_gcrs_acceleration(*state, true_of_date);
    return out;
}

}  // namespace orvane
