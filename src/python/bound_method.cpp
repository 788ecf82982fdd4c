#include "python/bound_method.hpp"

#include <charconv>
#include <cmath>

namespace orvane::python {
namespace {

// A number as Python's repr shows a float: the shortest round trip, with a
// ".0" on a whole number.
std::string float_repr(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char buffer[64];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    std::string text(buffer, end);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

std::string default_text(const Default& fallback) {
    switch (fallback.kind) {
        case Default::Kind::Required: return {};
        case Default::Kind::None: return "None";
        case Default::Kind::Number: return float_repr(fallback.number);
        case Default::Kind::Boolean: return fallback.boolean ? "True" : "False";
        case Default::Kind::Text: return "\"" + std::string(fallback.text) + "\"";
    }
    return {};
}

}  // namespace

std::string method_docstring(const Method& method) {
    std::string text = std::string(method.name) + "($self";
    for (std::size_t i = 0; i < method.count(); ++i) {
        const MethodParameter& parameter = method.parameters[i];
        text += ", ";
        text += parameter.name;
        if (parameter.fallback.kind != Default::Kind::Required) text += "=" + default_text(parameter.fallback);
    }
    return text + ")\n--\n\n" + method.doc;
}

}  // namespace orvane::python
