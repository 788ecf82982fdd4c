#include "python/engine_methods.hpp"

namespace orvane::python {

PyMethodDef ENGINE_METHODS[] = {
    engine_with_leap_second_kernel(),
    engine_with_eop(),
    engine_with_time_kernels(),
    engine_with_additional_kernel_file(),
    engine_position(),
    engine_positions(),
    engine_positions_for_julian_days(),
    engine_rise_set_transit(),
    engine_next_horizon_event(),
    engine_next_season_event(),
    engine_next_lunation(),
    engine_events(),
    engine_horizon_events(),
    engine_sidereal_time(),
    engine_lunar_eclipses(),
    engine_solar_eclipses(),
    engine_local_solar_eclipses(),
    engine_sidereal_position(),
    engine_ayanamsha(),
    engine_convert_instant(),
    engine_altitude_azimuth(),
    engine_with_time_model(),
    engine_ut1_source(),
    engine_with_star_catalogue(),
    engine_star_position(),
    engine_star_positions(),
    engine_star_horizon_events(),
    engine_catalogue_stars(),
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace orvane::python
