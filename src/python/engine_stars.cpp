// Engine.with_star_catalogue, Engine.star_position, Engine.star_positions and
// Engine.catalogue_stars: the stars of a Hipparcos catalogue file, and
// Engine.star_horizon_events: a star's rises, sets and transits at a place.
#include <climits>
#include <new>
#include <optional>
#include <vector>

#include "core/constants.hpp"
#include "engine/instant_conversion.hpp"
#include "engine/search/horizon_search.hpp"
#include "engine/star_positions.hpp"
#include "python/bound_method.hpp"
#include "python/classes.hpp"
#include "python/engine_methods.hpp"
#include "python/horizon_event_list.hpp"
#include "python/numpy_array.hpp"
#include "python/python_errors.hpp"
#include "python/value_class.hpp"
#include "python/vocabulary.hpp"
#include "time/text_file.hpp"

namespace orvane::python {
namespace {

// A HIP number: an int (not a bool) within 1..999999, else TypeError or
// ValueError naming it.
std::optional<std::int32_t> hip_argument(const Signature& signature, std::size_t index, PyObject* value) {
    if (!PyLong_Check(value) || PyBool_Check(value)) {
        raise_argument_type(signature, index, "int", value);
        return std::nullopt;
    }
    int overflow = 0;
    const long long hip = PyLong_AsLongLongAndOverflow(value, &overflow);
    if (hip == -1 && PyErr_Occurred()) return std::nullopt;
    if (overflow != 0 || hip < 1 || hip > 999999) {
        value_error("a HIP number is an integer from 1 to 999999");
        return std::nullopt;
    }
    return static_cast<std::int32_t>(hip);
}

// A HIP number, and sequences of HIP numbers.
struct Hip {};

PyObject* with_star_catalogue(SpkOrvane& engine, std::string_view path) {
    auto text = read_utf8_text_file(path);
    if (!text) return file_error("star catalogue " + std::string(path) + ": " + text.error(), path, "star_catalogue");
    auto catalogue = HipparcosCatalogue::parse(*text);
    if (!catalogue) return file_error(catalogue.error(), path, "star_catalogue");
    engine = SpkOrvane::with_star_catalogue(std::move(engine), std::move(*catalogue));
    Py_RETURN_NONE;
}

std::expected<Position, OrvaneError> star_position(const SpkOrvane& engine, std::int32_t hip, Instant instant,
                                                   PositionOptions options) {
    const std::int32_t hips[1] = {hip};
    const Instant instants[1] = {instant};
    double row[4];
    auto done = star_positions_into(engine, std::span<const std::int32_t>(hips), InstantList(instants), options, row);
    if (!done) return std::unexpected(done.error());
    return Position{row[0], row[1], row[2], row[3]};
}

PyObject* star_positions(const SpkOrvane& engine, const std::vector<std::int32_t>& hips,
                         const std::vector<Instant>& instants, PositionOptions options) {
    auto count = SpkOrvane::batch_length(hips.size(), instants.size());
    if (!count) return map_orvane_error(count.error());
    if (*count > std::vector<double>().max_size() / 4) return PyErr_NoMemory();
    std::vector<double> values(4 * *count);
    auto done =
        star_positions_into(engine, std::span<const std::int32_t>(hips), InstantList(instants), options, values);
    if (!done) return map_orvane_error(done.error());
    return float64_array(std::move(values), {static_cast<Py_ssize_t>(instants.size()),
                                             static_cast<Py_ssize_t>(hips.size()), 4});
}

PyObject* catalogue_stars(const SpkOrvane& engine, double limit) {
    if (!engine.stars) return value_error("no star catalogue attached");
    PyRef list(PyList_New(0));
    if (!list) return nullptr;
    for (const HipparcosStar& star : engine.stars->stars()) {
        if (!(star.hp_magnitude <= limit)) continue;
        PyRef row(Py_BuildValue("(iddd)", star.hip, star.hp_magnitude, star.b_minus_v, star.v_minus_i));
        if (!row || PyList_Append(list.get(), row.get()) != 0) return nullptr;
    }
    return list.release();
}

PyObject* star_horizon_events(const SpkOrvane& engine, std::int32_t hip, GeodeticObserver observer, Instant start,
                              Instant end, std::optional<double> altitude) {
    const double altitude_deg = altitude.value_or(MEAN_REFRACTION_ALTITUDE_DEG);
    auto from = earth_rotation_epochs(engine, start.time_scale, start.julian_day);
    if (!from) return map_orvane_error(from.error());
    auto to = earth_rotation_epochs(engine, end.time_scale, end.julian_day);
    if (!to) return map_orvane_error(to.error());
    return horizon_event_list(from->ut1_julian_day, to->ut1_julian_day, [&](double first, double last) {
        return star_horizon_events_between(engine, hip, observer, first, last, altitude_deg);
    });
}

constexpr Method WITH_STAR_CATALOGUE{
    "with_star_catalogue",
    {{{"path"}}},
    AccessKind::Exclusive,
    Lock::Held,
    "Attach the stars of a Hipparcos catalogue file (hip2.dat, ESA I/311)."};

constexpr Method STAR_POSITION{
    "star_position",
    {{{"hip"}, {"instant"}, {"options"}}},
    AccessKind::Shared,
    Lock::Held,
    "One spherical position of a catalogue star by HIP number (space motion\n"
    "from J1991.25, radial velocity zero)."};

constexpr Method STAR_POSITIONS{
    "star_positions",
    {{{"hips"}, {"instants"}, {"options"}}},
    AccessKind::Shared,
    Lock::Held,
    "Catalogue stars at instants as a `NumPy` array of shape\n"
    "`(n_instants, n_stars, 4)`, laid out as `positions`."};

constexpr Method CATALOGUE_STARS{
    "catalogue_stars",
    {{{"magnitude_limit"}}},
    AccessKind::Shared,
    Lock::Held,
    "The attached catalogue's stars with Hp magnitude at most the limit, as\n"
    "(hip, Hp magnitude, B-V, V-I) tuples in HIP order."};

constexpr Method STAR_HORIZON_EVENTS{
    "star_horizon_events",
    {{{"hip"}, {"observer"}, {"start"}, {"end"}, {"altitude_deg", none_default()}}},
    AccessKind::Shared,
    Lock::Held,  // released stretch by stretch
    "Every rise, set, transit and lower_transit of a catalogue star at a place between two\n"
    "instants, in order, as (UT1 Julian day, name) pairs (altitude_deg default -34')."};

}  // namespace

template <>
struct Parameter<Hip> : ReadBy<std::int32_t, hip_argument> {};

template <>
struct Parameter<std::vector<Hip>> : ReadOnce<std::vector<std::int32_t>> {
    static std::optional<std::vector<std::int32_t>> read(const Signature& s, std::size_t i, PyObject* value,
                                                         const Default&) {
        std::vector<std::int32_t> hips;
        if (!sequence_argument(s, i, value, "a sequence of int", [&](PyObject* item) {
                auto hip = hip_argument(s, i, item);
                if (hip) hips.push_back(*hip);
                return hip ? 1 : -1;
            })) {
            return std::nullopt;
        }
        return hips;
    }
};

PyMethodDef engine_with_star_catalogue() { return bind<with_star_catalogue, WITH_STAR_CATALOGUE, Path>(); }

PyMethodDef engine_star_position() {
    return bind<star_position, STAR_POSITION, Hip, Instant, PositionOptions>();
}

PyMethodDef engine_star_positions() {
    return bind<star_positions, STAR_POSITIONS, std::vector<Hip>, std::vector<Instant>, PositionOptions>();
}

PyMethodDef engine_catalogue_stars() { return bind<catalogue_stars, CATALOGUE_STARS, double>(); }

PyMethodDef engine_star_horizon_events() {
    return bind<star_horizon_events, STAR_HORIZON_EVENTS, Hip, GeodeticObserver, Instant, Instant,
                std::optional<double>>();
}

}  // namespace orvane::python
