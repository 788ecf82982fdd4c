#include "time/leap_second_kernel.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <numbers>

#include "core/constants.hpp"
#include "core/files/kernel_file.hpp"
#include "core/fused_multiply_add.hpp"
#include "core/lane_sine_cosine.hpp"
#include "core/text/text_forms.hpp"
#include "time/text_file.hpp"

namespace orvane {

UtcConversionError UtcConversionError::from_time(TimeConversionError error) {
    UtcConversionError result;
    result.kind = Kind::Time;
    result.time = error;
    return result;
}

UtcConversionError UtcConversionError::from_orientation(EopError error) {
    UtcConversionError result;
    result.kind = Kind::Orientation;
    result.orientation = std::move(error);
    return result;
}

UtcConversionError UtcConversionError::missing_orientation_table() {
    UtcConversionError result;
    result.kind = Kind::MissingOrientationTable;
    return result;
}

UtcConversionError UtcConversionError::before_first_entry(double utc_jd, double first_utc_jd) {
    UtcConversionError result;
    result.kind = Kind::BeforeFirstEntry;
    result.utc_jd = utc_jd;
    result.first_utc_jd = first_utc_jd;
    return result;
}

std::string UtcConversionError::message() const {
    switch (kind) {
        case Kind::Time: return time.message();
        case Kind::Orientation: return orientation.message();
        case Kind::MissingOrientationTable:
            return "UT1 requires an Earth orientation table (DUT1); attach one with SpkOrvane::with_eop";
        case Kind::BeforeFirstEntry:
            return "UTC Julian day " + plain_float(utc_jd) + " precedes the kernel's earliest leap-second entry (" +
                   plain_float(first_utc_jd) + "); the offset is not extrapolated";
    }
    return {};
}

namespace {

using Lanes = double __attribute__((vector_size(TDB_TT_LANES * sizeof(double))));
using LaneMask = std::int64_t __attribute__((vector_size(TDB_TT_LANES * sizeof(double))));
static_assert(TDB_TT_LANES == 4, "the epochs are loaded four to a vector");

// sin and cos of small angles, |x| ≤ SMALL_ANGLE: their Taylor series to x^9
// and x^10 (the first term left out is below 3e-20).
constexpr double SMALL_ANGLE = 0.05;
[[gnu::always_inline]] inline void small_sine_cosine(const Lanes& x, Lanes& sine, Lanes& cosine) {
    const Lanes x2 = x * x;
    sine = x + x * x2 * (-1.0 / 6.0 + x2 * (1.0 / 120.0 + x2 * (-1.0 / 5040.0 + x2 * (1.0 / 362880.0))));
    cosine = 1.0 + x2 * (-0.5 + x2 * (1.0 / 24.0 + x2 * (-1.0 / 720.0 + x2 * (1.0 / 40320.0))));
}

// Whether every lane is at most 2^-27 in size: then x + x^3 (...) rounds to
// x and 1 + x^2 (...) to 1 (each term past the first below half an ulp).
[[gnu::always_inline]] inline bool tiny(const Lanes& x) {
    constexpr double LIMIT = 0x1p-27;
    const LaneMask small = (x <= LIMIT) & (x >= -LIMIT);
    return small[0] & small[1] & small[2] & small[3];
}

// a b + c, lane by lane, rounded once.
[[gnu::always_inline]] inline void fused(double a, const Lanes& b, double c, Lanes& out) {
    for (std::size_t i = 0; i < TDB_TT_LANES; ++i) out[i] = std::fma(a, b[i], c);
}

// x less the nearest multiple of 2π, for |x| ≤ REDUCED_LIMIT (Cody & Waite
// 1980, "Software Manual for the Elementary Functions", ch. 8: 2π in three
// parts, the first two with their low 28 bits cleared so that the multiples
// of them are exact; the third from the long double 2π).
constexpr double cleared(double x) {
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(x) & ~((std::uint64_t{1} << 28) - 1));
}
constexpr long double TWO_PI = 2 * std::numbers::pi_v<long double>;
constexpr double TWO_PI_1 = cleared(static_cast<double>(TWO_PI));
constexpr double TWO_PI_2 = cleared(static_cast<double>(TWO_PI - TWO_PI_1));
constexpr double TWO_PI_3 = static_cast<double>(TWO_PI - TWO_PI_1 - TWO_PI_2);
constexpr double TURNS_PER_RADIAN = static_cast<double>(1 / TWO_PI);
constexpr double ROUNDING = 6755399441055744.0;  // 1.5 × 2^52
constexpr double REDUCED_LIMIT = 536870912.0;      // 2^29 radians: under 2^27 turns
[[gnu::always_inline]] inline void within_half_turn(const Lanes& x, Lanes& out) {
    const Lanes n = (x * TURNS_PER_RADIAN + ROUNDING) - ROUNDING;
    out = ((x - n * TWO_PI_1) - n * TWO_PI_2) - n * TWO_PI_3;
}

// The general rounds, for constants whose angles are not small.
double tdb_minus_tt_rounds(const TdbTtConstants& c, double tt_seconds) {
    double offset = 0.0;
    for (int k = 0; k < 2; ++k) {
        const double m = std::fma(c.m1, tt_seconds + offset, c.m0);
        const double e = m + c.eb * std::sin(m);
        offset = c.k * std::sin(e);
    }
    return offset;
}

}  // namespace

