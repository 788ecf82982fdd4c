#pragma once
#include <expected>
#include <cstdint>
#include <span>
#include <vector>

#include "core/errors.hpp"
#include "core/position_options.hpp"
#include "core/stars/catalogue_star.hpp"
#include "engine/engine.hpp"

// Apparent and geometric places of catalogue stars, through the same options,
// frames and corrections as the bodies of the kernels.
namespace orvane {

// Every star at every instant, instant-major, four values a position
// (longitude, latitude, distance in au, longitude speed) into `out`, which
// holds 4 x stars x instants values; all or nothing.
//
// The star's barycentric state comes from its space motion at the instant's
// TDB day (catalogue_star_state: proper motion and parallax, radial velocity
// zero). Light time has no meaning for a star whose catalogue place is
// already the direction of light arriving at the barycentre; with the light
// time switched on, the star's motion is taken at the instant plus the
// travel time of light across the observer's offset from the barycentre
// along the star's direction (u . o / c, as ERFA's eraPmpx, at most 8.3
// minutes). Then the origin is subtracted, and the Sun's deflection, the
// aberration with the origin's velocity (its rate with the origin's
// acceleration), the precession-nutation and the frame follow as for a body
// (engine/relative_state, engine/output_frame). In the full model the
// deflection is ERFA ld's for a source at infinity, the aberration ERFA ab's
// and the nutation IAU 2000A, the chain of ERFA atci13.
std::expected<void, OrvaneError> star_positions_into(const SpkOrvane& engine, std::span<const CatalogueStar> stars,
                                                     InstantList instants, const PositionOptions& options,
                                                     std::span<double> out);

// The same for stars of the attached catalogue by HIP number. Fails with
// InvalidRequest "no star catalogue attached" or "HIP <n> is not in the star
// catalogue" before any instant is converted.
std::expected<void, OrvaneError> star_positions_into(const SpkOrvane& engine, std::span<const std::int32_t> hips,
                                                     InstantList instants, const PositionOptions& options,
                                                     std::span<double> out);

// The catalogue rows of the HIP numbers, in their order, or the failure above.
std::expected<std::vector<CatalogueStar>, OrvaneError> catalogue_stars(const SpkOrvane& engine,
                                                                       std::span<const std::int32_t> hips);

}  // namespace orvane
