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
    {"events", fast(guarded<engine_events>), FAST,
     "events($self, kind, start, end, body=None, other=None, angle_deg=None, sidereal=None, model=\"standard\")"
     "\n--\n\n"
     "Every occurrence of an event between two instants, in order, as (TT Julian day, name) pairs.\n"
     "Kinds: moon_quarters, longitude (body reaching angle_deg), aspect (body to other at angle_deg),\n"
     "ingress, station, sun_conjunction, greatest_elongation, lunar_apsis, lunar_node,\n"
     "lunar_declination. The body defaults to the Moon, the other body to the Sun; with a sidereal\n"
     "mode, longitudes and ingresses are in that sidereal zodiac. model=\"full\" searches the places\n"
     "of the full IAU 2006/2000A astrometric model."},
    {"horizon_events", fast(guarded<engine_horizon_events>), FAST,
     "horizon_events($self, body, observer, start, end, altitude_deg=None)\n--\n\n"
     "Every rise, set, transit and lower_transit of a body at a place between two instants, in\n"
     "order, as (UT1 Julian day, name) pairs; the centre crosses altitude_deg (default -34', the\n"
     "refracted horizon)."},
    {"sidereal_time", fast(guarded<engine_sidereal_time>), FAST,
     "sidereal_time($self, instant, longitude_east_deg=0.0, apparent=True, model=\"standard\")\n--\n\n"
     "Greenwich (or local) apparent or mean sidereal time in degrees (IAU 2006/2000B;\n"
     "IAU 2006/2000A with model=\"full\")."},
    {"lunar_eclipses", fast(guarded<engine_lunar_eclipses>), FAST,
     "lunar_eclipses($self, start, end, shadow_rule='danjon')\n--\n\n"
     "Every lunar eclipse whose greatest eclipse falls between two instants, in order, as tuples\n"
     "(kind, greatest, p1, u1, u2, u3, u4, p4, umbral_magnitude, penumbral_magnitude, gamma):\n"
     "kind 'penumbral', 'partial' or 'total'; TT Julian days, None for a contact not reached;\n"
     "gamma in Earth radii. shadow_rule 'danjon' (1.01 x parallax) or 'chauvenet' (1/50)."},
    {"solar_eclipses", fast(guarded<engine_solar_eclipses>), FAST,
     "solar_eclipses($self, start, end)\n--\n\n"
     "Every solar eclipse whose greatest eclipse falls between two instants, in order, as tuples\n"
     "(kind, greatest, central, longitude_east_deg, latitude_deg, magnitude, gamma, path_width_km):\n"
     "kind 'partial', 'annular', 'total' or 'hybrid'; greatest a TT Julian day; the place of\n"
     "greatest eclipse; path_width_km 0 unless central. Needs both time kernels."},
    {"local_solar_eclipses", fast(guarded<engine_local_solar_eclipses>), FAST,
     "local_solar_eclipses($self, observer, start, end, horizon_altitude_deg=-0.8333333333333334)\n--\n\n"
     "Every solar eclipse a place sees (the Moon's disc over the Sun's, Sun up or not) whose\n"
     "maximum falls between two instants, in order, as tuples (kind, maximum, c1, c2, c3, c4,\n"
     "magnitude, obscuration, altitude_c1_deg, altitude_c2_deg, altitude_maximum_deg,\n"
     "altitude_c3_deg, altitude_c4_deg, visible): kind 'partial', 'annular' or 'total'; TT Julian\n"
     "days; None for a contact not reached; the Sun's geometric altitude at each; visible when the\n"
     "geometric altitude of the Sun's centre exceeds horizon_altitude_deg (default -50 arcmin: the\n"
     "upper limb on a sea horizon with standard refraction) at C1, C2, maximum, C3, C4 or one of\n"
     "twelve equal steps from C1 to C4. Needs both time kernels."},
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
    {"star_horizon_events", fast(guarded<engine_star_horizon_events>), FAST,
     "star_horizon_events($self, hip, observer, start, end, altitude_deg=None)\n--\n\n"
     "Every rise, set, transit and lower_transit of a catalogue star at a place between two\n"
     "instants, in order, as (UT1 Julian day, name) pairs (altitude_deg default -34')."},
    {"catalogue_stars", fast(guarded<engine_catalogue_stars>), FAST,
     "catalogue_stars($self, magnitude_limit)\n--\n\n"
     "The attached catalogue's stars with Hp magnitude at most the limit, as\n"
     "(hip, Hp magnitude, B-V, V-I) tuples in HIP order."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace orvane::python
