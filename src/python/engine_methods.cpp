#include "python/engine_methods.hpp"

#include "python/python_errors.hpp"

namespace orvane::python {
namespace {
PyCFunction fast(FastMethod method) { return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(method)); }
constexpr int FAST = METH_FASTCALL | METH_KEYWORDS;
}  // namespace

PyMethodDef ENGINE_METHODS[] = {
    {"with_leap_second_kernel", fast(guarded<engine_with_leap_second_kernel>), FAST,
     "with_leap_second_kernel($self, path, sha256)\n--\n\n"
     "Attach a NAIF leap-second kernel so UTC (and UT1 with EOP) convert."},
    {"with_eop", fast(guarded<engine_with_eop>), FAST,
     "with_eop($self, path, sha256)\n--\n\nAttach an IERS EOP 20 C04 table for UT1 and polar motion."},
    {"with_time_kernels", fast(guarded<engine_with_time_kernels>), FAST,
     "with_time_kernels($self, leap_second_kernel, leap_second_sha256, eop, eop_sha256)\n--\n\n"
     "Attach both an LSK and an EOP table."},
    {"with_additional_kernel_file", fast(guarded<engine_with_additional_kernel_file>), FAST,
     "with_additional_kernel_file($self, path, sha256)\n--\n\n"
     "Attach an extra planet-center SPK. The primary kernel still wins for\n"
     "any body and epoch it already covers. `sha256` is caller-verified."},
    {"position", fast(guarded<engine_position>), FAST,
     "position($self, body, instant, options)\n--\n\nOne spherical position for a named body."},
    {"positions", fast(guarded<engine_positions>), FAST,
     "positions($self, bodies, instants, options, threads=None)\n--\n\n"
     "Batch positions as a `NumPy` array of shape `(n_instants, n_bodies, 4)`.\n\n"
     "Columns are longitude (deg), latitude (deg), distance (au) and longitude\n"
     "speed (deg/day); the layout is instant-major, like the engine's batch\n"
     "operation: element [i, j] is body j at instant i. `threads` (default:\n"
     "`get_threads()`) is how many threads share the instants; the result and\n"
     "any error are those of one thread."},
    {"positions_for_julian_days", fast(guarded<engine_positions_for_julian_days>), FAST,
     "positions_for_julian_days($self, bodies, julian_days, time_scale, options, threads=None)\n--\n\n"
     "Batch positions at Julian days of one time scale, given as a one-dimensional\n"
     "C-contiguous float64 buffer (a `NumPy` array, `array.array('d')`).\n\n"
     "Returns the array `positions` returns for the same instants."},
    {"rise_set_transit", fast(guarded<engine_rise_set_transit>), FAST,
     "rise_set_transit($self, body, observer, around, altitude_deg)\n--\n\n"
     "Same-day Sun or Moon rise, set, and meridian transit (UT1 Julian days)."},
    {"next_horizon_event", fast(guarded<engine_next_horizon_event>), FAST,
     "next_horizon_event($self, body, observer, after, kind, altitude_deg)\n--\n\n"
     "Next Sun or Moon rise, set, or transit strictly after `after`."},
    {"next_season_event", fast(guarded<engine_next_season_event>), FAST,
     "next_season_event($self, after, kind, model=\"standard\")\n--\n\n"
     "Next equinox or solstice after `after`. Returned instant is TT."},
    {"next_lunation", fast(guarded<engine_next_lunation>), FAST,
     "next_lunation($self, after, kind, model=\"standard\")\n--\n\nNext new or full Moon after `after`. Returned instant is TT."},
    engine_events(),
    engine_horizon_events(),
    engine_sidereal_time(),
    engine_lunar_eclipses(),
    engine_solar_eclipses(),
    engine_local_solar_eclipses(),
    {"sidereal_position", fast(guarded<engine_sidereal_position>), FAST,
     "sidereal_position($self, body, instant, options, mode)\n--\n\n"
     "Ecliptic of-date position with Lahiri or Fagan\u2013Bradley ayanamsha."},
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
