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
     "positions($self, bodies, instants, options)\n--\n\n"
     "Batch positions as a `NumPy` array of shape `(n_instants, n_bodies, 4)`.\n\n"
     "Columns are longitude (deg), latitude (deg), distance (au) and longitude\n"
     "speed (deg/day); the layout is instant-major, like the engine's batch\n"
     "operation: element [i, j] is body j at instant i."},
    {"positions_for_julian_days", fast(guarded<engine_positions_for_julian_days>), FAST,
     "positions_for_julian_days($self, bodies, julian_days, time_scale, options)\n--\n\n"
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
    {"events", fast(guarded<engine_events>), FAST,
     "events($self, kind, start, end, body=None, other=None, angle_deg=None, sidereal=None, model=\"standard\")"
     "\n--\n\n"
     "Every occurrence of an event between two instants, in order, as (TT Julian day, name) pairs.\n"
     "Kinds: moon_quarters, longitude (body reaching angle_deg), aspect (body to other at angle_deg),\n"
     "ingress, station, sun_conjunction, greatest_elongation, lunar_apsis, lunar_node,\n"
     "lunar_declination. The body defaults to the Moon, the other body to the Sun; with a sidereal\n"
     "mode, longitudes and ingresses are in that sidereal zodiac. model=\"full\" searches the places\n"
     "of the full IAU 2006/2000A astrometric model."},
    {"sidereal_time", fast(guarded<engine_sidereal_time>), FAST,
     "sidereal_time($self, instant, longitude_east_deg=0.0, apparent=True, model=\"standard\")\n--\n\n"
     "Greenwich (or local) apparent or mean sidereal time in degrees (IAU 2006/2000B;\n"
     "IAU 2006/2000A with model=\"full\")."},
    {"sidereal_position", fast(guarded<engine_sidereal_position>), FAST,
     "sidereal_position($self, body, instant, options, mode)\n--\n\n"
     "Ecliptic of-date position with Lahiri or Fagan\u2013Bradley ayanamsha."},
    {"ayanamsha", fast(guarded<engine_ayanamsha>), FAST,
     "ayanamsha($self, mode, instant)\n--\n\n"
     "Mean ayanamsha of the sidereal mode at `instant` and its rate (the offset sidereal_position subtracts)."},
    {"convert_instant", fast(guarded<engine_convert_instant>), FAST,
     "convert_instant($self, instant, time_scale)\n--\n\n"
     "The same instant in another time scale (\"tdb\", \"tt\", \"utc\" or \"ut1\"),\n"
     "converted with the attached leap-second kernel and EOP table."},
    {"altitude_azimuth", fast(guarded<engine_altitude_azimuth>), FAST,
     "altitude_azimuth($self, body, observer, instant, refraction=False)\n--\n\n"
     "Apparent altitude and azimuth of a body seen from a place, as the tuple\n"
     "`(altitude_deg, azimuth_deg, distance_au)`.\n\n"
     "From the apparent topocentric place on the true equator of date, the\n"
     "apparent sidereal time and the EOP table's polar motion; azimuth from\n"
     "north through east in [0, 360). With `refraction=True` the altitude\n"
     "includes standard refraction (Saemundsson, 1010 hPa, 10 \u00b0C; none\n"
     "below -1\u00b0). Needs both time kernels."},
    {"with_time_model", fast(guarded<engine_with_time_model>), FAST,
     "with_time_model($self, delta_t, delta_t_sha256, early_utc, early_utc_sha256)\n--\n\n"
     "Attach the Delta T splines and the table of UTC from 1960 to 1972: with a\n"
     "leap-second kernel, UTC, UT1 and TT then convert at every date (UT1 from\n"
     "the Delta T model outside the EOP table, UTC = UT1 before 1960)."},
    {"ut1_source", fast(guarded<engine_ut1_source>), FAST,
     "ut1_source($self, instant)\n--\n\n"
     "Where the instant's UT1 comes from: \"measured\" or \"predicted\" (the EOP\n"
     "table's rows) or \"model\" (the Delta T model)."},
    {"with_star_catalogue", fast(guarded<engine_with_star_catalogue>), FAST,
     "with_star_catalogue($self, path)\n--\n\n"
     "Attach the stars of a Hipparcos catalogue file (hip2.dat, ESA I/311)."},
    {"star_position", fast(guarded<engine_star_position>), FAST,
     "star_position($self, hip, instant, options)\n--\n\n"
     "One spherical position of a catalogue star by HIP number (space motion\n"
     "from J1991.25, radial velocity zero)."},
    {"star_positions", fast(guarded<engine_star_positions>), FAST,
     "star_positions($self, hips, instants, options)\n--\n\n"
     "Catalogue stars at instants as a `NumPy` array of shape\n"
     "`(n_instants, n_stars, 4)`, laid out as `positions`."},
    {"catalogue_stars", fast(guarded<engine_catalogue_stars>), FAST,
     "catalogue_stars($self, magnitude_limit)\n--\n\n"
     "The attached catalogue's stars with Hp magnitude at most the limit, as\n"
     "(hip, Hp magnitude, B-V, V-I) tuples in HIP order."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace orvane::python
