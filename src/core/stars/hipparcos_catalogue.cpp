#include "core/stars/hipparcos_catalogue.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numbers>

namespace orvane {

namespace {

// Fields of a hip2.dat line read here: the first 26 (the weight matrix that
// follows is not used).
constexpr std::size_t FIELDS_READ = 26;
constexpr std::size_t HIP = 0, RA = 4, DEC = 5, PARALLAX = 6, PM_RA = 7, PM_DEC = 8, HP_MAG = 19, B_V = 23,
                      V_I = 25;

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The blank-separated fields of a line, the first `count` of them.
std::size_t split(std::string_view line, std::array<std::string_view, FIELDS_READ>& fields) {
    std::size_t n = 0, i = 0;
    while (n < FIELDS_READ) {
        while (i < line.size() && blank(line[i])) ++i;
        if (i == line.size()) break;
        const std::size_t start = i;
        while (i < line.size() && !blank(line[i])) ++i;
        fields[n++] = line.substr(start, i - start);
    }
    return n;
}

std::optional<double> number(std::string_view field) {
    double value = 0.0;
    auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string refusal(std::size_t line, std::string_view what) {
    return "Hipparcos catalogue line " + std::to_string(line) + ": " + std::string(what);
}

std::expected<HipparcosStar, std::string> parse_line(std::string_view line, std::size_t line_number) {
    std::array<std::string_view, FIELDS_READ> fields;
    if (split(line, fields) < FIELDS_READ) return std::unexpected(refusal(line_number, "too few fields"));
    std::array<double, FIELDS_READ> values{};
    for (std::size_t i : {HIP, RA, DEC, PARALLAX, PM_RA, PM_DEC, HP_MAG, B_V, V_I}) {
        auto value = number(fields[i]);
        if (!value) return std::unexpected(refusal(line_number, "a field is not a finite number"));
        values[i] = *value;
    }
    const double hip = values[HIP];
    if (hip < 1.0 || hip > 999999.0 || hip != std::floor(hip)) {
        return std::unexpected(refusal(line_number, "HIP number out of range"));
    }
    if (values[RA] < 0.0 || values[RA] >= 2.0 * std::numbers::pi || std::abs(values[DEC]) > std::numbers::pi / 2.0) {
        return std::unexpected(refusal(line_number, "position out of range"));
    }
    HipparcosStar star;
    star.hip = static_cast<std::int32_t>(hip);
    star.astrometry = CatalogueStar{values[RA],    values[DEC],    HIPPARCOS_EPOCH_JULIAN_DAY,
                                    values[PM_RA], values[PM_DEC], values[PARALLAX]};
    star.hp_magnitude = values[HP_MAG];
    star.b_minus_v = values[B_V];
    star.v_minus_i = values[V_I];
    return star;
}

}  // namespace

std::expected<HipparcosCatalogue, std::string> HipparcosCatalogue::parse(std::string_view text) {
    HipparcosCatalogue catalogue;
    std::size_t line_number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++line_number;
        if (std::all_of(line.begin(), line.end(), blank)) continue;
        auto star = parse_line(line, line_number);
        if (!star) return std::unexpected(std::move(star.error()));
        catalogue.stars_.push_back(*star);
    }
    auto by_hip = [](const HipparcosStar& a, const HipparcosStar& b) { return a.hip < b.hip; };
    std::stable_sort(catalogue.stars_.begin(), catalogue.stars_.end(), by_hip);
    auto twice = std::adjacent_find(catalogue.stars_.begin(), catalogue.stars_.end(),
                                    [](const HipparcosStar& a, const HipparcosStar& b) { return a.hip == b.hip; });
    if (twice != catalogue.stars_.end()) {
        return std::unexpected("Hipparcos catalogue: HIP " + std::to_string(twice->hip) + " is given twice");
    }
    return catalogue;
}

const HipparcosStar* HipparcosCatalogue::find(std::int32_t hip) const {
    auto it = std::lower_bound(stars_.begin(), stars_.end(), hip,
                               [](const HipparcosStar& star, std::int32_t value) { return star.hip < value; });
    return it != stars_.end() && it->hip == hip ? &*it : nullptr;
}

}  // namespace orvane
