#pragma once
#include <Python.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/astrometry_model.hpp"
#include "core/body.hpp"
#include "core/position_options.hpp"
#include "core/selectors.hpp"
#include "core/time_scale.hpp"
#include "python/arguments.hpp"
#include "python/classes.hpp"
#include "python/convert.hpp"
#include "python/model_argument.hpp"
#include "python/py_ref.hpp"
#include "python/thread_count.hpp"
#include "python/value_class.hpp"
#include "python/vocabulary.hpp"

// The parameters of a bound method, converted by their declared C++ type.
// Each Parameter<T> reads its argument at its turn (read: TypeError texts and
// the checks made in the caller's order) and, for a Late<T>, parses it only
// once every argument has been read (finish). Failures set the Python error
// and give nullopt.
namespace orvane::python {

// A parameter's default as the text signature shows it and the call uses it.
struct Default {
    enum class Kind : std::uint8_t { Required, None, Number, Boolean, Text };
    Kind kind = Kind::Required;
    double number = 0.0;
    bool boolean = false;
    const char* text = nullptr;
    bool none_too = false;  // a None given means the default as well
};
inline constexpr Default none_default() { return {Default::Kind::None}; }
inline constexpr Default number_default(double value, bool none_too = false) {
    return {Default::Kind::Number, value, false, nullptr, none_too};
}
inline constexpr Default boolean_default(bool value) { return {Default::Kind::Boolean, 0.0, value}; }
inline constexpr Default text_default(const char* text) { return {Default::Kind::Text, 0.0, false, text, true}; }

// Type tags: a bool by truth (any object), a file path, a body given by name
// (Body) or by name or NAIF id (BodyCode), a count of threads, Julian days in
// a float64 buffer, and a value parsed after every argument has been read.
struct Truth {};
struct Path {};
struct BodyCode {};
struct Threads {};
struct JulianDays {};
template <class T>
struct Late {};

// The converter of one parameter type: Stage is what read() keeps, Value
// what the method receives; finish() turns the one into the other (the
// AS_READ converters have no finish: their stage is the value). The
// finishes run in parameter order, those of converters that declare
// FINISHED_LAST after all the others.
template <class T>
struct Parameter;

template <class P>
concept FinishedLast = requires { P::FINISHED_LAST; };

// Converters whose read gives the value itself, passed on as it was read.
template <class T>
struct ReadOnce {
    static constexpr bool AS_READ = true;
    using Stage = T;
    using Value = T;
};

template <class P>
concept AsRead = requires { P::AS_READ; };

// Converters that hand the argument to one reading function.
template <class T, std::optional<T> (*read_argument)(const Signature&, std::size_t, PyObject*)>
struct ReadBy : ReadOnce<T> {
    static std::optional<T> read(const Signature& s, std::size_t i, PyObject* value, const Default&) {
        return read_argument(s, i, value);
    }
};

template <>
struct Parameter<Instant> : ReadBy<Instant, instant_argument> {};
template <>
struct Parameter<GeodeticObserver> : ReadBy<GeodeticObserver, observer_argument> {};
template <>
struct Parameter<PositionOptions> : ReadBy<PositionOptions, options_argument> {};
template <>
struct Parameter<std::string_view> : ReadBy<std::string_view, str_argument> {};
// "standard" when absent.
template <>
struct Parameter<AstrometryModel> : ReadBy<AstrometryModel, model_argument> {};

// A number; absent (or None, where the default says so) gives the default.
template <>
struct Parameter<double> : ReadOnce<double> {
    static std::optional<double> read(const Signature& s, std::size_t i, PyObject* value, const Default& fallback) {
        if (value == nullptr || (fallback.none_too && value == Py_None)) return fallback.number;
        return float_argument(s, i, value);
    }
};

// A number or None (absent): nullopt.
template <>
struct Parameter<std::optional<double>> : ReadOnce<std::optional<double>> {
    static std::optional<std::optional<double>> read(const Signature& s, std::size_t i, PyObject* value,
                                                     const Default&) {
        if (is_absent(value)) return std::optional<double>{};
        auto number = float_argument(s, i, value);
        if (!number) return std::nullopt;
        return number;
    }
};

// A Python bool (NumPy's included); ints are refused.
template <>
struct Parameter<bool> : ReadOnce<bool> {
    static std::optional<bool> read(const Signature& s, std::size_t i, PyObject* value, const Default& fallback) {
        if (value == nullptr) return fallback.boolean;
        return bool_argument(s, i, value);
    }
};

template <>
struct Parameter<Truth> : ReadOnce<bool> {
    static std::optional<bool> read(const Signature&, std::size_t, PyObject* value, const Default& fallback) {
        if (value == nullptr) return fallback.boolean;
        const int truth = PyObject_IsTrue(value);
        if (truth < 0) return std::nullopt;
        return truth != 0;
    }
};

// A count of threads (python/thread_count); absent or None: the module's setting.
template <>
struct Parameter<Threads> : ReadBy<std::size_t, threads_argument> {};

// A sequence (not a str) of Instant.
template <>
struct Parameter<std::vector<Instant>> : ReadOnce<std::vector<Instant>> {
    static std::optional<std::vector<Instant>> read(const Signature& s, std::size_t i, PyObject* value,
                                                    const Default&) {
        std::vector<Instant> instants;
        PyTypeObject* instant_class = classes().instant;
        if (!sequence_argument(s, i, value, "a sequence of Instant", [&](PyObject* item) {
                if (!PyObject_TypeCheck(item, instant_class)) return 0;
                instants.push_back(unbox<Instant>(item));
                return 1;
            })) {
            return std::nullopt;
        }
        return instants;
    }
};

template <>
struct Parameter<TimeScale> : ReadOnce<TimeScale> {
    static std::optional<TimeScale> read(const Signature& s, std::size_t i, PyObject* value, const Default&) {
        auto text = str_argument(s, i, value);
        if (!text) return std::nullopt;
        return parsed_or_raise(parse_time_scale(*text));
    }
};

// A str or os.PathLike; the view lives as long as the stage.
template <>
struct Parameter<Path> {
    struct Stage {
        PyRef holder;
        std::string_view text;
    };
    using Value = std::string_view;
    static std::optional<Stage> read(const Signature& s, std::size_t i, PyObject* value, const Default&) {
        Stage stage;
        auto text = path_argument(s, i, value, stage.holder);
        if (!text) return std::nullopt;
        stage.text = *text;
        return stage;
    }
    static std::optional<std::string_view> finish(Stage& stage) { return stage.text; }
};

// An optional text: absent or None gives nullopt.
template <>
struct Parameter<std::optional<std::string_view>> : ReadOnce<std::optional<std::string_view>> {
    static std::optional<std::optional<std::string_view>> read(const Signature& s, std::size_t i, PyObject* value,
                                                               const Default&) {
        if (is_absent(value)) return std::optional<std::optional<std::string_view>>(std::in_place);
        auto text = str_argument(s, i, value);
        if (!text) return std::nullopt;
        return std::optional<std::string_view>(*text);
    }
};

// An optional path: absent or None gives nullopt.
template <>
struct Parameter<std::optional<Path>> {
    struct Stage {
        PyRef holder;
        std::optional<std::string_view> text;
    };
    using Value = std::optional<std::string_view>;
    static std::optional<Stage> read(const Signature& s, std::size_t i, PyObject* value, const Default&) {
        Stage stage;
        if (is_absent(value)) return stage;
        auto text = path_argument(s, i, value, stage.holder);
        if (!text) return std::nullopt;
        stage.text = *text;
        return stage;
    }
    static std::optional<Value> finish(Stage& stage) { return std::optional<Value>(std::in_place, stage.text); }
};

// A body by NAIF id (a str or an int), parsed at its turn; absent or None: nullopt.
template <>
struct Parameter<std::optional<BodyCode>> : ReadOnce<std::optional<std::int32_t>> {
    static std::optional<std::optional<std::int32_t>> read(const Signature& s, std::size_t i, PyObject* value,
                                                           const Default&) {
        if (is_absent(value)) return std::optional<std::optional<std::int32_t>>(std::in_place);
        auto name = body_argument(s, i, value);
        if (!name) return std::nullopt;
        auto id = parsed_or_raise(parse_body_argument(*name));
        if (!id) return std::nullopt;
        return std::optional<std::int32_t>(*id);
    }
};

// A sidereal mode by name, parsed at its turn; absent or None: nullopt.
template <>
struct Parameter<std::optional<SiderealMode>> : ReadOnce<std::optional<SiderealMode>> {
    static std::optional<std::optional<SiderealMode>> read(const Signature&, std::size_t, PyObject* value,
                                                           const Default&) {
        if (is_absent(value)) return std::optional<std::optional<SiderealMode>>(std::in_place);
        auto mode = parse_named(value, parse_sidereal_mode);
        if (!mode) return std::nullopt;
        return std::optional<SiderealMode>(*mode);
    }
};

// Values named by a str: the str parsed at its turn (NamedAt), or its type
// checked at its turn and parsed last (LateNamed). Named values may also be
// given as any object with a str `name` (our enum classes, Python enum
// members): NamedAt and LateNamedObject read those, their type checked when
// they are parsed.
template <class T, std::expected<T, std::string> (*parse)(std::string_view)>
struct LateNamed {
    using Stage = std::string_view;
    using Value = T;
    static std::optional<Stage> read(const Signature& s, std::size_t i, PyObject* value, const Default&) {
        return str_argument(s, i, value);
    }
    static std::optional<T> finish(Stage& name) { return parsed_or_raise(parse(name)); }
};

template <class T, std::expected<T, std::string> (*parse)(std::string_view)>
struct LateNamedObject {
    using Stage = PyObject*;
    using Value = T;
    static std::optional<Stage> read(const Signature&, std::size_t, PyObject* value, const Default&) { return value; }
    static std::optional<T> finish(Stage& value) { return parse_named(value, parse); }
};

template <class T, std::expected<T, std::string> (*parse)(std::string_view)>
struct NamedAt : ReadOnce<T> {
    static std::optional<T> read(const Signature&, std::size_t, PyObject* value, const Default&) {
        return parse_named(value, parse);
    }
};

template <>
struct Parameter<Late<Body>> : LateNamed<Body, parse_body> {};
template <>
struct Parameter<Late<TimeScale>> : LateNamed<TimeScale, parse_time_scale> {};
template <>
struct Parameter<Late<SiderealMode>> : LateNamedObject<SiderealMode, parse_sidereal_mode> {};
template <>
struct Parameter<Late<HorizonEventKind>> : LateNamedObject<HorizonEventKind, parse_horizon_event_kind> {};
template <>
struct Parameter<SeasonEvent> : NamedAt<SeasonEvent, parse_season_event> {};
template <>
struct Parameter<LunationEvent> : NamedAt<LunationEvent, parse_lunation_event> {};

// A body by name or NAIF id: its type checked at its turn, parsed last.
template <>
struct Parameter<Late<BodyCode>> {
    using Stage = BodyArgument;
    using Value = std::int32_t;
    static std::optional<Stage> read(const Signature& s, std::size_t i, PyObject* value, const Default&) {
        return body_argument(s, i, value);
    }
    static std::optional<std::int32_t> finish(Stage& body) { return parsed_or_raise(parse_body_argument(body)); }
};

// Julian days: a one-dimensional float64 buffer copied at its turn, each day
// checked finite last.
template <>
struct Parameter<Late<JulianDays>> {
    using Stage = std::vector<double>;
    using Value = std::vector<double>;
    static std::optional<Stage> read(const Signature& s, std::size_t i, PyObject* value, const Default&) {
        return float64_buffer_argument(s, i, value);
    }
    static std::optional<Value> finish(Stage& days) {
        for (double day : days) {
            if (!std::isfinite(day)) {
                value_error(TimeConversionError::non_finite_julian_day().message());
                return std::nullopt;
            }
        }
        return std::move(days);
    }
};

// The bodies of a batch, by name or NAIF id: each item's type checked at the
// sequence's turn, the names parsed once every other argument is finished.
// The names are copied: the items of a sequence that is not a list or tuple
// (a NumPy array of str, a user sequence) die with the temporary list, and
// another argument's conversion may run code that empties a list.
template <>
struct Parameter<Late<std::vector<BodyCode>>> {
    static constexpr bool FINISHED_LAST = true;
    struct Name {
        std::string text;
        BodyArgument body;
    };
    using Stage = std::vector<Name>;
    using Value = std::vector<std::int32_t>;
    static std::optional<Stage> read(const Signature& s, std::size_t i, PyObject* value, const Default&) {
        Stage names;
        if (!sequence_argument(s, i, value, "a sequence of str or int", [&](PyObject* item) {
                BodyArgument body;
                const int read = read_body_argument(s, i, item, body);
                if (read == 1) names.push_back(Name{std::string(body.text), body});
                return read;
            })) {
            return std::nullopt;
        }
        return names;
    }
    static std::optional<Value> finish(Stage& names) {
        Value bodies;
        bodies.reserve(names.size());
        for (Name& name : names) {
            name.body.text = name.text;
            auto body = parsed_or_raise(parse_body_argument(name.body));
            if (!body) return std::nullopt;
            bodies.push_back(*body);
        }
        return bodies;
    }
};

}  // namespace orvane::python
