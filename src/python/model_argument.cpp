#include "python/model_argument.hpp"

#include <string>

#include "python/python_errors.hpp"

namespace orvane::python {

std::string_view model_name(AstrometryModel model) {
    return model == AstrometryModel::Full ? "full" : "standard";
}

std::optional<AstrometryModel> parse_model_name(std::string_view text) {
    if (text == "standard") return AstrometryModel::Standard;
    if (text == "full") return AstrometryModel::Full;
    value_error("unknown astrometry model '" + std::string(text) + "' (expected 'standard' or 'full')");
    return std::nullopt;
}

std::optional<AstrometryModel> model_argument(const Signature& signature, std::size_t index, PyObject* value) {
    if (value == nullptr) return AstrometryModel::Standard;
    auto text = str_argument(signature, index, value);
    if (!text) return std::nullopt;
    return parse_model_name(*text);
}

}  // namespace orvane::python
