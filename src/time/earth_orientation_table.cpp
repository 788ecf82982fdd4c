#include "time/earth_orientation_table.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/constants.hpp"
#include "core/files/kernel_file.hpp"
#include "core/fused_multiply_add.hpp"
#include "core/text/text_forms.hpp"
#include "core/text/utf8.hpp"
#include "time/decimal_number.hpp"
#include "time/text_kernel.hpp"
#include "time/text_file.hpp"

namespace orvane {

namespace {
EopError error_of_kind(EopError::Kind kind) {
    EopError error;
    error.kind = kind;
    return error;
}
}  // namespace

EopError EopError::read(std::string system_message) {
    EopError error = error_of_kind(Kind::Read);
    error.system_message = std::move(system_message);
    return error;
}
EopError EopError::file_name() { return error_of_kind(Kind::FileName); }
EopError EopError::checksum() { return error_of_kind(Kind::Checksum); }
EopError EopError::empty() { return error_of_kind(Kind::Empty); }
EopError EopError::not_increasing() { return error_of_kind(Kind::NotIncreasing); }
EopError EopError::invalid_line(std::uint64_t line_number) {
    EopError error = error_of_kind(Kind::InvalidLine);
    error.line_number = line_number;
    return error;
}
EopError EopError::invalid_finals_line(std::uint64_t line_number) {
    EopError error = error_of_kind(Kind::InvalidFinalsLine);
    error.line_number = line_number;
    return error;
}
EopError EopError::missing_ut1(std::uint64_t line_number) {
    EopError error = error_of_kind(Kind::MissingUt1);
    error.line_number = line_number;
    return error;
}
EopError EopError::invalid_ut1_step(std::uint64_t line_number, double dut1_before, double dut1_after) {
    EopError error = error_of_kind(Kind::InvalidUt1Step);
    error.line_number = line_number;
    error.dut1_before = dut1_before;
    error.dut1_after = dut1_after;
    return error;
}
EopError EopError::older_c04_layout(std::uint64_t line_number) {
    EopError error = error_of_kind(Kind::OlderC04Layout);
    error.line_number = line_number;
    return error;
}
EopError EopError::unknown_layout(std::uint64_t line_number) {
    EopError error = error_of_kind(Kind::UnknownLayout);
    error.line_number = line_number;
    return error;
}
EopError EopError::not_finite() { return error_of_kind(Kind::NotFinite); }
EopError EopError::outside_coverage(double utc_jd, double first_utc_jd, double last_utc_jd) {
    EopError error = error_of_kind(Kind::OutsideCoverage);
    error.utc_jd = utc_jd;
    error.first_utc_jd = first_utc_jd;
    error.last_utc_jd = last_utc_jd;
    return error;
}

std::string EopError::message() const {
    const std::string line = integer_text(static_cast<std::int64_t>(line_number));
    switch (kind) {
        case Kind::Read: return system_message;
        case Kind::FileName: return "EOP table path has no filename";
        case Kind::Checksum: return "EOP table SHA-256 must be 64 hexadecimal characters";
        case Kind::Empty: return "EOP table contains no DUT1 samples";
        case Kind::NotIncreasing: return "EOP DUT1 samples must be strictly increasing in UTC";
        case Kind::InvalidLine:
            return "invalid IERS EOP 20 C04 line " + integer_text(static_cast<std::int64_t>(line_number));
        case Kind::InvalidFinalsLine:
            return "invalid IERS finals line " + integer_text(static_cast<std::int64_t>(line_number));
        case Kind::MissingUt1:
            return "IERS finals line " + line +
                   " has no UT1-UTC value, but later rows have one: only the days after the last value may lack it";
        case Kind::InvalidUt1Step:
            return "EOP table line " + line + ": UT1-UTC steps from " + debug_float(dut1_before) + " s to " +
                   debug_float(dut1_after) +
                   " s, more than 0.5 s in a day and not a leap second (a whole second within 0.1 s)";
        case Kind::OlderC04Layout:
            return "EOP table line " + line +
                   " is in the older IERS C04 layout (year, month, day, MJD, without the hour column), which is not "
                   "read: use an IERS EOP 20 C04 or IERS finals table";
        case Kind::UnknownLayout:
            return "EOP table line " + line +
                   " has an unknown layout: it is neither an IERS EOP 20 C04 row nor an IERS finals row";
        case Kind::NotFinite: return "EOP epoch, DUT1, and polar motion must be finite";
        case Kind::OutsideCoverage:
            return "UTC Julian day " + debug_float(utc_jd) + " is outside EOP coverage [" + debug_float(first_utc_jd) +
                   ", " + debug_float(last_utc_jd) + "]";
    }
    return {};
}

namespace {
// Up to fields.size() leading fields of a line split at runs of White_Space;
// returns how many there are.
template <std::size_t N>
std::size_t leading_fields(std::string_view line, std::array<std::string_view, N>& fields) {
    std::size_t count = 0;
    std::size_t field_start = 0;
    bool in_field = false;
    std::size_t i = 0;
    while (i < line.size() && count < fields.size()) {
        char32_t c = 0;
        std::size_t length = detail::decode_one(line, i, c);
        bool space = length != 0 && is_white_space(c);
        if (length == 0) length = 1;
        if (space && in_field) {
            fields[count++] = line.substr(field_start, i - field_start);
            in_field = false;
        } else if (!space && !in_field) {
            field_start = i;
            in_field = true;
        }
        i += length;
    }
    if (in_field && count < fields.size()) fields[count++] = line.substr(field_start);
    return count;
}
}  // namespace

std::expected<EopSample, EopError> parse_c04_line(std::string_view line, std::uint64_t line_number) {
    // The first eight fields, split at runs of White_Space.
    std::array<std::string_view, 8> fields;
    if (leading_fields(line, fields) < fields.size()) return std::unexpected(EopError::invalid_line(line_number));

    double values[4];
    for (std::size_t k = 0; k < 4; ++k) {
        std::optional<double> value = parse_decimal(fields[4 + k]);
        if (!value) return std::unexpected(EopError::invalid_line(line_number));
        values[k] = *value;
    }
    for (double value : values) {
        if (!std::isfinite(value)) return std::unexpected(EopError::not_finite());
    }
    return EopSample{.utc_jd = values[0] + 2400000.5, .dut1_seconds = values[3], .x_arcsec = values[1],
                     .y_arcsec = values[2]};
}

namespace {
bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }

// Bytes first to last (counted from 1) of a fixed-column line, or what the line
// holds of them.
std::string_view columns(std::string_view line, std::size_t first, std::size_t last) {
    if (line.size() < first) return {};
    return line.substr(first - 1, last - first + 1);
}

std::string_view trim_spaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

bool is_flag(std::string_view line, std::size_t column) {
    return line.size() >= column && (line[column - 1] == 'I' || line[column - 1] == 'P');
}

// Layout of IERS finals rows (ReadMe.finals2000A), Bulletin A columns.
constexpr std::size_t FINALS_MJD_FIRST = 8, FINALS_MJD_LAST = 15;
constexpr std::size_t FINALS_POLE_FLAG = 17;
constexpr std::size_t FINALS_X_FIRST = 19, FINALS_X_LAST = 27;
constexpr std::size_t FINALS_Y_FIRST = 38, FINALS_Y_LAST = 46;
constexpr std::size_t FINALS_UT1_FLAG = 58;
constexpr std::size_t FINALS_UT1_FIRST = 59, FINALS_UT1_LAST = 68;
}  // namespace