ORVANE_FMA_CLONES void tdb_minus_tt_lanes(const TdbTtConstants& c, const double* tt_seconds, std::size_t count,
                                          double* out) {
    // The offset is kept apart from the epoch, so it carries no rounding of a
    // 1e9-second count. Each round shrinks the offset's error by M1 K (1 + EB)
    // (about 3.4e-10): from 1.7 ms to 6e-13 s, then to the rounding of
    // TT + offset (below 1e-15 s), far below the last place of an epoch.
    const bool small_turns = std::fabs(c.eb) <= SMALL_ANGLE && std::fabs(c.k * c.m1) <= SMALL_ANGLE;
    if (!small_turns) {
        for (std::size_t i = 0; i < count; ++i) out[i] = tdb_minus_tt_rounds(c, tt_seconds[i]);
        return;
    }
    // The same rounds from one sine and cosine, of M at TT: M at TDB is that
    // M plus d = M1 (TDB - TT), |d| ≤ |M1 K|, and E is M plus EB sin M, each
    // sine of a sum by the angle-addition formula with the small angle's
    // series. Within a few 1e-19 s of the rounds above. Each lane on its own:
    // an epoch's offset does not depend on its lane or its neighbours.
    // Unused lanes repeat the first epoch.
    const Lanes t{tt_seconds[0], tt_seconds[count > 1 ? 1 : 0], tt_seconds[count > 2 ? 2 : 0],
                  tt_seconds[count > 3 ? 3 : 0]};
    Lanes m_tt, m;
    fused(c.m1, t, c.m0, m_tt);
    Lanes sin_m_tt, cos_m_tt;
    Lanes reduced;
    within_half_turn(m_tt, reduced);
    lane_sine_cosine<Lanes, LaneMask>(reduced, sin_m_tt, cos_m_tt);
    // The first round, at TT itself: d is zero.
    Lanes sin_x, cos_x;
    small_sine_cosine(c.eb * sin_m_tt, sin_x, cos_x);
    const Lanes first = c.k * (sin_m_tt * cos_x + cos_m_tt * sin_x);
    // The second, at TT + that offset.
    Lanes sin_d, cos_d;
    fused(c.m1, t + first, c.m0, m);
    const Lanes d = m - m_tt;
    if (tiny(d)) {
        // What the series gives for so small an angle, bit for bit, sooner.
        sin_d = d;
        cos_d = Lanes{} + 1.0;
    } else {
        small_sine_cosine(d, sin_d, cos_d);
    }
    const Lanes sin_m = sin_m_tt * cos_d + cos_m_tt * sin_d, cos_m = cos_m_tt * cos_d - sin_m_tt * sin_d;
    small_sine_cosine(c.eb * sin_m, sin_x, cos_x);
    const Lanes offset = c.k * (sin_m * cos_x + cos_m * sin_x);
    // Mean anomalies beyond the reduction (epochs of 10^8 years and more) take the general rounds.
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = std::fabs(m_tt[i]) <= REDUCED_LIMIT ? offset[i] : tdb_minus_tt_rounds(c, tt_seconds[i]);
    }
}

