#pragma once
#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/stars/catalogue_star.hpp"

// The Hipparcos catalogue, new reduction (F. van Leeuwen 2007, ESA catalogue
// I/311), as its file hip2.dat gives it: one star a line, fields apart by
// blanks: HIP number, solution type (three fields), right ascension and
// declination (radians, ICRS, epoch J1991.25), parallax (mas), proper motions
// in right ascension times cos(declination) and in declination (mas per
// year), their five standard errors, number of transits, goodness of fit,
// percentage of rejected data, cosmic dispersion, entry in the intermediate
// data, Hp magnitude, its error and scatter, variability, B-V, its error,
// V-I, and the fifteen elements of the upper-triangular weight matrix.
namespace orvane {

struct HipparcosStar {
    std::int32_t hip = 0;
    CatalogueStar astrometry{};
    double hp_magnitude = 0.0;  // Hipparcos passband, not V
    double b_minus_v = 0.0;
    double v_minus_i = 0.0;
};

// The rows of a catalogue file, in HIP order, each number once.
class HipparcosCatalogue {
public:
    // Reads the text of hip2.dat (or any subset of its lines). A line with too
    // few fields, a field that is not a number, a HIP number out of
    // 1..999999, a position outside its range, a non-finite value or a HIP
    // number given twice refuses the whole text, naming the line.
    static std::expected<HipparcosCatalogue, std::string> parse(std::string_view text);

    std::span<const HipparcosStar> stars() const { return stars_; }
    // The star with the HIP number, if the catalogue has it.
    const HipparcosStar* find(std::int32_t hip) const;

private:
    std::vector<HipparcosStar> stars_;
};

}  // namespace orvane
