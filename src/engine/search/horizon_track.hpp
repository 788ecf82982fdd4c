#pragma once
#include <cstdint>
#include <expected>
#include <functional>
#include <span>
#include <vector>

#include "core/errors.hpp"
#include "core/observer/geodetic_observer.hpp"
#include "core/position_options.hpp"
#include "core/vector.hpp"
#include "engine/engine.hpp"

// The place of a body (or a star) in the sky of one place on the Earth at any
// UT1 day of a range, with its exact rate, from a few samples a day: the
// fast road of the horizon searches over long ranges.
//
// The geocentric apparent place on the true equator and equinox of date
// without the Sun's deflection (light time, annual aberration, precession
// and nutation) is sampled through the batch path at nodes spaced `step`
// UT1 days apart (whole multiples of the step, so that any range sees the
// same nodes), with the Sun's place the same way and the Greenwich apparent
// sidereal time less the Earth rotation angle (the equation of the origins,
// IAU 2006 with the IAU 2000B nutation). Between the nodes each is a
// six-point Lagrange polynomial. At a day the observer's offset (GRS80,
// turned by the sidereal time; polar motion, at most ten metres, left out)
// is taken off the geocentric place, then the Sun's deflection for the
// observer (Kaplan et al. 1989, ERFA ld) and the diurnal aberration with the
// observer's velocity follow, as the position pipeline orders them for a
// topocentric request. Every step is differentiated exactly (engine/
// corrections), so the altitude's and the hour angle's rates are those of
// the values.
//
// Against the topocentric pipeline itself: the polynomials follow the
// samples to 0.02" for Mercury at a one-day step and to a few mas for the
// slower bodies at two days; taking the parallax off the aberrated
// geocentric place moves the result by the aberration's change over the
// parallax (1e-4 of it: 3 mas for Venus at its closest, 0.35" for the Moon).
namespace orvane {

// Writes the geocentric places (four values each: right ascension and
// declination in degrees, distance in au, right-ascension rate) of the
// sampled object at the UT1 days, for the options given, each followed by
// the Sun's when the track is deflected.
using TrackSampler =
    std::function<std::expected<void, OrvaneError>(InstantList ut1_days, const PositionOptions&, std::span<double>)>;

// The sky of the place at one UT1 day: the topocentric apparent direction
// of date and its rate per day, and the local apparent sidereal time.
struct SkyDirection {
    Vector3 direction{};  // unit vector, true equator and equinox of date
    Vector3 rate{};       // per UT1 day
    double local_sidereal_rad = 0.0;
    double local_sidereal_rate = 0.0;  // radians per UT1 day
};

class HorizonTrack {
public:
    // Samples covering [start_ut1 - pad, end_ut1 + pad] (pad: a day and a
    // half plus three steps). `deflected` is false for the Sun itself.
    static std::expected<HorizonTrack, OrvaneError> build(const SpkOrvane& engine, const TrackSampler& sampler,
                                                          bool deflected, const GeodeticObserver& observer,
                                                          double start_ut1, double end_ut1, double step);

    SkyDirection at(double ut1_julian_day) const;

private:
    double first_node_ = 0.0;
    double step_ = 1.0;
    std::vector<Vector3> body_;  // km
    std::vector<Vector3> sun_;   // km; empty when not deflected
    std::vector<double> sidereal_offset_;
    Vector3 terrestrial_{};  // the observer, km
    double longitude_rad_ = 0.0;
};

// The sampling step (UT1 days) for a body of the kernels: an eighth of a day
// for the Moon, a day for Mercury, Venus and any body not known to be slower,
// two days for the Sun, Mars and the outer planets.
double track_step_days(std::int32_t body);

// The step for a catalogue star.
inline constexpr double STAR_TRACK_STEP_DAYS = 2.0;

}  // namespace orvane
