#pragma once
#include <array>
#include <cstdint>
#include <expected>
#include <span>

#include "core/cartesian_state.hpp"
#include "core/errors.hpp"
#include "core/position_options.hpp"
#include "core/time_scale.hpp"
#include "core/frames/nutation.hpp"
#include "engine/engine.hpp"
#include "engine/instant_conversion.hpp"
#include "engine/output_frame.hpp"
#include "time/earth_orientation_table.hpp"

// What one instant of a request needs, computed once and handed to every step
// that uses it: the TDB epoch, the axes the positions are delivered on and,
// for a place on the Earth, the Earth's orientation and the observer's state.
// The nutation (IAU 2000B, or 2000A adjusted to IAU 2006 in the full model)
// is evaluated at most once per instant, at the TDB
// Julian day (the date of the axes of date; TT differs by less than 2 ms,
// which moves the nutation by less than 1e-14 rad), and shared by the axes
// of date, the sidereal time and the observer.
namespace orvane {

// The Earth's orientation at an instant.
struct EarthOrientation {
    double ut1_julian_day = 0.0;
    double tt_julian_day = 0.0;
    PolarMotion polar_motion;  // arcseconds, at the UTC day of the UT1 day
    double gast_rad = 0.0;     // Greenwich apparent sidereal time, IAU 2006
};

struct InstantFrame {
    double tdb_seconds = 0.0;  // past J2000, within the supported range
    OutputFrame frame;         // the request's axes at the instant
    // For a topocentric origin only:
    EarthOrientation earth;
    CartesianState observer;  // geocentric, GCRS axes, km and km/s
    std::array<double, 3> observer_acceleration{};  // km/s², GCRS axes
};

// An instant converted for resolved options. Fails as the steps fail, in this
// order: the TDB conversion and the supported range, then for a topocentric
// origin the time kernels UT1 and TT need, the polar motion, and the observer.
std::expected<InstantFrame, OrvaneError> instant_frame(const SpkOrvane& engine, const PositionOptions& resolved,
                                                       Instant instant);

// The same in three steps, so that a batch computes the nutation of
// neighbouring instants together: the epochs (failing as the first steps
// above), the nutations of any number of instants' epochs (zero where the
// options need none; IAU 2000B in lanes of NUTATION_LANES instants, the same
// bits as one at a time), then the rest (failing as the last steps).
std::expected<PlaceEpochs, OrvaneError> instant_epochs(const SpkOrvane& engine, const PositionOptions& resolved,
                                                       Instant instant);
// instant_epochs of count ≤ TDB_TT_LANES instants, into out[0, count): each
// the same as alone, the TDB of TT instants computed together.
void instant_epochs_lanes(const SpkOrvane& engine, const PositionOptions& resolved, const Instant* instants,
                          std::size_t count, std::expected<PlaceEpochs, OrvaneError>* out);
void instant_nutations(const PositionOptions& resolved, std::span<const PlaceEpochs> epochs, std::span<Nutation> out);
std::expected<InstantFrame, OrvaneError> instant_frame(const SpkOrvane& engine, const PositionOptions& resolved,
                                                       const PlaceEpochs& epochs, const Nutation& nutation);

// The position of one body at an instant already converted for the same
// resolved options: the road of every position request (engine/positions.cpp).
std::expected<Position, OrvaneError> position_at(const SpkOrvane& engine, std::int32_t target,
                                                 const InstantFrame& instant, const PositionOptions& resolved);

}  // namespace orvane
