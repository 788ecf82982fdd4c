// Engine.altitude_azimuth: where a body stands in a place's sky.
#include "python/convert.hpp"
#include "python/engine_methods.hpp"
#include "python/engine_object.hpp"
#include "python/python_errors.hpp"
#include "python/vocabulary.hpp"
#include "engine/horizontal_position.hpp"

namespace orvane::python {
namespace {
const Signature ALTITUDE_AZIMUTH_SIGNATURE{"altitude_azimuth", {"body", "observer", "instant", "refraction"}, 3};
}  // namespace

PyObject* engine_altitude_azimuth(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[4];
    if (!match_arguments(ALTITUDE_AZIMUTH_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto name = str_argument(ALTITUDE_AZIMUTH_SIGNATURE, 0, a[0]);
    if (!name) return nullptr;
    auto observer = observer_argument(ALTITUDE_AZIMUTH_SIGNATURE, 1, a[1]);
    if (!observer) return nullptr;
    auto instant = instant_argument(ALTITUDE_AZIMUTH_SIGNATURE, 2, a[2]);
    if (!instant) return nullptr;
    bool refraction = false;
    if (a[3] != nullptr) {
        auto given = bool_argument(ALTITUDE_AZIMUTH_SIGNATURE, 3, a[3]);
        if (!given) return nullptr;
        refraction = *given;
    }
    auto body = parsed_or_raise(parse_body(*name));
    if (!body) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    auto place = horizontal_position(*engine, *body, *observer, *instant, refraction);
    if (!place) return map_orvane_error(place.error(), naif_code(*body));
    return Py_BuildValue("(ddd)", place->altitude_deg, place->azimuth_deg, place->distance_au);
}

}  // namespace orvane::python
