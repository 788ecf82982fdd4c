#pragma once
#include <array>
#include <optional>
#include <string_view>

#include "core/houses/house_division.hpp"
#include "core/selectors.hpp"

// Every house system: the function that divides the sky of one moment at one
// place (one file each, cusps 1 to 12 in radians, any turn; nothing where the
// system is undefined there), and the one table that names them.
namespace orvane {

std::optional<HouseCuspsRad> placidus_cusps(const HouseSky& sky);
std::optional<HouseCuspsRad> campanus_cusps(const HouseSky& sky);
std::optional<HouseCuspsRad> equal_cusps(const HouseSky& sky);
std::optional<HouseCuspsRad> whole_sign_cusps(const HouseSky& sky);
std::optional<HouseCuspsRad> koch_cusps(const HouseSky& sky);
std::optional<HouseCuspsRad> regiomontanus_cusps(const HouseSky& sky);
std::optional<HouseCuspsRad> porphyry_cusps(const HouseSky& sky);
std::optional<HouseCuspsRad> alcabitius_cusps(const HouseSky& sky);
std::optional<HouseCuspsRad> topocentric_cusps(const HouseSky& sky);
std::optional<HouseCuspsRad> morinus_cusps(const HouseSky& sky);
std::optional<HouseCuspsRad> meridian_cusps(const HouseSky& sky);
std::optional<HouseCuspsRad> horizontal_cusps(const HouseSky& sky);
std::optional<HouseCuspsRad> vehlow_equal_cusps(const HouseSky& sky);
std::optional<HouseCuspsRad> sripati_cusps(const HouseSky& sky);
std::optional<HouseCuspsRad> krusinski_pisa_cusps(const HouseSky& sky);
std::optional<HouseCuspsRad> apc_cusps(const HouseSky& sky);
std::optional<HouseCuspsRad> sunshine_cusps(const HouseSky& sky);

struct HouseSystemRow {
    HouseSystem system;
    // The canonical name: lower case, words joined by "_". Any spelling that
    // differs only in case, in "-", "_" or " " between the words, or in
    // leaving them out, names the same system.
    std::string_view name;
    std::array<std::string_view, 2> other_names;  // further names, in the same form ("" for none)
    std::string_view title;                       // as written in prose
    bool needs_sun_declination;
    std::optional<HouseCuspsRad> (*cusps)(const HouseSky& sky);
};

// One row per system, in the order of the HouseSystem values.
inline constexpr std::array<HouseSystemRow, 17> HOUSE_SYSTEMS{{
    {HouseSystem::Placidus, "placidus", {}, "Placidus", false, placidus_cusps},
    {HouseSystem::Campanus, "campanus", {}, "Campanus", false, campanus_cusps},
    {HouseSystem::Equal, "equal", {}, "Equal", false, equal_cusps},
    {HouseSystem::WholeSign, "whole_sign", {}, "Whole Sign", false, whole_sign_cusps},
    {HouseSystem::Koch, "koch", {}, "Koch", false, koch_cusps},
    {HouseSystem::Regiomontanus, "regiomontanus", {}, "Regiomontanus", false, regiomontanus_cusps},
    {HouseSystem::Porphyry, "porphyry", {}, "Porphyry", false, porphyry_cusps},
    {HouseSystem::Alcabitius, "alcabitius", {}, "Alcabitius", false, alcabitius_cusps},
    {HouseSystem::Topocentric, "topocentric", {"polich_page", ""}, "Topocentric", false, topocentric_cusps},
    {HouseSystem::Morinus, "morinus", {}, "Morinus", false, morinus_cusps},
    {HouseSystem::Meridian, "meridian", {"axial", ""}, "Meridian", false, meridian_cusps},
    {HouseSystem::Horizontal, "horizontal", {"azimuthal", ""}, "Horizontal", false, horizontal_cusps},
    {HouseSystem::VehlowEqual, "vehlow_equal", {"vehlow", ""}, "Vehlow Equal", false, vehlow_equal_cusps},
    {HouseSystem::Sripati, "sripati", {}, "Sripati", false, sripati_cusps},
    {HouseSystem::KrusinskiPisa, "krusinski_pisa", {"krusinski", ""}, "Krusinski-Pisa", false,
     krusinski_pisa_cusps},
    {HouseSystem::Apc, "apc", {}, "APC", false, apc_cusps},
    {HouseSystem::Sunshine, "sunshine", {"makransky", ""}, "Sunshine", true, sunshine_cusps},
}};

constexpr bool house_systems_in_order() {
    for (std::size_t i = 0; i < HOUSE_SYSTEMS.size(); ++i) {
        if (static_cast<std::size_t>(HOUSE_SYSTEMS[i].system) != i) return false;
    }
    return true;
}
static_assert(house_systems_in_order(), "HOUSE_SYSTEMS lists the HouseSystem values in order");

constexpr const HouseSystemRow& house_system_row(HouseSystem system) {
    return HOUSE_SYSTEMS[static_cast<std::size_t>(system)];
}

}  // namespace orvane
