#pragma once
// A small writer of DAF/SPK files for tests: every field of the file record,
// summary and name records (any NEXT/PREV/NSUM, also broken ones) and Type 2
// segment data, in either byte order.
#include <stdlib.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace orvane::test {

inline constexpr std::size_t RECORD_BYTES = 1024;
inline constexpr std::uint32_t WORDS_PER_RECORD = 128;

struct FileRecordFields {
    std::string identifier = "DAF/SPK ";  // written as 8 bytes, blank padded
    std::uint32_t nd = 2;
    std::uint32_t ni = 6;
    std::string internal_name = "orvane test kernel";  // 60 bytes, blank padded
    std::uint32_t forward = 2;
    std::uint32_t backward = 2;
    std::uint32_t free_address = 0;  // 0: filled in by SpkFile::image
    std::string format;              // empty: LTL-IEEE or BIG-IEEE from the byte order
};

struct SummaryFields {
    double start_epoch = 0.0;
    double end_epoch = 0.0;
    std::int32_t target = 0;
    std::int32_t center = 0;
    std::int32_t frame = 1;
    std::int32_t data_type = 2;
    std::int32_t start_address = 0;
    std::int32_t end_address = 0;
};

// A whole file image, record by record, in one byte order.
class DafImage {
public:
    explicit DafImage(bool big_endian) : big_endian_(big_endian) {}

    bool big_endian() const { return big_endian_; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t>& bytes() { return bytes_; }

    void ensure(std::size_t size) {
        if (bytes_.size() < size) bytes_.resize(size, 0);
    }
    void ensure_records(std::uint32_t records) { ensure(std::size_t{records} * RECORD_BYTES); }

    void put_text(std::size_t offset, std::string_view text, std::size_t width, char pad = ' ') {
        ensure(offset + width);
        for (std::size_t i = 0; i < width; ++i) {
            bytes_[offset + i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : pad);
        }
    }
    void put_u32(std::size_t offset, std::uint32_t value) { put_unsigned(offset, value, 4); }
    void put_i32(std::size_t offset, std::int32_t value) { put_u32(offset, static_cast<std::uint32_t>(value)); }
    void put_f64(std::size_t offset, double value) { put_unsigned(offset, std::bit_cast<std::uint64_t>(value), 8); }

    // One-based word addresses, as in the file.
    void put_word(std::uint64_t word, double value) { put_f64((word - 1) * 8, value); }
    void put_words(std::uint64_t first_word, const std::vector<double>& values) {
        for (std::size_t i = 0; i < values.size(); ++i) put_word(first_word + i, values[i]);
    }

    void file_record(const FileRecordFields& fields) {
        ensure_records(1);
        put_text(0, fields.identifier, 8);
        put_u32(8, fields.nd);
        put_u32(12, fields.ni);
        put_text(16, fields.internal_name, 60);
        put_u32(76, fields.forward);
        put_u32(80, fields.backward);
        put_u32(84, fields.free_address);
        std::string format = fields.format.empty() ? (big_endian_ ? "BIG-IEEE" : "LTL-IEEE") : fields.format;
        put_text(88, format, 8);
    }

    // Control words and summaries of record `record` (one-based).
    void summary_record(std::uint32_t record, double next, double previous, double count,
                        const std::vector<SummaryFields>& summaries) {
        ensure_records(record);
        std::size_t base = std::size_t{record - 1} * RECORD_BYTES;
        put_f64(base, next);
        put_f64(base + 8, previous);
        put_f64(base + 16, count);
        for (std::size_t i = 0; i < summaries.size(); ++i) {
            const SummaryFields& s = summaries[i];
            std::size_t at = base + 24 + i * 40;
            put_f64(at, s.start_epoch);
            put_f64(at + 8, s.end_epoch);
            put_i32(at + 16, s.target);
            put_i32(at + 20, s.center);
            put_i32(at + 24, s.frame);
            put_i32(at + 28, s.data_type);
            put_i32(at + 32, s.start_address);
            put_i32(at + 36, s.end_address);
        }
    }

    // Names of a record's summaries, 40 bytes each, blank padded.
    void name_record(std::uint32_t record, const std::vector<std::string>& names) {
        ensure_records(record);
        std::size_t base = std::size_t{record - 1} * RECORD_BYTES;
        for (std::size_t i = 0; i < names.size(); ++i) put_text(base + i * 40, names[i], 40);
    }

    void write(const std::filesystem::path& path) const {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
    }

private:
    void put_unsigned(std::size_t offset, std::uint64_t value, std::size_t width) {
        ensure(offset + width);
        for (std::size_t i = 0; i < width; ++i) {
            std::size_t shift = 8 * (big_endian_ ? width - 1 - i : i);
            bytes_[offset + i] = static_cast<std::uint8_t>(value >> shift);
        }
    }

    bool big_endian_;
    std::vector<std::uint8_t> bytes_;
};

// Type 2 segment data: N records of RSIZE words, then INIT, INTLEN, RSIZE, N.
struct Type2Data {
    double init = 0.0;
    double intlen = 0.0;
    std::vector<std::vector<double>> records;  // each RSIZE words: MID, RADIUS, x, y, z coefficients
    std::optional<double> rsize_word;          // default: the length of the first record
    std::optional<double> count_word;          // default: the number of records

