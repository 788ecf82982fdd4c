#pragma once
#include <Python.h>

#include <string_view>

#include "core/errors.hpp"

// Every failure of the libraries reaches Python as a ValueError whose only
// argument is the failure's text.
namespace orvane::python {

inline constexpr std::string_view ENGINE_CLOSED = "engine is closed";

// Sets ValueError(message); returns nullptr for use in return statements.
PyObject* value_error(std::string_view message);

// Sets ValueError with the error's text; returns nullptr.
PyObject* map_orvane_error(const OrvaneError& error);

}  // namespace orvane::python