bool is_finals_line(std::string_view line) {
    if (line.size() < 16 || line[6] != ' ' || line[12] != '.' || line[15] != ' ') return false;
    for (std::size_t i = 7; i < 12; ++i) {
        if (!is_ascii_digit(line[i]) && line[i] != ' ') return false;
    }
    return is_ascii_digit(line[13]) && is_ascii_digit(line[14]);
}

std::expected<std::optional<EopSample>, EopError> parse_finals_line(std::string_view line,
                                                                    std::uint64_t line_number) {
    const std::string_view ut1_text = trim_spaces(columns(line, FINALS_UT1_FIRST, FINALS_UT1_LAST));
    if (ut1_text.empty()) {
        if (is_finals_line(line) || trim_white_space(line).empty()) return std::nullopt;
        return std::unexpected(EopError::invalid_finals_line(line_number));
    }
    if (line.size() < FINALS_UT1_LAST || !is_finals_line(line) || !is_flag(line, FINALS_POLE_FLAG) ||
        !is_flag(line, FINALS_UT1_FLAG)) {
        return std::unexpected(EopError::invalid_finals_line(line_number));
    }
    const std::string_view texts[4] = {columns(line, FINALS_MJD_FIRST, FINALS_MJD_LAST),
                                       columns(line, FINALS_X_FIRST, FINALS_X_LAST),
                                       columns(line, FINALS_Y_FIRST, FINALS_Y_LAST), ut1_text};
    double values[4];
    for (std::size_t k = 0; k < 4; ++k) {
        std::optional<double> value = parse_decimal(trim_spaces(texts[k]));
        if (!value) return std::unexpected(EopError::invalid_finals_line(line_number));
        values[k] = *value;
    }
    for (double value : values) {
        if (!std::isfinite(value)) return std::unexpected(EopError::not_finite());
    }
    return EopSample{.utc_jd = values[0] + 2400000.5, .dut1_seconds = values[3], .x_arcsec = values[1],
                     .y_arcsec = values[2], .predicted = line[FINALS_UT1_FLAG - 1] == 'P'};
}

