// The enum-like classes: each instance carries one canonical name; a class
// method per value, a `name` property, and a constructor that parses a name.
#include <array>
#include <string>
#include <type_traits>
#include <utility>

#include "core/houses/house_systems.hpp"
#include "core/sidereal/sidereal_modes.hpp"
#include "core/text/text_forms.hpp"
#include "python/arguments.hpp"
#include "python/classes.hpp"
#include "python/convert.hpp"
#include "python/name_tables.hpp"
#include "python/python_errors.hpp"
#include "python/value_class.hpp"
#include "python/vocabulary.hpp"

namespace orvane::python {
namespace {

using CanonicalName = std::string_view;  // points into the parsers' static tables

template <class E>
struct EnumClass;

const char* house_system_doc();
const char* sidereal_mode_doc();

template <>
struct EnumClass<HouseSystem> {
    static constexpr const char* qualified = "orvane.HouseSystem";
    static constexpr const char* short_name = "HouseSystem";
    static const char* doc() { return house_system_doc(); }
    static auto parse(std::string_view text) { return parse_house_system(text); }
};
template <>
struct EnumClass<SeasonEvent> {
    static constexpr const char* qualified = "orvane.SeasonEvent";
    static constexpr const char* short_name = "SeasonEvent";
    static constexpr const char* doc =
        "SeasonEvent(name)\n--\n\nEquinox or solstice (Sun apparent ecliptic longitude 0/90/180/270\u00b0).";
    static auto parse(std::string_view text) { return parse_season_event(text); }
};
template <>
struct EnumClass<LunationEvent> {
    static constexpr const char* qualified = "orvane.LunationEvent";
    static constexpr const char* short_name = "LunationEvent";
    static constexpr const char* doc =
        "LunationEvent(name)\n--\n\nNew or full Moon (apparent geocentric elongation 0\u00b0/180\u00b0).";
    static auto parse(std::string_view text) { return parse_lunation_event(text); }
};
template <>
struct EnumClass<SiderealMode> {
    static constexpr const char* qualified = "orvane.SiderealMode";
    static constexpr const char* short_name = "SiderealMode";
    static const char* doc() { return sidereal_mode_doc(); }
    static auto parse(std::string_view text) { return parse_sidereal_mode(text); }
};
template <>
struct EnumClass<HorizonEventKind> {
    static constexpr const char* qualified = "orvane.HorizonEventKind";
    static constexpr const char* short_name = "HorizonEventKind";
    static constexpr const char* doc =
        "HorizonEventKind(name)\n--\n\nRise, set, or meridian transit of the Sun or Moon.";
    static auto parse(std::string_view text) { return parse_horizon_event_kind(text); }
};

template <class E>
const char* enum_doc() {
    if constexpr (requires { EnumClass<E>::doc(); }) {
        return EnumClass<E>::doc();
    } else {
        return EnumClass<E>::doc;
    }
}

template <class E>
PyObject* enum_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    static const Signature signature{EnumClass<E>::short_name, {"name"}, 1};
    PyObject* arguments[1];
    if (!match_arguments(signature, args, kwargs, arguments)) return nullptr;
    auto text = str_argument(signature, 0, arguments[0]);
    if (!text) return nullptr;
    auto value = EnumClass<E>::parse(*text);
    if (!value) return value_error(value.error());
    return box(type, CanonicalName(canonical_name(*value)));
}

template <class E, E value>
PyObject* enum_value(PyObject* cls, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static const Signature signature{canonical_name(value).data(), {}, 0};
    PyObject* none[1];
    if (!match_arguments(signature, args, nargs, kwnames, none)) return nullptr;
    return box(reinterpret_cast<PyTypeObject*>(cls), CanonicalName(canonical_name(value)));
}

PyObject* enum_name(PyObject* self, void*) { return str_object(unbox<CanonicalName>(self)); }

PyGetSetDef ENUM_PROPERTIES[] = {
    {"name", enum_name, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

template <class E>
PyObject* enum_repr(PyObject* self) {
    return str_object(std::string(EnumClass<E>::short_name) + "(" + quoted(unbox<CanonicalName>(self)) + ")");
}

#define ORVANE_END_METHODS {nullptr, nullptr, 0, nullptr}

// The class methods of a vocabulary, one per row of its table: the row's name
// gives the method's name, its member `value` the value, `describe` the line of
// its docstring.
template <const auto& ROWS, auto VALUE, std::size_t I>
PyObject* row_value(PyObject* cls, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    constexpr auto value = ROWS[I].*VALUE;
    return enum_value<std::remove_cv_t<decltype(value)>, value>(cls, args, nargs, kwnames);
}

template <const auto& ROWS, auto VALUE, class Row, std::size_t... I>
std::array<PyMethodDef, sizeof...(I) + 1> row_methods(std::string (*describe)(const Row&),
                                                      std::index_sequence<I...>) {
    static const std::array<std::string, sizeof...(I)> docs{
        (std::string(ROWS[I].name) + "($cls)\n--\n\n" + describe(ROWS[I]))...};
    return {{{ROWS[I].name.data(), reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(row_value<ROWS, VALUE, I>)),
              METH_FASTCALL | METH_KEYWORDS | METH_CLASS, docs[I].c_str()}...,
             ORVANE_END_METHODS}};
}

template <const auto& ROWS, auto VALUE, class Row>
auto table_methods(std::string (*describe)(const Row&)) {
    return row_methods<ROWS, VALUE>(describe, std::make_index_sequence<ROWS.size()>());
}

// A whole number of degrees as written in prose.
std::string degrees(double value) { return std::to_string(static_cast<int>(value)) + "\u00b0"; }

auto HOUSE_SYSTEM_METHODS = table_methods<HOUSE_SYSTEMS, &HouseSystemRow::system>(
    +[](const HouseSystemRow& row) { return "The " + std::string(row.title) + " house system."; });
auto SEASON_EVENT_METHODS = table_methods<SEASON_EVENTS, &AngleEventRow<SeasonEvent>::kind>(
    +[](const AngleEventRow<SeasonEvent>& row) {
        return "The Sun at apparent ecliptic longitude " + degrees(row.target_deg) + ".";
    });
auto LUNATION_EVENT_METHODS = table_methods<LUNATION_EVENTS, &AngleEventRow<LunationEvent>::kind>(
    +[](const AngleEventRow<LunationEvent>& row) {
        return "The Moon at apparent elongation " + degrees(row.target_deg) + " from the Sun.";
    });

auto SIDEREAL_MODE_METHODS = table_methods<SIDEREAL_MODES, &SiderealModeRow::mode>(+[](const SiderealModeRow& row) {
    std::string text = "The " + std::string(row.title) + " ayanamsha: ";
    switch (row.definition) {
        case AyanamshaDefinition::EpochValue: return text + "a value at an epoch, carried by the precession.";
        case AyanamshaDefinition::Star: return text + "a star held at a fixed sidereal longitude.";
        case AyanamshaDefinition::GalacticCentre:
            return text + "the galactic centre held at a fixed sidereal longitude.";
    }
    return text;
});
auto HORIZON_EVENT_KIND_METHODS = table_methods<HORIZON_EVENT_KIND_ROWS, &NameRow<HorizonEventKind>::value>(
    +[](const NameRow<HorizonEventKind>& row) {
        switch (row.value) {
            case HorizonEventKind::Rise: return std::string("The body rising over the horizon.");
            case HorizonEventKind::Set: return std::string("The body setting below the horizon.");
            case HorizonEventKind::Transit: return std::string("The body crossing the upper meridian.");
        }
        return std::string();
    });

// The first sentence, then every mode's name from the table.
const char* sidereal_mode_doc() {
    static const std::string doc = [] {
        std::string text =
            "SiderealMode(name)\n--\n\nLahiri or Fagan\u2013Bradley ayanamsha applied to ecliptic of date.\n\n"
            "Every mode: ";
        for (std::size_t i = 0; i < SIDEREAL_MODES.size(); ++i) {
            if (i > 0) text += i + 1 == SIDEREAL_MODES.size() ? " and " : ", ";
            text += SIDEREAL_MODES[i].name;
        }
        text += "; the true modes hold a star at a fixed sidereal longitude, the galactic-centre modes the "
                "galactic centre.\n\nA name is taken in any case, its words joined by '-', '_' or ' ', or\n"
                "written together.";
        return text;
    }();
    return doc.c_str();
}

// "House-division algorithm", then every system's title from the table.
const char* house_system_doc() {
    static const std::string doc = [] {
        std::string text = "HouseSystem(name)\n--\n\nHouse-division algorithm: ";
        for (std::size_t i = 0; i < HOUSE_SYSTEMS.size(); ++i) {
            if (i > 0) text += i + 1 == HOUSE_SYSTEMS.size() ? " or " : ", ";
            text += HOUSE_SYSTEMS[i].title;
        }
        text += ".\n\nA name is taken in any case, its words joined by '-', '_' or ' ', or\nwritten together.";
        return text;
    }();
    return doc.c_str();
}

template <class E>
PyTypeObject* create_enum_class(PyMethodDef* methods) {
    return create_boxed_class<CanonicalName>(EnumClass<E>::qualified, enum_doc<E>(),
                                             {.constructor = guarded<enum_new<E>>,
                                              .methods = methods,
                                              .properties = ENUM_PROPERTIES,
                                              .repr = guarded<enum_repr<E>>});
}

}  // namespace

PyTypeObject* create_house_system_class() { return create_enum_class<HouseSystem>(HOUSE_SYSTEM_METHODS.data()); }
PyTypeObject* create_season_event_class() { return create_enum_class<SeasonEvent>(SEASON_EVENT_METHODS.data()); }
PyTypeObject* create_lunation_event_class() { return create_enum_class<LunationEvent>(LUNATION_EVENT_METHODS.data()); }
PyTypeObject* create_sidereal_mode_class() { return create_enum_class<SiderealMode>(SIDEREAL_MODE_METHODS.data()); }
PyTypeObject* create_horizon_event_kind_class() {
    return create_enum_class<HorizonEventKind>(HORIZON_EVENT_KIND_METHODS.data());
}

PyObject* new_house_system(HouseSystem system) {
    return box(classes().house_system, CanonicalName(canonical_name(system)));
}
PyObject* new_sidereal_mode(SiderealMode mode) {
    return box(classes().sidereal_mode, CanonicalName(canonical_name(mode)));
}
PyObject* new_horizon_event_kind(HorizonEventKind kind) {
    return box(classes().horizon_event_kind, CanonicalName(canonical_name(kind)));
}

std::optional<std::string> extract_name(PyObject* value) {
    constexpr std::string_view failure = "expected a name string or an orvane enum with a name attribute";
    if (PyUnicode_Check(value)) {
        auto text = utf8_text(value, "name");
        if (!text) return std::nullopt;
        return std::string(*text);
    }
    PyObject* name = PyObject_GetAttrString(value, "name");
    if (name == nullptr) {
        PyErr_Clear();
        value_error(failure);
        return std::nullopt;
    }
    PyRef owned(name);
    if (!PyUnicode_Check(name)) {
        value_error(failure);
        return std::nullopt;
    }
    auto text = utf8_text(name, "name");
    if (!text) return std::nullopt;
    return std::string(*text);
}

}  // namespace orvane::python
