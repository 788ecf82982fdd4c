#pragma once
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>

#include "spk/spk_error.hpp"
#include "spk/spk_segment.hpp"

// Decoding of the DAF container: the file record, SPK summaries and text fields.
namespace orvane {

inline constexpr std::size_t DAF_RECORD_BYTES = 1024;
inline constexpr std::size_t DAF_WORD_BYTES = 8;
inline constexpr std::size_t SPK_SUMMARY_BYTES = 40;
// Summary records start with three control words: NEXT, PREV, NSUM.
inline constexpr std::size_t DAF_SUMMARY_CONTROL_BYTES = 24;

// Record 1 of a DAF file, decoded.
struct DafFileRecord {
    std::string internal_name;
    std::uint32_t nd = 0;
    std::uint32_t ni = 0;
    std::uint32_t forward = 0;   // first summary record
    std::uint32_t backward = 0;  // last summary record
    std::uint32_t free_address = 0;
    bool big_endian = false;
};

using ByteSpan = std::span<const std::uint8_t>;

// Takes the 1024 bytes of record 1.
std::expected<DafFileRecord, SpkError> parse_file_record(ByteSpan record);

// Takes the 40 bytes of one summary (ND = 2, NI = 6) and its decoded name.
std::expected<SpkSegment, SpkError> parse_spk_summary(ByteSpan bytes, std::string name, bool big_endian);

// The bytes as text without trailing NULs and blanks; the whole field must be
// valid UTF-8, else InvalidUtf8 naming field_name.
std::expected<std::string, SpkError> parse_ascii_field(ByteSpan bytes, std::string_view field_name);

// The 8 bytes as a double in the given byte order.
double read_f64(ByteSpan bytes, bool big_endian);
std::uint32_t read_u32(ByteSpan bytes, bool big_endian);
std::int32_t read_i32(ByteSpan bytes, bool big_endian);

}  // namespace orvane
