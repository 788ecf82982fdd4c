#pragma once
#include <expected>

#include "core/errors.hpp"
#include "core/time_scale.hpp"
#include "engine/engine.hpp"

// How the engine turns a request's instant into the epochs its computations
// need, with whichever time kernels it holds.
namespace orvane {

// TDB seconds past J2000, refused when the TDB day lies outside the supported range.
std::expected<double, OrvaneError> tdb_seconds(const SpkOrvane& engine, TimeScale scale, double julian_day);

// tdb_seconds of count ≤ TDB_TT_LANES instants, into out[0, count): each the
// same value or error as alone, the TT instants' TDB - TT computed together
// in vector lanes.
void tdb_seconds_lanes(const SpkOrvane& engine, const Instant* instants, std::size_t count,
                       std::expected<double, OrvaneError>* out);

// The TT Julian day of an instant.
std::expected<double, OrvaneError> instant_as_tt(const SpkOrvane& engine, TimeScale scale, double julian_day);

// The Julian day of an instant in another scale, with the time kernels the
// engine holds: TT and TDB as position requests convert, UTC from the
// leap-second kernel (and the Earth-orientation table for UT1 input), UT1 from
// the Earth-orientation table. Not limited to the kernel's coverage.
std::expected<double, OrvaneError> instant_in_scale(const SpkOrvane& engine, TimeScale scale, double julian_day,
                                                    TimeScale target);

struct EarthRotationEpochs {
    double ut1_julian_day = 0.0;
    double tt_julian_day = 0.0;
};

// UT1 and TT of an instant; needs both time kernels, whatever the scale.
std::expected<EarthRotationEpochs, OrvaneError> earth_rotation_epochs(const SpkOrvane& engine, TimeScale scale,
                                                                      double julian_day);

// What a place on the Earth needs of an instant: TDB seconds past J2000
// (range-checked), UT1 and TT, and the UTC day of that UT1 day (where the
// polar motion is read). Fails as tdb_seconds, then earth_rotation_epochs,
// then the table's UTC of the UT1 day would, in that order; a UT1 instant
// finds its UTC day once for all of them.
struct PlaceEpochs {
    double tdb_seconds = 0.0;
    EarthRotationEpochs earth;
    double utc_julian_day = 0.0;
};

std::expected<PlaceEpochs, OrvaneError> place_epochs(const SpkOrvane& engine, TimeScale scale, double julian_day);

}  // namespace orvane
