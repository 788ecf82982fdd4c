#include "engine/instant_frame.hpp"

#include <algorithm>

#include "core/constants.hpp"
#include "core/frames/earth_rotation.hpp"
#include "core/frames/cio_sidereal_time.hpp"
#include "core/frames/nutation.hpp"
#include "core/observer/observer.hpp"
#include "engine/instant_conversion.hpp"
#include "engine/modelled_instants.hpp"
#include "engine/time_errors.hpp"

namespace orvane {

namespace {

bool nutated_frame(const PositionOptions& resolved) {
    return resolved.reference_epoch == ReferenceEpoch::OfDate && resolved.corrections.nutation;
}

double tdb_julian_day(const PlaceEpochs& epochs) { return epochs.tdb_seconds / SECONDS_PER_DAY + J2000_JULIAN_DAY; }

}  // namespace

std::expected<PlaceEpochs, OrvaneError> instant_epochs(const SpkOrvane& engine, const PositionOptions& resolved,
                                                       Instant instant) {
    if (resolved.origin.kind == OriginKind::Topocentric) {
        return place_epochs(engine, instant.time_scale, instant.julian_day);
    }
    auto seconds = tdb_seconds(engine, instant.time_scale, instant.julian_day);
    if (!seconds) return std::unexpected(std::move(seconds.error()));
    PlaceEpochs epochs;
    epochs.tdb_seconds = *seconds;
    return epochs;
}

void instant_epochs_lanes(const SpkOrvane& engine, const PositionOptions& resolved, const Instant* instants,
                          std::size_t count, std::expected<PlaceEpochs, OrvaneError>* out) {
    if (resolved.origin.kind == OriginKind::Topocentric) {
        for (std::size_t i = 0; i < count; ++i) out[i] = instant_epochs(engine, resolved, instants[i]);
        return;
    }
    std::expected<double, OrvaneError> seconds[TDB_TT_LANES];
    tdb_seconds_lanes(engine, instants, count, seconds);
    for (std::size_t i = 0; i < count; ++i) {
        if (seconds[i]) {
            PlaceEpochs epochs;
            epochs.tdb_seconds = *seconds[i];
            out[i] = epochs;
        } else {
            out[i] = std::unexpected(std::move(seconds[i].error()));
        }
    }
}

void instant_nutations(const PositionOptions& resolved, std::span<const PlaceEpochs> epochs,
                       std::span<Nutation> out) {
    const bool needed = resolved.origin.kind == OriginKind::Topocentric || nutated_frame(resolved);
    for (std::size_t i = 0; i < epochs.size(); i += NUTATION_LANES) {
        const std::size_t count = std::min(NUTATION_LANES, epochs.size() - i);
        if (!needed) {
            for (std::size_t j = 0; j < count; ++j) out[i + j] = Nutation{};
        } else if (resolved.model == AstrometryModel::Full) {
            for (std::size_t j = 0; j < count; ++j) out[i + j] = nutation_iau2006a(tdb_julian_day(epochs[i + j]));
        } else if (count == 1) {
            out[i] = nutation_iau2000b(tdb_julian_day(epochs[i]));  // the same bits as a lane, sooner
        } else {
            double days[NUTATION_LANES];
            for (std::size_t j = 0; j < count; ++j) days[j] = tdb_julian_day(epochs[i + j]);
            nutation_iau2000b_lanes(days, count, &out[i]);
        }
    }
}

std::expected<InstantFrame, OrvaneError> instant_frame(const SpkOrvane& engine, const PositionOptions& resolved,
                                                       Instant instant) {
    auto epochs = instant_epochs(engine, resolved, instant);
    if (!epochs) return std::unexpected(std::move(epochs.error()));
    Nutation nutation;
    instant_nutations(resolved, std::span<const PlaceEpochs>(&*epochs, 1), std::span<Nutation>(&nutation, 1));
    return instant_frame(engine, resolved, *epochs, nutation);
}

std::expected<InstantFrame, OrvaneError> instant_frame(const SpkOrvane& engine, const PositionOptions& resolved,
                                                       const PlaceEpochs& epochs, const Nutation& nutation) {
    const bool topocentric = resolved.origin.kind == OriginKind::Topocentric;
    InstantFrame out;
    out.tdb_seconds = epochs.tdb_seconds;
    const double date = tdb_julian_day(epochs);
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

    OfDateRotation true_of_date = nutated_frame(resolved) ? out.frame.rotation : OfDateRotation(nutation, true, date);
    true_of_date.equatorial = true;
    auto state = observer_gcrs_from_geodetic(resolved.origin.observer, tt, polar->x_arcsec,
                                             polar->y_arcsec, out.earth.gast_rad, true_of_date);
    if (!state) return std::unexpected(OrvaneError::invalid_request(state.error()));
    out.observer = *state;
    out.observer_acceleration = observer_gcrs_acceleration(*state, true_of_date);
    return out;
}

}  // namespace orvane
