// Reading an Earth-orientation table (IERS EOP 20 C04 or IERS finals, told apart by content) and interpolating it inside and around its span.
#include "input_file.hpp"
#include "time/earth_orientation_table.hpp"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto table = EarthOrientationTable::open(fuzz::write_input(data, size), fuzz::ANY_SHA256);
    if (!table) return 0;
    const double first = table->first_utc_jd(), last = table->last_utc_jd();
    for (double jd : {first, 0.5 * (first + last), last, first - 1.0, last + 0.25}) {
        (void)table->interpolated_sample(jd);
        (void)table->polar_motion_arcsec(jd);
        (void)table->utc_julian_day_from_ut1(jd);
    }
    return 0;
}
