#include "core/houses/house_division.hpp"

namespace orvane {

std::optional<HouseCuspsRad> house_division_cusps(HouseSystem system, const HouseSky& sky) {
    switch (system) {
        case HouseSystem::VehlowEqual:
        case HouseSystem::Porphyry:
        case HouseSystem::Sripati: return ecliptic_division_cusps(system, sky);
        case HouseSystem::Regiomontanus:
        case HouseSystem::Morinus:
        case HouseSystem::Meridian:
        case HouseSystem::Horizontal:
        case HouseSystem::KrusinskiPisa:
        case HouseSystem::Apc: return great_circle_cusps(system, sky);
        case HouseSystem::Koch:
        case HouseSystem::Alcabitius:
        case HouseSystem::Topocentric: return semi_arc_cusps(system, sky);
        default: return std::nullopt;
    }
}

}  // namespace orvane