    std::vector<double> words() const {
        std::vector<double> out;
        for (const auto& record : records) out.insert(out.end(), record.begin(), record.end());
        double rsize = rsize_word ? *rsize_word : (records.empty() ? 0.0 : double(records.front().size()));
        double count = count_word ? *count_word : double(records.size());
        out.insert(out.end(), {init, intlen, rsize, count});
        return out;
    }
};

// `count` records of `n` coefficients per component covering consecutive
// intervals from `init`; coefficient(record, component, degree) gives each one.
inline Type2Data make_type2(double init, double intlen, std::uint32_t count, std::uint32_t n,
                            const std::function<double(std::uint32_t, int, std::uint32_t)>& coefficient) {
    Type2Data data;
    data.init = init;
    data.intlen = intlen;
    for (std::uint32_t k = 0; k < count; ++k) {
        std::vector<double> record{init + (k + 0.5) * intlen, intlen / 2};
        for (int component = 0; component < 3; ++component) {
            for (std::uint32_t degree = 0; degree < n; ++degree) record.push_back(coefficient(k, component, degree));
        }
        data.records.push_back(std::move(record));
    }
    return data;
}

// Records whose only coefficient per component is 1000 k + component + 1, so
// a position tells which record served it.
inline Type2Data marker_type2(double init, double intlen, std::uint32_t count, std::uint32_t n = 1) {
    return make_type2(init, intlen, count, n, [](std::uint32_t k, int component, std::uint32_t degree) {
        return degree == 0 ? 1000.0 * k + component + 1 : 0.0;
    });
}

struct SegmentSpec {
    std::string name = "segment";
    std::int32_t target = 0;
    std::int32_t center = 0;
    std::int32_t frame = 1;
    std::int32_t data_type = 2;
    double start_epoch = 0.0;
    double end_epoch = 0.0;
    std::vector<double> words;  // the segment's data words
    // Added to the addresses written in the summary (to make them lie).
    std::int32_t start_address_shift = 0;
    std::int32_t end_address_shift = 0;
};

// A well-formed SPK file: file record, then summary/name record pairs of at
// most `per_record` summaries chained in order, then the segment data.
struct SpkFile {
    SpkFile() = default;
    explicit SpkFile(std::vector<SegmentSpec> segments) : segments(std::move(segments)) {}

    std::vector<SegmentSpec> segments;
    FileRecordFields file;
    std::uint32_t per_record = 25;

    DafImage image(bool big_endian) const {
        DafImage image(big_endian);
        std::uint32_t summary_records =
            segments.empty() ? 1 : static_cast<std::uint32_t>((segments.size() + per_record - 1) / per_record);
        std::uint64_t next_word = std::uint64_t{1 + 2 * summary_records} * WORDS_PER_RECORD + 1;
        std::vector<SummaryFields> summaries;
        std::vector<std::string> names;
        for (const SegmentSpec& segment : segments) {
            SummaryFields s;
            s.start_epoch = segment.start_epoch;
            s.end_epoch = segment.end_epoch;
            s.target = segment.target;
            s.center = segment.center;
            s.frame = segment.frame;
            s.data_type = segment.data_type;
            s.start_address = static_cast<std::int32_t>(next_word) + segment.start_address_shift;
            s.end_address = static_cast<std::int32_t>(next_word + segment.words.size() - 1) + segment.end_address_shift;
            image.put_words(next_word, segment.words);
            next_word += segment.words.size();
            summaries.push_back(s);
            names.push_back(segment.name);
        }
        for (std::uint32_t r = 0; r < summary_records; ++r) {
            std::uint32_t record = 2 + 2 * r;
            std::size_t first = std::size_t{r} * per_record;
            std::size_t last = std::min(summaries.size(), first + per_record);
            std::vector<SummaryFields> these(summaries.begin() + first, summaries.begin() + last);
            std::vector<std::string> these_names(names.begin() + first, names.begin() + last);
            double next = r + 1 < summary_records ? record + 2 : 0;
            double previous = r == 0 ? 0 : record - 2;
            image.summary_record(record, next, previous, double(these.size()), these);
            image.name_record(record + 1, these_names);
        }
        FileRecordFields fields = file;
        if (fields.forward == 2 && fields.backward == 2) fields.backward = 2 + 2 * (summary_records - 1);
        if (fields.free_address == 0) fields.free_address = static_cast<std::uint32_t>(next_word);
        image.file_record(fields);
        // Whole records, as a DAF is read by other tools record by record.
        const std::uint64_t words = std::max<std::uint64_t>(next_word - 1, std::uint64_t{1 + 2 * summary_records} *
                                                                               WORDS_PER_RECORD);
        image.ensure_records(static_cast<std::uint32_t>((words + WORDS_PER_RECORD - 1) / WORDS_PER_RECORD));
        return image;
    }
};

// A directory removed with its files at the end of the test.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvane-spk-XXXXXX").string();
        if (char* made = ::mkdtemp(pattern.data())) path_ = made;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

    std::string write(const std::string& name, const DafImage& image) const {
        std::filesystem::path file = path_ / name;
        image.write(file);
        return file.string();
    }

private:
    std::filesystem::path path_;
};

}  // namespace orvane::test