double tdb_minus_tt(const TdbTtConstants& c, double tt_seconds) {
    double offset;
    tdb_minus_tt_lanes(c, &tt_seconds, 1, &offset);
    return offset;
}

double tdb_seconds_from_tt_seconds(const TdbTtConstants& constants, double tt_seconds) {
    return tt_seconds + tdb_minus_tt(constants, tt_seconds);
}

double tt_seconds_from_tdb_seconds(const TdbTtConstants& constants, double tdb_seconds) {
    return tdb_seconds - tdb_minus_tt(constants, tdb_seconds);
}

namespace {

std::unexpected<UtcConversionError> non_finite() {
    return std::unexpected(UtcConversionError::from_time(TimeConversionError::non_finite_julian_day()));
}

std::unexpected<UtcConversionError> orientation(EopError error) {
    return std::unexpected(UtcConversionError::from_orientation(std::move(error)));
}

double seconds_past_j2000(double jd) { return (jd - J2000_JULIAN_DAY) * SECONDS_PER_DAY; }

}  // namespace

// Loading.

std::expected<LeapSecondKernel, LskError> LeapSecondKernel::open(std::string_view path, std::string_view sha256) {
    std::optional<std::string> name = utf8_file_name(path);
    if (!name) return std::unexpected(LskError::file_name());
    auto text = read_utf8_text_file(path);
    if (!text) return std::unexpected(LskError::read(std::move(text.error())));
    return from_text(std::move(*name), sha256, *text);
}

std::expected<LeapSecondKernel, LskError> LeapSecondKernel::from_text(std::string file_name, std::string_view sha256,
                                                                      std::string_view text) {
    if (!is_sha256_text(sha256)) return std::unexpected(LskError::checksum());
    auto data = extract_data_sections(text);
    if (!data) return std::unexpected(std::move(data.error()));
    const AssignmentMap map = parse_assignments(*data);

    // A constant that reads as infinity or NaN would make every conversion
    // return garbage, so it is refused like any other invalid number.
    auto finite_scalar = [&map](std::string_view keyword) -> std::expected<double, LskError> {
        auto value = scalar(map, keyword);
        if (value && !std::isfinite(*value)) {
            return std::unexpected(LskError::invalid_value(keyword, "value is not a valid number"));
        }
        return value;
    };
    auto delta_t_a = finite_scalar("DELTET/DELTA_T_A");
    if (!delta_t_a) return std::unexpected(std::move(delta_t_a.error()));
    auto k = finite_scalar("DELTET/K");
    if (!k) return std::unexpected(std::move(k.error()));
    auto eb = finite_scalar("DELTET/EB");
    if (!eb) return std::unexpected(std::move(eb.error()));

    auto m_text = raw_value(map, "DELTET/M");
    if (!m_text) return std::unexpected(std::move(m_text.error()));
    const std::vector<std::string_view> m_tokens = value_tokens(*m_text);
    if (m_tokens.size() != 2) {
        return std::unexpected(LskError::invalid_value("DELTET/M", "expected exactly two values (M0 and M1)"));
    }
    const std::optional<double> m0 = parse_number(m_tokens[0]);
    if (!m0 || !std::isfinite(*m0)) {
        return std::unexpected(LskError::invalid_value("DELTET/M", "M0 is not a valid number"));
    }
    const std::optional<double> m1 = parse_number(m_tokens[1]);
    if (!m1 || !std::isfinite(*m1)) {
        return std::unexpected(LskError::invalid_value("DELTET/M", "M1 is not a valid number"));
    }

    auto table_text = raw_value(map, "DELTET/DELTA_AT");
    if (!table_text) return std::unexpected(std::move(table_text.error()));
    const std::vector<std::string_view> tokens = value_tokens(*table_text);
    if (tokens.empty() || tokens.size() % 2 != 0) {
        return std::unexpected(
            LskError::invalid_value("DELTET/DELTA_AT", "expected a non-empty sequence of (delta, date) pairs"));
    }
    std::vector<LeapSecondEntry> entries;
    entries.reserve(tokens.size() / 2);
    for (std::size_t i = 0; i < tokens.size(); i += 2) {
        const std::optional<double> delta = parse_number(tokens[i]);
        if (!delta || !std::isfinite(*delta)) {
            return std::unexpected(LskError::invalid_value("DELTET/DELTA_AT", "delta value is not a valid number"));
        }
        auto date = parse_date_literal(tokens[i + 1]);
        if (!date) return std::unexpected(std::move(date.error()));
        entries.push_back({.delta_at = *delta, .utc_jd = *date});
    }
    for (std::size_t i = 1; i < entries.size(); ++i) {
        if (!(entries[i].utc_jd > entries[i - 1].utc_jd)) return std::unexpected(LskError::not_ascending());
    }

    LeapSecondKernel kernel;
    kernel.file_name_ = std::move(file_name);
    kernel.sha256_ = lowercase_sha256(sha256);
    kernel.entries_ = std::move(entries);
    kernel.delta_t_a_ = *delta_t_a;
    kernel.tdb_tt_ = {.k = *k, .eb = *eb, .m0 = *m0, .m1 = *m1};
    return kernel;
}

