#include "spk/daf.hpp"

#include <bit>
#include <cmath>

#include "core/text/utf8.hpp"

namespace orvane {
namespace {

constexpr std::string_view SPK_IDENTIFIER = "DAF/SPK ";

std::uint64_t read_unsigned(ByteSpan bytes, std::size_t width, bool big_endian) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        std::size_t index = big_endian ? i : width - 1 - i;
        value = (value << 8) | bytes[index];
    }
    return value;
}

std::string_view as_text(ByteSpan bytes) {
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string_view trim_trailing_nul_and_blank(std::string_view text) {
    while (!text.empty() && (text.back() == '\0' || text.back() == ' ')) text.remove_suffix(1);
    return text;
}

}  // namespace

double read_f64(ByteSpan bytes, bool big_endian) {
    return std::bit_cast<double>(read_unsigned(bytes, 8, big_endian));
}

std::uint32_t read_u32(ByteSpan bytes, bool big_endian) {
    return static_cast<std::uint32_t>(read_unsigned(bytes, 4, big_endian));
}

std::int32_t read_i32(ByteSpan bytes, bool big_endian) {
    return std::bit_cast<std::int32_t>(read_u32(bytes, big_endian));
}

std::expected<std::string, SpkError> parse_ascii_field(ByteSpan bytes, std::string_view field_name) {
    std::string_view text = as_text(bytes);
    if (!is_valid_utf8(text)) return std::unexpected(SpkError::invalid_utf8(std::string(field_name)));
    return std::string(trim_trailing_nul_and_blank(text));
}

std::expected<DafFileRecord, SpkError> parse_file_record(ByteSpan record) {
    using R = SpkError::Reason;
    std::string_view identifier = as_text(record.subspan(0, 8));
    if (identifier != SPK_IDENTIFIER) return std::unexpected(SpkError::invalid_identifier(std::string(identifier)));

    // The format field decides the byte order of every integer, ND and NI included.
    auto format = parse_ascii_field(record.subspan(88, 8), "binary format");
    if (!format) return std::unexpected(std::move(format.error()));
    DafFileRecord file;
    if (*format == "LTL-IEEE") {
        file.big_endian = false;
    } else if (*format == "BIG-IEEE") {
        file.big_endian = true;
    } else {
        return std::unexpected(SpkError::unsupported_daf_format(std::move(*format)));
    }

    file.nd = read_u32(record.subspan(8, 4), file.big_endian);
    file.ni = read_u32(record.subspan(12, 4), file.big_endian);
    file.forward = read_u32(record.subspan(76, 4), file.big_endian);
    file.backward = read_u32(record.subspan(80, 4), file.big_endian);
    file.free_address = read_u32(record.subspan(84, 4), file.big_endian);

    if (file.nd == 0 || file.ni == 0) return std::unexpected(SpkError::invalid_file_record(R::ZeroSummaryCounts));
    // Unsigned 32-bit arithmetic, as the counts are stored.
    std::uint32_t summary_words = file.nd + (file.ni / 2 + file.ni % 2);
    if (summary_words >= 126) return std::unexpected(SpkError::invalid_file_record(R::SummaryTooLarge));
    if (file.forward < 2 || file.backward < file.forward) {
        return std::unexpected(SpkError::invalid_file_record(R::InconsistentRecordPointers));
    }
    if (file.free_address <= 128) return std::unexpected(SpkError::invalid_file_record(R::FreeAddressInFileRecord));

    auto name = parse_ascii_field(record.subspan(16, 60), "internal file name");
    if (!name) return std::unexpected(std::move(name.error()));
    file.internal_name = std::move(*name);
    return file;
}

std::expected<SpkSegment, SpkError> parse_spk_summary(ByteSpan bytes, std::string name, bool big_endian) {
    using R = SpkError::Reason;
    SpkSegment segment;
    segment.name = std::move(name);
    segment.start_epoch = read_f64(bytes.subspan(0, 8), big_endian);
    segment.end_epoch = read_f64(bytes.subspan(8, 8), big_endian);
    if (!std::isfinite(segment.start_epoch) || !std::isfinite(segment.end_epoch)) {
        return std::unexpected(SpkError::invalid_segment(R::NonFiniteTimeBounds));
    }
    if (segment.start_epoch > segment.end_epoch) return std::unexpected(SpkError::invalid_segment(R::StartAfterEnd));
    segment.target = read_i32(bytes.subspan(16, 4), big_endian);
    segment.center = read_i32(bytes.subspan(20, 4), big_endian);
    segment.frame = read_i32(bytes.subspan(24, 4), big_endian);
    segment.data_type = read_i32(bytes.subspan(28, 4), big_endian);
    segment.start_address = read_i32(bytes.subspan(32, 4), big_endian);
    segment.end_address = read_i32(bytes.subspan(36, 4), big_endian);
    if (segment.start_address <= 0 || segment.end_address < segment.start_address) {
        return std::unexpected(SpkError::invalid_segment(R::InvalidAddressBounds));
    }
    return segment;
}

}  // namespace orvane
