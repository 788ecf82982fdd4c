#pragma once
#include <cstdint>
#include <string_view>

namespace orvane {

enum class HouseSystem : std::uint8_t {
    Placidus,
    Campanus,
    Equal,
    WholeSign,
    Koch,
    Regiomontanus,
    Porphyry,
    Alcabitius,
    Topocentric,
    Morinus,
    Meridian,
    Horizontal,
    VehlowEqual,
    Sripati,
    KrusinskiPisa,
    Apc,
    Sunshine,
};
enum class SiderealMode : std::uint8_t {
    Lahiri,
    FaganBradley,
    Raman,
    UshaShashi,
    Krishnamurti,
    DjwhalKhul,
    Yukteshwar,
    JnBhasin,
    Sassanian,
    TrueCitra,
    TrueRevati,
    TruePushya,
    TrueMula,
    GalacticCentre0Sag,
    GalacticCentreGilBrand,
    GalacticCentreCochrane,
};
enum class HorizonEventKind : std::uint8_t { Rise, Set, Transit };

constexpr std::string_view name(HorizonEventKind kind) {
    switch (kind) {
        case HorizonEventKind::Rise: return "Rise";
        case HorizonEventKind::Set: return "Set";
        case HorizonEventKind::Transit: return "Transit";
    }
    return "Transit";
}

}  // namespace orvane
