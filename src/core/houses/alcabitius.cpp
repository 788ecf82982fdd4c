// The Alcabitius house system.
#include <cmath>
#include <numbers>

#include "core/houses/house_systems.hpp"

namespace orvane {

// Alcabitius (al-Qabisi, Introduction to Astrology, 10th century): the
// ascendant's diurnal and nocturnal semi-arcs trisected in right ascension;
// each cusp is the ecliptic point on the hour circle of a division. The
// ascendant lies on the horizon, so it always has a semi-arc.
std::optional<HouseCuspsRad> alcabitius_cusps(const HouseSky& sky) {
    constexpr double PI = std::numbers::pi;
    const double day = PI / 2.0 + ascensional_difference(std::sin(sky.asc) * sky.sin_eps, sky);
    const double night = PI - day;
    auto at = [&](double alpha) { return ecliptic_longitude_at_right_ascension(alpha, sky); };
    return with_angles(sky, at(sky.ramc + day / 3.0), at(sky.ramc + 2.0 * day / 3.0),
                       at(sky.ramc + day + night / 3.0), at(sky.ramc + day + 2.0 * night / 3.0));
}

}  // namespace orvane