// Building blocks.

std::expected<double, UtcConversionError> LeapSecondKernel::delta_at(double utc_jd) const {
    if (!std::isfinite(utc_jd)) return non_finite();
    if (utc_jd < entries_.front().utc_jd) {
        return std::unexpected(UtcConversionError::before_first_entry(utc_jd, entries_.front().utc_jd));
    }
    // The entries ascend strictly (checked at loading): the last one at or
    // before the day is the one before the first entry after it, and the
    // first entry is at or before the day.
    const auto after = std::upper_bound(entries_.begin(), entries_.end(), utc_jd,
                                        [](double day, const LeapSecondEntry& entry) { return day < entry.utc_jd; });
    return std::prev(after)->delta_at;
}

std::expected<double, UtcConversionError> LeapSecondKernel::utc_julian_day_from_tt(double tt_jd) const {
    // Start from the latest offset and refine three times; inside an inserted
    // leap second the last refinement lands just after the following midnight.
    double utc = tt_jd - (entries_.back().delta_at + delta_t_a_) / SECONDS_PER_DAY;
    if (std::isfinite(utc) && utc < entries_.front().utc_jd) {
        // Within the table's first seconds the latest offset overshoots to
        // before the first entry; start from the first offset there instead.
        // A day before the table is still refused, naming the first estimate.
        const double from_first = tt_jd - (entries_.front().delta_at + delta_t_a_) / SECONDS_PER_DAY;
        if (from_first < entries_.front().utc_jd) {
            return std::unexpected(UtcConversionError::before_first_entry(utc, entries_.front().utc_jd));
        }
        utc = from_first;
    }
    for (int k = 0; k < 3; ++k) {
        auto offset = delta_at(utc);
        if (!offset) return std::unexpected(std::move(offset.error()));
        utc = tt_jd - (delta_t_a_ + *offset) / SECONDS_PER_DAY;
    }
    if (auto check = delta_at(utc); !check) return std::unexpected(std::move(check.error()));
    return utc;
}

std::expected<double, UtcConversionError> LeapSecondKernel::tt_seconds_from_utc(double utc_jd) const {
    auto offset = delta_at(utc_jd);
    if (!offset) return std::unexpected(std::move(offset.error()));
    // Seconds are formed from the exact day difference first, so the offset
    // is added at a resolution of about 1e-7 s rather than a Julian day's 4e-5 s.
    return seconds_past_j2000(utc_jd) + (*offset + delta_t_a_);
}

double LeapSecondKernel::tt_julian_day_from_tdb(double tdb_jd) const {
    return tt_seconds_from_tdb_seconds(tdb_tt_, seconds_past_j2000(tdb_jd)) / SECONDS_PER_DAY + J2000_JULIAN_DAY;
}