namespace {
// A change of UT1-UTC by more than half a second from one row to the next is
// the step of a leap second; real day-to-day changes stay within milliseconds.
// A leap second steps by a whole second: a step further than 0.1 s from one is
// a corrupted row.
constexpr double LEAP_STEP_THRESHOLD_SECONDS = 0.5;
constexpr double LEAP_STEP_TOLERANCE_SECONDS = 0.1;

// One to nine decimal digits with an optional sign, as a number.
std::optional<std::int64_t> integer_field(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '+' || negative)) text.remove_prefix(1);
    if (text.empty() || text.size() > 9) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (!is_ascii_digit(c)) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

enum class Layout : std::uint8_t { C04, Finals, OlderC04, Unknown };

// The layout of a table, told from its first data line (`line` trimmed).
// The older C04 tables give year, month, day and the day's MJD where EOP 20
// C04 gives year, month, day, hour and then the MJD: there the fourth field is
// the MJD of the date in the first three (whole or with decimals). A line that
// reads as neither layout's row, and whose leading fields (up to four) are not
// all integers as a C04 date's are, is of an unknown layout; a C04-like line
// that does not read is a bad C04 line.
Layout layout_of(std::string_view raw_line, std::string_view line) {
    if (is_finals_line(raw_line)) return Layout::Finals;
    std::array<std::string_view, 4> fields;
    const std::size_t count = leading_fields(line, fields);
    std::optional<std::int64_t> numbers[4];
    bool integers = true;
    for (std::size_t k = 0; k < count; ++k) {
        numbers[k] = integer_field(fields[k]);
        integers = integers && numbers[k].has_value();
    }
    const bool dated = count == fields.size() && numbers[0] && numbers[1] && numbers[2];
    if (dated && *numbers[0] >= 1000 && *numbers[0] <= 9999 && *numbers[1] >= 1 && *numbers[1] <= 12 &&
        *numbers[2] >= 1 && *numbers[2] <= 31) {
        // MJD = JD - 2400000.5, and the Julian day number counts from noon.
        const double mjd = julian_day_number(static_cast<std::int32_t>(*numbers[0]),
                                             static_cast<std::uint32_t>(*numbers[1]),
                                             static_cast<std::uint32_t>(*numbers[2])) -
                           2400001.0;
        if (parse_decimal(fields[3]) == mjd) return Layout::OlderC04;
    }
    if (!integers && !parse_c04_line(line, 0)) return Layout::Unknown;
    return Layout::C04;
}
}  // namespace

