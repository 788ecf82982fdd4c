#pragma once
#include <Python.h>

#include <optional>
#include <string_view>

#include "core/astrometry_model.hpp"
#include "python/arguments.hpp"

// The astrometric model a request names: "standard" (the default) or "full".
namespace orvane::python {

// The canonical name of a model.
std::string_view model_name(AstrometryModel model);

// A model argument: absent gives Standard; a str other than the two names is
// a ValueError, another type a TypeError naming the parameter.
std::optional<AstrometryModel> model_argument(const Signature& signature, std::size_t index, PyObject* value);

// The name alone parsed (ValueError for another name), for a constructor
// that converts every argument's type before it parses any.
std::optional<AstrometryModel> parse_model_name(std::string_view text);

}  // namespace orvane::python
