#include "core/body.hpp"

namespace orvane {
namespace {
struct BodyEntry {
    std::string_view name;
    std::int32_t naif_code;
};
constexpr std::array<BodyEntry, BODY_COUNT> BODIES{{
    {"Sun", 10}, {"Moon", 301}, {"Mercury", 199}, {"Venus", 299}, {"Earth", 399}, {"Mars", 499},
    {"Jupiter", 599}, {"Saturn", 699}, {"Uranus", 799}, {"Neptune", 899}, {"Pluto", 999},
}};
}  // namespace

std::string_view name(Body body) { return BODIES[static_cast<std::size_t>(body)].name; }
std::int32_t naif_code(Body body) { return BODIES[static_cast<std::size_t>(body)].naif_code; }

}  // namespace orvane
