#pragma once
#include <Python.h>

#include <cstdint>
#include <new>
#include <optional>
#include <type_traits>
#include <string_view>

#include "core/errors.hpp"

// Every failure of the libraries reaches Python as a ValueError whose only
// argument is the failure's text; the failures a caller can act on raise a
// subclass of ValueError carrying their data as attributes.
namespace orvane::python {

inline constexpr std::string_view ENGINE_CLOSED = "engine is closed";

// Sets ValueError(message); returns nullptr for use in return statements.
PyObject* value_error(std::string_view message);

// Sets the error's class (ValueError or one of the subclasses below) with the
// error's text; returns nullptr. `body` is the NAIF id of the one body the
// request was about, which the coverage errors carry.
PyObject* map_orvane_error(const OrvaneError& error, std::optional<std::int32_t> body = std::nullopt);

// Sets FileError(text) for a file that cannot be used, with the path as the
// caller gave it and the file's role ("kernel", "eop", ...); returns nullptr.
PyObject* file_error(std::string_view text, std::string_view path, std::string_view role);

// The same for a failure of the core functions.
PyObject* map_coordinate_error(CoordinateError error);

// The subclasses of ValueError, made once per process.
PyTypeObject* create_outside_coverage_error();
PyTypeObject* create_outside_eop_coverage_error();
PyTypeObject* create_undefined_house_cusps_error();
PyTypeObject* create_file_error();

// Every function Python calls is entered through guarded<function>: an
// allocation that fails anywhere below it (argument conversion included)
// becomes MemoryError instead of ending the process.
template <auto function>
struct Guard;

template <class Result, class... Arguments, Result (*function)(Arguments...)>
struct Guard<function> {
    static Result call(Arguments... arguments) noexcept {
        try {
            return function(arguments...);
        } catch (const std::bad_alloc&) {
            PyErr_NoMemory();
            if constexpr (std::is_pointer_v<Result>) {
                return nullptr;
            } else {
                return -1;
            }
        }
    }
};

template <auto function>
inline constexpr auto guarded = &Guard<function>::call;

}  // namespace orvane::python