// Conversions by input scale.

std::expected<double, UtcConversionError> LeapSecondKernel::tdb_seconds(TimeScale scale, double jd) const {
    if (!std::isfinite(jd)) return non_finite();
    switch (scale) {
        case TimeScale::Utc: {
            auto tt = tt_seconds_from_utc(jd);
            if (!tt) return std::unexpected(std::move(tt.error()));
            return tdb_seconds_from_tt_seconds(tdb_tt_, *tt);
        }
        case TimeScale::Ut1:
            return std::unexpected(UtcConversionError::from_time(TimeConversionError::unsupported_scale(scale)));
        case TimeScale::Tt: return tdb_seconds_from_tt_seconds(tdb_tt_, seconds_past_j2000(jd));
        case TimeScale::Tdb: return seconds_past_j2000(jd);
    }
    return std::unexpected(UtcConversionError::from_time(TimeConversionError::unsupported_scale(scale)));
}

std::expected<double, UtcConversionError> LeapSecondKernel::tt_julian_day(TimeScale scale,
                                                                          const EarthOrientationTable* eop,
                                                                          double jd) const {
    if (!std::isfinite(jd)) return non_finite();
    double utc = jd;
    switch (scale) {
        case TimeScale::Tt: return jd;
        case TimeScale::Tdb: return tt_julian_day_from_tdb(jd);
        case TimeScale::Ut1: {
            if (eop == nullptr) return std::unexpected(UtcConversionError::missing_orientation_table());
            auto converted = eop->utc_julian_day_from_ut1(jd);
            if (!converted) return orientation(std::move(converted.error()));
            if (!std::isfinite(*converted)) return non_finite();
            utc = *converted;
            break;
        }
        case TimeScale::Utc: break;
    }
    auto offset = delta_at(utc);
    if (!offset) return std::unexpected(std::move(offset.error()));
    return utc + (*offset + delta_t_a_) / SECONDS_PER_DAY;
}

std::expected<double, UtcConversionError> LeapSecondKernel::utc_julian_day(TimeScale scale,
                                                                           const EarthOrientationTable* eop,
                                                                           double jd) const {
    if (!std::isfinite(jd)) return non_finite();
    switch (scale) {
        case TimeScale::Utc: return jd;
        case TimeScale::Ut1: {
            if (eop == nullptr) return std::unexpected(UtcConversionError::missing_orientation_table());
            auto converted = eop->utc_julian_day_from_ut1(jd);
            if (!converted) return orientation(std::move(converted.error()));
            return *converted;
        }
        case TimeScale::Tt: return utc_julian_day_from_tt(jd);
        case TimeScale::Tdb: return utc_julian_day_from_tt(tt_julian_day_from_tdb(jd));
    }
    return jd;
}

std::expected<double, UtcConversionError> LeapSecondKernel::ut1_julian_day(TimeScale scale,
                                                                           const EarthOrientationTable& eop,
                                                                           double jd) const {
    if (!std::isfinite(jd)) return non_finite();
    if (scale == TimeScale::Ut1) return jd;
    auto utc = utc_julian_day(scale, &eop, jd);
    if (!utc) return std::unexpected(std::move(utc.error()));
    auto ut1 = eop.ut1_julian_day_from_utc(*utc);
    if (!ut1) return orientation(std::move(ut1.error()));
    return *ut1;
}

std::expected<double, UtcConversionError> LeapSecondKernel::tdb_seconds_with_eop(TimeScale scale,
                                                                                 const EarthOrientationTable& eop,
                                                                                 double jd) const {
    if (scale != TimeScale::Ut1) return tdb_seconds(scale, jd);
    auto utc = eop.utc_julian_day_from_ut1(jd);
    if (!utc) return orientation(std::move(utc.error()));
    return tdb_seconds(TimeScale::Utc, *utc);
}

// Without a leap-second kernel.

