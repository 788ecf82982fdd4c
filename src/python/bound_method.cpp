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

// Appended piece by piece: GCC 12 sees a false overlap (-Wrestrict) in
// "literal" + std::string.
void append_default(std::string& text, const Default& fallback) {
    switch (fallback.kind) {
        case Default::Kind::Required: return;
        case Default::Kind::None: text += "None"; return;
        case Default::Kind::Number: text += float_repr(fallback.number); return;
        case Default::Kind::Boolean: text += fallback.boolean ? "True" : "False"; return;
        case Default::Kind::Text:
            text += '"';
            text += fallback.text;
            text += '"';
            return;
    }
}

}  // namespace

std::string function_docstring(const char* name, std::span<const MethodParameter> parameters, bool method,
                               const char* doc) {
    std::string text = name;
    text += method ? "($self" : "(";
    bool first = !method;
    for (const MethodParameter& parameter : parameters) {
        if (parameter.name == nullptr) break;
        text += first ? "" : ", ";
        first = false;
        text += parameter.name;
        if (parameter.fallback.kind != Default::Kind::Required) {
            text += '=';
            append_default(text, parameter.fallback);
        }
    }
    text += ")\n--\n\n";
    text += doc;
    return text;
}

}  // namespace orvane::python
