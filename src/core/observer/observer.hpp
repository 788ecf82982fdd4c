#pragma once
#include <array>
#include <expected>

#include "core/cartesian_state.hpp"
#include "core/errors.hpp"
#include "core/observer/geodetic_observer.hpp"
#include "core/frames/nutation.hpp"
#include "core/frames/of_date_rotation.hpp"

namespace orvane {

// The observer's place on the terrestrial axes (ITRS, GRS80 ellipsoid), km.
std::array<double, 3> observer_terrestrial_km(const GeodeticObserver& observer);

// Geocentric state of an observer fixed on the rotating Earth (GRS80), on the
// GCRS axes: position in km, velocity in km/s. Polar motion x_p, y_p in
// arcseconds. The chain is polar motion with the TIO locator, Greenwich
// apparent sidereal time (IAU 2006 with IAU 2000B nutation), then the inverse
// of IAU 2006/2000B precession-nutation with frame bias; the nutation series
// is evaluated once for both.
std::expected<CartesianState, CoordinateError> observer_gcrs_from_geodetic(const GeodeticObserver& observer,
                                                                           double ut1_julian_day,
                                                                           double tt_julian_day,
                                                                           double polar_motion_x_arcsec,
                                                                           double polar_motion_y_arcsec);

// The same from the Earth's orientation already computed for the instant:
// Greenwich apparent sidereal time and the rotation to the true equator and
// equinox of date (equatorial), whose nutation both share.
std::expected<CartesianState, CoordinateError> observer_gcrs_from_geodetic(const GeodeticObserver& observer,
                                                                           double tt_julian_day,
                                                                           double polar_motion_x_arcsec,
                                                                           double polar_motion_y_arcsec,
                                                                           double gast_rad,
                                                                           const OfDateRotation& true_of_date);

// The acceleration (km/s²) of that observer on the GCRS axes: the Earth's
// rotation about the celestial pole of date turning its velocity, ω × v.
std::array<double, 3> observer_gcrs_acceleration(const CartesianState& observer_gcrs,
                                                 const OfDateRotation& true_of_date);

}  // namespace orvane