std::expected<EarthOrientationTable, EopError> EarthOrientationTable::open(std::string_view path,
                                                                           std::string_view sha256) {
    std::optional<std::string> name = utf8_file_name(path);
    if (!name) return std::unexpected(EopError::file_name());
    auto text = read_utf8_text_file(path);
    if (!text) return std::unexpected(EopError::read(std::move(text.error())));
    if (!is_sha256_text(sha256)) return std::unexpected(EopError::checksum());

    std::vector<EopSample> samples;
    std::vector<std::uint64_t> lines;  // the line of each sample
    std::optional<EopError> failure;
    std::uint64_t line_number = 0;
    // The first data line decides the layout. In a finals table every later
    // line that is not blank is a row; the rows without UT1-UTC after the last
    // value end the table, and one before a later value is refused.
    std::optional<Layout> layout;
    std::uint64_t first_without_ut1 = 0;
    for_each_line(*text, [&](std::string_view raw_line) {
        ++line_number;
        if (failure) return;
        std::string_view line = trim_white_space(raw_line);
        if (line.empty()) return;
        if (layout != Layout::Finals && line.front() == '#') return;
        if (!layout) {
            layout = layout_of(raw_line, line);
            if (*layout == Layout::OlderC04) failure = EopError::older_c04_layout(line_number);
            if (*layout == Layout::Unknown) failure = EopError::unknown_layout(line_number);
            if (failure) return;
        }
        if (*layout == Layout::C04) {
            auto sample = parse_c04_line(line, line_number);
            if (!sample) {
                failure = std::move(sample.error());
                return;
            }
            samples.push_back(*sample);
            lines.push_back(line_number);
            return;
        }
        auto row = parse_finals_line(raw_line, line_number);
        if (!row) {
            failure = std::move(row.error());
        } else if (!*row) {
            if (first_without_ut1 == 0) first_without_ut1 = line_number;
        } else if (first_without_ut1 != 0) {
            failure = EopError::missing_ut1(first_without_ut1);
        } else {
            samples.push_back(**row);
            lines.push_back(line_number);
        }
    });
    if (failure) return std::unexpected(std::move(*failure));
    return from_samples(std::move(*name), lowercase_sha256(sha256), std::move(samples), lines);
}

std::expected<EarthOrientationTable, EopError> EarthOrientationTable::from_samples(
    std::string file_name, std::string sha256, std::vector<EopSample> samples,
    const std::vector<std::uint64_t>& lines) {
    if (samples.empty()) return std::unexpected(EopError::empty());
    for (std::size_t i = 1; i < samples.size(); ++i) {
        // Written so that a NaN day also fails.
        if (!(samples[i].utc_jd > samples[i - 1].utc_jd)) return std::unexpected(EopError::not_increasing());
    }
    for (std::size_t i = 1; i < samples.size(); ++i) {
        const double before = samples[i - 1].dut1_seconds, after = samples[i].dut1_seconds;
        const double step = after - before;
        if (std::fabs(step) > LEAP_STEP_THRESHOLD_SECONDS &&
            std::fabs(step - std::round(step)) > LEAP_STEP_TOLERANCE_SECONDS) {
            return std::unexpected(EopError::invalid_ut1_step(lines[i], before, after));
        }
    }
    EarthOrientationTable table;
    table.file_name_ = std::move(file_name);
    table.sha256_ = std::move(sha256);
    table.samples_ = std::move(samples);
    return table;
}

std::size_t EarthOrientationTable::row_at_or_before(double utc_jd) const {
    // The tables hold one row a day: the row is guessed from the mean spacing
    // and found within a few steps of it, or else by bisection.
    const double first = samples_.front().utc_jd, last = samples_.back().utc_jd;
    const std::size_t rows = samples_.size();
    constexpr std::size_t NEAR = 4;
    if (rows > 1 && last > first) {
        const double guess = std::floor((utc_jd - first) / (last - first) * static_cast<double>(rows - 1));
        std::size_t at = static_cast<std::size_t>(std::clamp(guess, 0.0, static_cast<double>(rows - 1)));
        for (std::size_t step = 0; step < NEAR; ++step) {
            if (samples_[at].utc_jd > utc_jd) {
                if (at == 0) break;
                --at;
            } else if (at + 1 < rows && samples_[at + 1].utc_jd <= utc_jd) {
                ++at;
            } else {
                return at;
            }
        }
    }
    const auto next = std::upper_bound(samples_.begin(), samples_.end(), utc_jd,
                                       [](double day, const EopSample& sample) { return day < sample.utc_jd; });
    return static_cast<std::size_t>(next - samples_.begin()) - 1;
}

