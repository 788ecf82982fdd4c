// Engine.altitude_azimuth: where a body stands in a place's sky.
#include "python/bound_method.hpp"
#include "python/engine_methods.hpp"
#include "engine/horizontal_position.hpp"

namespace orvane::python {
namespace {

std::expected<std::tuple<double, double, double>, BodyError> altitude_azimuth(const SpkOrvane& engine, Body body,
                                                                              GeodeticObserver observer,
                                                                              Instant instant, bool refraction) {
    auto place = horizontal_position(engine, body, observer, instant, refraction);
    if (!place) return std::unexpected(BodyError{place.error(), naif_code(body)});
    return std::tuple{place->altitude_deg, place->azimuth_deg, place->distance_au};
}

constexpr Method ALTITUDE_AZIMUTH{
    "altitude_azimuth",
    {{{"body"}, {"observer"}, {"instant"}, {"refraction", boolean_default(false)}}},
    AccessKind::Shared,
    Lock::Held,
    "Apparent altitude and azimuth of a body seen from a place, as the tuple\n"
    "`(altitude_deg, azimuth_deg, distance_au)`.\n\n"
    "From the apparent topocentric place on the true equator of date, the\n"
    "apparent sidereal time and the EOP table's polar motion; azimuth from\n"
    "north through east in [0, 360). With `refraction=True` the altitude\n"
    "includes standard refraction (Saemundsson, 1010 hPa, 10 \u00b0C; none\n"
    "below -1\u00b0). Needs both time kernels."};

}  // namespace

PyMethodDef engine_altitude_azimuth() {
    return bind<altitude_azimuth, ALTITUDE_AZIMUTH, Late<Body>, GeodeticObserver, Instant, bool>();
}

}  // namespace orvane::python
