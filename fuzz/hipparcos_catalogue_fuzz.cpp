// Reading a Hipparcos catalogue text (hip2.dat lines) and moving every star
// it accepts: a malformed text is refused, never a crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/stars/catalogue_star.hpp"
#include "core/stars/hipparcos_catalogue.hpp"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto catalogue = HipparcosCatalogue::parse(text);
    if (catalogue) {
        for (const HipparcosStar& star : catalogue->stars()) {
            (void)catalogue->find(star.hip);
            (void)catalogue_star_state(star.astrometry, 2451545.0);
        }
        (void)catalogue->find(0);
    }
    return 0;
}
