// Opening an SPK kernel as an engine and evaluating bodies at instants across
// its coverage, one by one and in a batch.
#include <array>
#include <vector>

#include "engine/engine.hpp"
#include "input_file.hpp"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto engine = SpkOrvane::open(fuzz::write_input(data, size), fuzz::ANY_SHA256);
    if (!engine) return 0;
    const DateRange range = engine->supported_range;
    std::vector<Instant> instants;
    for (double fraction : {0.0, 0.37, 1.0}) {
        instants.push_back(Instant{range.start_julian_day + fraction * (range.end_julian_day - range.start_julian_day),
                                   TimeScale::Tdb});
    }
    // Geometric requests reach every path the kernel's words take; an apparent
    // one adds the corrections (and the frame of date, which the input does not reach).
    const std::array bodies{Body::Sun, Body::Moon, Body::Mercury, Body::Earth, Body::Mars, Body::Pluto};
    PositionOptions geometric;
    for (Body body : bodies) {
        for (const Instant& instant : instants) (void)engine->position(body, instant, geometric);
    }
    (void)engine->positions(bodies, instants, geometric);
    PositionOptions apparent;
    apparent.apparent = true;
    (void)engine->position(Body::Mars, instants[1], apparent);
    return 0;
}