std::expected<void, EopError> EarthOrientationTable::covers(double utc_jd) const {
    if (!std::isfinite(utc_jd)) return std::unexpected(EopError::not_finite());
    const double first = samples_.front().utc_jd;
    const double last = samples_.back().utc_jd;
    if (utc_jd < first || utc_jd > last) return std::unexpected(EopError::outside_coverage(utc_jd, first, last));
    return {};
}

namespace {

// p (1 - g) + n g, rounded once.
ORVANE_FMA_CLONES double blend(double p, double n, double g) { return std::fma(p, 1.0 - g, n * g); }

}  // namespace

double EarthOrientationTable::blended_dut1(std::size_t at, double g) const {
    // UT1-UTC jumps by a whole second at 00:00 UTC after a leap second; before
    // the jump it follows the previous day's value, so the next row is taken
    // back across the step before interpolating.
    const EopSample &previous = samples_[at], &next = samples_[at + 1];
    double next_dut1 = next.dut1_seconds;
    const double step = next_dut1 - previous.dut1_seconds;
    if (std::fabs(step) > LEAP_STEP_THRESHOLD_SECONDS) next_dut1 -= std::round(step);
    return blend(previous.dut1_seconds, next_dut1, g);
}

std::expected<EopSample, EopError> EarthOrientationTable::interpolated_sample(double utc_jd) const {
    if (auto covered = covers(utc_jd); !covered) return std::unexpected(std::move(covered.error()));
    // The last row at or before the query (it exists: the query is inside the
    // coverage), then the one after it.
    const std::size_t at = row_at_or_before(utc_jd);
    const EopSample &previous = samples_[at], &next = samples_[at + 1 < samples_.size() ? at + 1 : at];
    if (previous.utc_jd == utc_jd) return previous;
    const double g = (utc_jd - previous.utc_jd) / (next.utc_jd - previous.utc_jd);
    return EopSample{.utc_jd = utc_jd, .dut1_seconds = blended_dut1(at, g),
                     .x_arcsec = blend(previous.x_arcsec, next.x_arcsec, g),
                     .y_arcsec = blend(previous.y_arcsec, next.y_arcsec, g)};
}

std::expected<double, EopError> EarthOrientationTable::dut1_seconds(double utc_jd) const {
    // interpolated_sample's UT1 - UTC alone.
    if (auto covered = covers(utc_jd); !covered) return std::unexpected(std::move(covered.error()));
    const std::size_t at = row_at_or_before(utc_jd);
    const EopSample& previous = samples_[at];
    if (previous.utc_jd == utc_jd) return previous.dut1_seconds;
    return blended_dut1(at, (utc_jd - previous.utc_jd) / (samples_[at + 1].utc_jd - previous.utc_jd));
}

std::expected<PolarMotion, EopError> EarthOrientationTable::polar_motion_arcsec(double utc_jd) const {
    auto sample = interpolated_sample(utc_jd);
    if (!sample) return std::unexpected(std::move(sample.error()));
    return PolarMotion{.x_arcsec = sample->x_arcsec, .y_arcsec = sample->y_arcsec};
}

std::expected<double, EopError> EarthOrientationTable::utc_julian_day_from_ut1(double ut1_jd) const {
    if (!std::isfinite(ut1_jd)) return std::unexpected(EopError::not_finite());
    double utc = ut1_jd;
    for (int k = 0; k < 3; ++k) {
        auto dut1 = dut1_seconds(utc);
        if (!dut1) return std::unexpected(std::move(dut1.error()));
        utc = ut1_jd - *dut1 / SECONDS_PER_DAY;
    }
    // Only to refuse a result outside the coverage.
    if (auto check = covers(utc); !check) return std::unexpected(std::move(check.error()));
    return utc;
}

std::expected<double, EopError> EarthOrientationTable::ut1_julian_day_from_utc(double utc_jd) const {
    auto dut1 = dut1_seconds(utc_jd);
    if (!dut1) return std::unexpected(std::move(dut1.error()));
    return utc_jd + *dut1 / SECONDS_PER_DAY;
}

}  // namespace orvane
