// Reading a leap-second kernel and converting instants of every scale with it.
#include "input_file.hpp"
#include "time/leap_second_kernel.hpp"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto kernel = LeapSecondKernel::open(fuzz::write_input(data, size), fuzz::ANY_SHA256);
    if (!kernel) return 0;
    for (double jd : {2441317.5, 2451545.0, 2457754.5, 2469807.5}) {
        for (TimeScale scale : {TimeScale::Utc, TimeScale::Tt, TimeScale::Tdb}) {
            (void)kernel->tdb_seconds(scale, jd);
            (void)kernel->utc_julian_day(scale, nullptr, jd);
        }
        (void)kernel->utc_julian_day_from_tt(jd);
    }
    return 0;
}
