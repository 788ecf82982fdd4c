#pragma once
#include <Python.h>

#include <optional>
#include <string_view>

#include "engine/engine.hpp"

// The Engine's request methods, declared here and listed once in ENGINE_METHODS.
namespace orvane::python {

extern PyMethodDef ENGINE_METHODS[];

// The entries of the methods declared with bind() (python/bound_method.hpp).
PyMethodDef engine_with_leap_second_kernel();
PyMethodDef engine_with_eop();
PyMethodDef engine_with_time_kernels();
PyMethodDef engine_with_additional_kernel_file();
PyMethodDef engine_position();
PyMethodDef engine_positions();
PyMethodDef engine_positions_for_julian_days();
PyMethodDef engine_sidereal_position();
PyMethodDef engine_rise_set_transit();
PyMethodDef engine_next_horizon_event();
PyMethodDef engine_next_season_event();
PyMethodDef engine_next_lunation();
PyMethodDef engine_ayanamsha();
PyMethodDef engine_events();
PyMethodDef engine_horizon_events();
PyMethodDef engine_sidereal_time();
PyMethodDef engine_lunar_eclipses();
PyMethodDef engine_solar_eclipses();
PyMethodDef engine_local_solar_eclipses();
PyMethodDef engine_convert_instant();
PyMethodDef engine_altitude_azimuth();
PyMethodDef engine_with_time_model();
PyMethodDef engine_ut1_source();
PyMethodDef engine_with_star_catalogue();
PyMethodDef engine_star_position();
PyMethodDef engine_star_positions();
PyMethodDef engine_star_horizon_events();
PyMethodDef engine_catalogue_stars();

// The constructor's optional time-kernel arguments, handled after the primary
// kernel opened: the leap-second pair, then the Earth-orientation pair. Null
// with ValueError set on failure.
std::optional<SpkOrvane> attach_constructor_time_kernels(SpkOrvane engine,
                                                         std::optional<std::string_view> leap_second_kernel,
                                                         std::optional<std::string_view> leap_second_sha256,
                                                         std::optional<std::string_view> eop,
                                                         std::optional<std::string_view> eop_sha256);

}  // namespace orvane::python
