#include "core/observer/observer.hpp"

#include <array>
#include <cmath>
#include <numbers>

#include "core/frames/axis_rotations.hpp"
#include "core/observer/earth_ellipsoid.hpp"
#include "core/constants.hpp"
#include "core/frames/earth_rotation.hpp"
#include "core/frames/nutation.hpp"
#include "core/frames/of_date_rotation.hpp"
#include "core/frames/precession.hpp"

namespace orvane {

namespace {

// The nominal mean angular velocity of the Earth (GRS80, IERS Conventions
// 2010, Table 1.1), for the observer's velocity as skyfield takes it.
constexpr double EARTH_ROTATION_RATE_RAD_PER_S = 7.292115e-5;

using Vector = std::array<double, 3>;

}  // namespace

std::expected<GeodeticObserver, CoordinateError> GeodeticObserver::validate() const {
    if (!std::isfinite(longitude_east_deg) || !std::isfinite(latitude_deg) || !std::isfinite(height_m)) {
        return std::unexpected(CoordinateError::NonFiniteState);
    }
    if (std::abs(latitude_deg) > 90.0) return std::unexpected(CoordinateError::InvalidLatitude);
    return *this;
}

// Geodetic to terrestrial (ITRS) on the GRS80 ellipsoid (ERFA gd2gce), km.
std::array<double, 3> observer_terrestrial_km(const GeodeticObserver& observer) {
    const double lambda = observer.longitude_east_deg * DEG_TO_RAD;
    const double phi = observer.latitude_deg * DEG_TO_RAD;
    const double sin_phi = std::sin(phi);
    const double cos_phi = std::cos(phi);
    const double n = GRS80_EQUATORIAL_RADIUS_M / std::sqrt(1.0 - GRS80_ECCENTRICITY_SQUARED * sin_phi * sin_phi);
    const double h = observer.height_m;
    return {(n + h) * cos_phi * std::cos(lambda) / 1000.0, (n + h) * cos_phi * std::sin(lambda) / 1000.0,
            (n * GRS80_ONE_MINUS_ECCENTRICITY_SQUARED + h) * sin_phi / 1000.0};
}

std::expected<CartesianState, CoordinateError> observer_gcrs_from_geodetic(const GeodeticObserver& observer,
                                                                           double ut1_julian_day,
                                                                           double tt_julian_day,
                                                                           double polar_motion_x_arcsec,
                                                                           double polar_motion_y_arcsec) {
    const Nutation nutation = nutation_iau2000b(tt_julian_day);
    const double gast = greenwich_apparent_sidereal_time_iau2006(ut1_julian_day, tt_julian_day, nutation);
    return observer_gcrs_from_geodetic(observer, tt_julian_day, polar_motion_x_arcsec, polar_motion_y_arcsec, gast,
                                       OfDateRotation(nutation, true, tt_julian_day));
}

std::expected<CartesianState, CoordinateError> observer_gcrs_from_geodetic(const GeodeticObserver& observer,
                                                                           double tt_julian_day,
                                                                           double polar_motion_x_arcsec,
                                                                           double polar_motion_y_arcsec,
                                                                           double gast_rad,
                                                                           const OfDateRotation& true_of_date) {
    if (auto valid = observer.validate(); !valid) return std::unexpected(valid.error());
    if (!std::isfinite(polar_motion_x_arcsec) || !std::isfinite(polar_motion_y_arcsec) || !std::isfinite(gast_rad) ||
        !std::isfinite(tt_julian_day)) {
        return std::unexpected(CoordinateError::NonFiniteState);
    }
    const double lambda = observer.longitude_east_deg * DEG_TO_RAD;
    const double phi = observer.latitude_deg * DEG_TO_RAD;
    if (!std::isfinite(lambda) || !std::isfinite(phi)) return std::unexpected(CoordinateError::NonFiniteState);
    if (std::abs(phi) > std::numbers::pi / 2.0) return std::unexpected(CoordinateError::InvalidLatitude);

    Vector r = observer_terrestrial_km(observer);

    // Polar motion and TIO locator: ITRS to the terrestrial intermediate axes.
    const double t = julian_centuries_since_j2000(tt_julian_day);
    const double s_prime = TIO_LOCATOR_RATE_RAD_PER_CENTURY * t;
    r = r1(r, polar_motion_y_arcsec * ARCSEC_TO_RAD);
    r = r2(r, polar_motion_x_arcsec * ARCSEC_TO_RAD);
    r = r3(r, -s_prime);
    Vector v{-EARTH_ROTATION_RATE_RAD_PER_S * r[1], EARTH_ROTATION_RATE_RAD_PER_S * r[0], 0.0};

    // Earth rotation to the true equator and equinox of date, then back to GCRS.
    const CartesianState of_date{r3(r, -gast_rad), r3(v, -gast_rad)};
    return true_of_date.apply_inverse(of_date);
}

std::array<double, 3> observer_gcrs_acceleration(const CartesianState& observer_gcrs,
                                                 const OfDateRotation& true_of_date) {
    OfDateRotation equator = true_of_date;
    equator.equatorial = true;
    auto pole = equator.apply_inverse(CartesianState{{0.0, 0.0, 1.0}, {}});
    if (!pole) return {};
    const Vector& k = pole->position;
    const Vector& v = observer_gcrs.velocity;
    const double w = EARTH_ROTATION_RATE_RAD_PER_S;
    return {w * (k[1] * v[2] - k[2] * v[1]), w * (k[2] * v[0] - k[0] * v[2]), w * (k[0] * v[1] - k[1] * v[0])};
}

}  // namespace orvane
