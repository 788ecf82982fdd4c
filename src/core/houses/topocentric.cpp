// The Topocentric (Polich-Page) house system.
#include <numbers>

#include "core/houses/house_systems.hpp"

namespace orvane {

// Topocentric (V. Polich and A. N. Page, 1961): the equator divided from the
// meridian in steps of 30 degrees, with the tangent of the pole height growing
// in thirds of the birthplace's from the meridian (0) to the horizon (tan phi).
// As in Regiomontanus, cusps 10 to 12 lie above the horizon: where the
// midheaven lies below it, cusp 10 is its opposite point and the others turn
// with it.
std::optional<HouseCuspsRad> topocentric_cusps(const HouseSky& sky) {
    constexpr double PI = std::numbers::pi;
    const double tan_phi = sky.sin_phi / sky.cos_phi;
    const double turn = turn_above_horizon(sky);
    auto cusp = [&](double offset_deg, double share) {
        return ecliptic_longitude_under_pole(sky.ramc + offset_deg * PI / 180.0, tan_phi * share, sky) + turn;
    };
    HouseCuspsRad c = with_angles(sky, cusp(30.0, 1.0 / 3.0), cusp(60.0, 2.0 / 3.0), cusp(120.0, 2.0 / 3.0),
                                  cusp(150.0, 1.0 / 3.0));
    c[9] += turn;
    c[3] += turn;
    return c;
}

}  // namespace orvane