std::expected<double, TimeConversionError> tdb_seconds_without_kernel(TimeScale scale, double jd) {
    if (!std::isfinite(jd)) return std::unexpected(TimeConversionError::non_finite_julian_day());
    switch (scale) {
        case TimeScale::Tdb: return seconds_past_j2000(jd);
        case TimeScale::Tt: return tdb_seconds_from_tt_seconds(STANDARD_TDB_TT_CONSTANTS, seconds_past_j2000(jd));
        case TimeScale::Utc:
        case TimeScale::Ut1: break;
    }
    return std::unexpected(TimeConversionError::unsupported_scale(scale));
}

std::expected<double, TimeConversionError> tt_julian_day_without_kernel(TimeScale scale, double jd) {
    if (!std::isfinite(jd)) return std::unexpected(TimeConversionError::non_finite_julian_day());
    switch (scale) {
        case TimeScale::Tt: return jd;
        case TimeScale::Tdb: return seconds_past_j2000(jd) / SECONDS_PER_DAY + J2000_JULIAN_DAY;
        case TimeScale::Utc:
        case TimeScale::Ut1: break;
    }
    return std::unexpected(TimeConversionError::unsupported_scale(scale));
}

// With whichever time kernels the engine holds.

namespace {

const TdbTtConstants& tdb_tt_constants_of(const std::optional<LeapSecondKernel>& leap_seconds) {
    return leap_seconds ? leap_seconds->tdb_tt_constants() : STANDARD_TDB_TT_CONSTANTS;
}

}  // namespace

std::optional<double> dynamical_tdb_seconds(const std::optional<LeapSecondKernel>& leap_seconds, TimeScale scale,
                                            double jd) {
    if (!std::isfinite(jd)) return std::nullopt;
    if (scale == TimeScale::Tdb) return seconds_past_j2000(jd);
    if (scale != TimeScale::Tt) return std::nullopt;
    return tdb_seconds_from_tt_seconds(tdb_tt_constants_of(leap_seconds), seconds_past_j2000(jd));
}

void tdb_seconds_of_tt_lanes(const std::optional<LeapSecondKernel>& leap_seconds, const double* tt_julian_days,
                             std::size_t count, double* out) {
    double tt[TDB_TT_LANES], offsets[TDB_TT_LANES];
    for (std::size_t i = 0; i < count; ++i) tt[i] = seconds_past_j2000(tt_julian_days[i]);
    tdb_minus_tt_lanes(tdb_tt_constants_of(leap_seconds), tt, count, offsets);
    for (std::size_t i = 0; i < count; ++i) out[i] = tt[i] + offsets[i];  // as tdb_seconds_from_tt_seconds
}

std::expected<double, UtcConversionError> tdb_seconds_with_time_kernels(
    const std::optional<LeapSecondKernel>& leap_seconds, const std::optional<EarthOrientationTable>& eop,
    TimeScale scale, double jd) {
    if (!leap_seconds) {
        auto seconds = tdb_seconds_without_kernel(scale, jd);
        if (!seconds) return std::unexpected(UtcConversionError::from_time(seconds.error()));
        return *seconds;
    }
    std::expected<double, UtcConversionError> seconds;
    if (scale == TimeScale::Ut1) {
        if (!eop) return std::unexpected(UtcConversionError::missing_orientation_table());
        seconds = leap_seconds->tdb_seconds_with_eop(scale, *eop, jd);
    } else {
        seconds = leap_seconds->tdb_seconds(scale, jd);
    }
    if (!seconds) return std::unexpected(std::move(seconds.error()));
    return *seconds;
}

std::expected<double, UtcConversionError> tt_julian_day_with_time_kernels(
    const std::optional<LeapSecondKernel>& leap_seconds, const std::optional<EarthOrientationTable>& eop,
    TimeScale scale, double jd) {
    if (scale == TimeScale::Tt) return jd;
    if (!leap_seconds) {
        auto tt = tt_julian_day_without_kernel(scale, jd);
        if (!tt) return std::unexpected(UtcConversionError::from_time(tt.error()));
        return *tt;
    }
    return leap_seconds->tt_julian_day(scale, eop ? &*eop : nullptr, jd);
}

}  // namespace orvane
