#include "time/earth_orientation_table.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/constants.hpp"
#include "core/kernel_file.hpp"
#include "core/text_forms.hpp"
#include "core/utf8.hpp"
#include "time/decimal_number.hpp"
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
EopError EopError::not_finite() { return error_of_kind(Kind::NotFinite); }
EopError EopError::outside_coverage(double utc_jd, double first_utc_jd, double last_utc_jd) {
    EopError error = error_of_kind(Kind::OutsideCoverage);
    error.utc_jd = utc_jd;
    error.first_utc_jd = first_utc_jd;
    error.last_utc_jd = last_utc_jd;
    return error;
}

std::string EopError::message() const {
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
        case Kind::NotFinite: return "EOP epoch, DUT1, and polar motion must be finite";
        case Kind::OutsideCoverage:
            return "UTC Julian day " + plain_float(utc_jd) + " is outside EOP coverage [" + plain_float(first_utc_jd) +
                   ", " + plain_float(last_utc_jd) + "]";
    }
    return {};
}

std::expected<EopSample, EopError> parse_c04_line(std::string_view line, std::uint64_t line_number) {
    // The first eight fields, split at runs of White_Space.
    std::array<std::string_view, 8> fields;
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
    if (count < fields.size()) return std::unexpected(EopError::invalid_line(line_number));

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

std::expected<EarthOrientationTable, EopError> EarthOrientationTable::open(std::string_view path,
                                                                           std::string_view sha256) {
    std::optional<std::string> name = utf8_file_name(path);
    if (!name) return std::unexpected(EopError::file_name());
    auto text = read_utf8_text_file(path);
    if (!text) return std::unexpected(EopError::read(std::move(text.error())));
    if (!is_sha256_text(sha256)) return std::unexpected(EopError::checksum());

    std::vector<EopSample> samples;
    std::optional<EopError> failure;
    std::uint64_t line_number = 0;
    // The first data line decides the layout; in a finals table every later
    // line is a row, and the first row without UT1-UTC ends the table.
    enum class Layout : std::uint8_t { Undecided, C04, Finals } layout = Layout::Undecided;
    bool ended = false;
    for_each_line(*text, [&](std::string_view raw_line) {
        ++line_number;
        if (failure || ended) return;
        if (layout != Layout::Finals) {
            std::string_view line = trim_white_space(raw_line);
            if (line.empty() || line.front() == '#') return;
            if (layout == Layout::Undecided) layout = is_finals_line(raw_line) ? Layout::Finals : Layout::C04;
            if (layout == Layout::C04) {
                auto sample = parse_c04_line(line, line_number);
                if (!sample) {
                    failure = std::move(sample.error());
                    return;
                }
                samples.push_back(*sample);
                return;
            }
        }
        auto row = parse_finals_line(raw_line, line_number);
        if (!row) {
            failure = std::move(row.error());
        } else if (!*row) {
            ended = true;
        } else {
            samples.push_back(**row);
        }
    });
    if (failure) return std::unexpected(std::move(*failure));
    return from_samples(std::move(*name), lowercase_sha256(sha256), std::move(samples));
}

std::expected<EarthOrientationTable, EopError> EarthOrientationTable::from_samples(std::string file_name,
                                                                                  std::string sha256,
                                                                                  std::vector<EopSample> samples) {
    if (samples.empty()) return std::unexpected(EopError::empty());
    for (std::size_t i = 1; i < samples.size(); ++i) {
        // Written so that a NaN day also fails.
        if (!(samples[i].utc_jd > samples[i - 1].utc_jd)) return std::unexpected(EopError::not_increasing());
    }
    EarthOrientationTable table;
    table.file_name_ = std::move(file_name);
    table.sha256_ = std::move(sha256);
    table.samples_ = std::move(samples);
    return table;
}

namespace {
// A change of UT1-UTC by more than half a second from one row to the next is
// the step of a leap second; real day-to-day changes stay within milliseconds.
constexpr double LEAP_STEP_THRESHOLD_SECONDS = 0.5;
}  // namespace

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

std::expected<EopSample, EopError> EarthOrientationTable::interpolated_sample(double utc_jd) const {
    if (!std::isfinite(utc_jd)) return std::unexpected(EopError::not_finite());
    const double first = samples_.front().utc_jd;
    const double last = samples_.back().utc_jd;
    if (utc_jd < first || utc_jd > last) return std::unexpected(EopError::outside_coverage(utc_jd, first, last));

    // The last row at or before the query (it exists: the query is inside the
    // coverage), then the one after it.
    const std::size_t at = row_at_or_before(utc_jd);
    const EopSample& previous = samples_[at];
    if (previous.utc_jd == utc_jd) return previous;
    const auto next = samples_.begin() + static_cast<std::ptrdiff_t>(at + 1);

    const double g = (utc_jd - previous.utc_jd) / (next->utc_jd - previous.utc_jd);
    auto blend = [g](double p, double n) { return std::fma(p, 1.0 - g, n * g); };

    // UT1-UTC jumps by a whole second at 00:00 UTC after a leap second; before
    // the jump it follows the previous day's value, so the next row is taken
    // back across the step before interpolating.
    double next_dut1 = next->dut1_seconds;
    const double step = next_dut1 - previous.dut1_seconds;
    if (std::fabs(step) > LEAP_STEP_THRESHOLD_SECONDS) next_dut1 -= std::round(step);

    return EopSample{.utc_jd = utc_jd, .dut1_seconds = blend(previous.dut1_seconds, next_dut1),
                     .x_arcsec = blend(previous.x_arcsec, next->x_arcsec),
                     .y_arcsec = blend(previous.y_arcsec, next->y_arcsec)};
}

std::expected<double, EopError> EarthOrientationTable::dut1_seconds(double utc_jd) const {
    auto sample = interpolated_sample(utc_jd);
    if (!sample) return std::unexpected(std::move(sample.error()));
    return sample->dut1_seconds;
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
    if (auto check = interpolated_sample(utc); !check) return std::unexpected(std::move(check.error()));
    return utc;
}

std::expected<double, EopError> EarthOrientationTable::ut1_julian_day_from_utc(double utc_jd) const {
    auto dut1 = dut1_seconds(utc_jd);
    if (!dut1) return std::unexpected(std::move(dut1.error()));
    return utc_jd + *dut1 / SECONDS_PER_DAY;
}

}  // namespace orvane
