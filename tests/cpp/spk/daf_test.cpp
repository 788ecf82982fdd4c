// The DAF container: file record, summary chain, summaries and names.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "spk/daf.hpp"
#include "spk_test_support.hpp"

namespace orvane::test {
namespace {

std::vector<std::uint8_t> file_record_bytes(const FileRecordFields& fields, bool big_endian) {
    DafImage image(big_endian);
    FileRecordFields complete = fields;
    if (complete.free_address == 0) complete.free_address = 1000;
    image.file_record(complete);
    return image.bytes();
}

std::string file_record_error(const FileRecordFields& fields, bool big_endian) {
    return error_text(parse_file_record(file_record_bytes(fields, big_endian)));
}

// A kernel of one marker segment for body 301, for chain and summary tests.
SpkFile one_segment_file() {
    SpkFile file;
    file.segments.push_back(type2_segment(301, 3, 0.0, 100.0, marker_type2(0.0, 100.0, 1), "MOON"));
    return file;
}

using FileRecord = BothByteOrders;

TEST_P(FileRecord, DecodesEveryField) {
    FileRecordFields fields;
    fields.internal_name = "  NIO2SPK  ";
    fields.forward = 7;
    fields.backward = 9;
    fields.free_address = 129;
    auto record = parse_file_record(file_record_bytes(fields, big_endian()));
    ASSERT_TRUE(record) << error_text(record);
    EXPECT_EQ(record->internal_name, "  NIO2SPK");
    EXPECT_EQ(record->nd, 2u);
    EXPECT_EQ(record->ni, 6u);
    EXPECT_EQ(record->forward, 7u);
    EXPECT_EQ(record->backward, 9u);
    EXPECT_EQ(record->free_address, 129u);
    EXPECT_EQ(record->big_endian, big_endian());
}

TEST_P(FileRecord, RefusesOtherIdentifiersAndFormats) {
    FileRecordFields fields;
    fields.identifier = "DAF/PCK ";
    EXPECT_EQ(file_record_error(fields, big_endian()), "expected DAF/SPK file identifier, found \"DAF/PCK \"");
    fields.identifier = "DAF/SPK\xff";
    EXPECT_EQ(file_record_error(fields, big_endian()),
              "expected DAF/SPK file identifier, found \"DAF/SPK\xEF\xBF\xBD\"");

    fields = {};
    fields.format = big_endian() ? "big-ieee" : "ltl-ieee";
    EXPECT_EQ(file_record_error(fields, big_endian()),
              std::string("unsupported DAF binary format \"") + fields.format + "\"");
    fields.format = "        ";
    EXPECT_EQ(file_record_error(fields, big_endian()), "unsupported DAF binary format \"\"");
    auto bytes = file_record_bytes({}, big_endian());
    std::fill(bytes.begin() + 88, bytes.begin() + 96, 0);
    EXPECT_EQ(error_text(parse_file_record(bytes)), "unsupported DAF binary format \"\"");
    bytes[88] = 0xC3;  // a lone lead byte
    EXPECT_EQ(error_text(parse_file_record(bytes)), "invalid UTF-8 in binary format");
    // The identifier is looked at before the format.
    bytes[0] = 'X';
    EXPECT_EQ(error_text(parse_file_record(bytes)), "expected DAF/SPK file identifier, found \"XAF/SPK \"");
}

TEST_P(FileRecord, ChecksCountsPointersAndFreeAddress) {
    FileRecordFields fields;
    fields.nd = 0;
    EXPECT_EQ(file_record_error(fields, big_endian()),
              "invalid DAF file record: summary component counts must be non-zero");
    fields = {};
    fields.ni = 0;
    EXPECT_EQ(file_record_error(fields, big_endian()),
              "invalid DAF file record: summary component counts must be non-zero");
    fields = {};
    fields.nd = 122;
    fields.ni = 7;  // 122 + 4 = 126 words
    EXPECT_EQ(file_record_error(fields, big_endian()),
              "invalid DAF file record: packed summary cannot fit in a DAF summary record");
    fields.nd = 121;
    EXPECT_TRUE(parse_file_record(file_record_bytes(fields, big_endian())));

    fields = {};
    fields.forward = 1;
    fields.backward = 1;
    EXPECT_EQ(file_record_error(fields, big_endian()),
              "invalid DAF file record: summary record pointers are inconsistent");
    fields = {};
    fields.forward = 5;
    fields.backward = 4;
    EXPECT_EQ(file_record_error(fields, big_endian()),
              "invalid DAF file record: summary record pointers are inconsistent");

    fields = {};
    fields.free_address = 128;
    auto bytes = file_record_bytes(fields, big_endian());
    EXPECT_EQ(error_text(parse_file_record(bytes)),
              "invalid DAF file record: first free address points inside the file record");
    fields.free_address = 129;
    EXPECT_TRUE(parse_file_record(file_record_bytes(fields, big_endian())));
}

TEST_P(FileRecord, InternalNameMustBeUtf8) {
    auto bytes = file_record_bytes({}, big_endian());
    bytes[20] = 0xFF;
    EXPECT_EQ(error_text(parse_file_record(bytes)), "invalid UTF-8 in internal file name");
}

TEST_P(FileRecord, OtherSummaryLayoutOpensButHasNoSegments) {
    SpkFile file = one_segment_file();
    file.file.nd = 1;
    file.file.ni = 5;
    SpkKernel kernel = open_kernel(write("layout.bsp", file));
    EXPECT_EQ(error_text(kernel.segments()), "unsupported SPK summary layout ND=1, NI=5");
}

INSTANTIATE_TEST_SUITE_P(Spk, FileRecord, ::testing::Bool(), byte_order_name);

using SummaryChain = BothByteOrders;

TEST_P(SummaryChain, WalksRecordsInChainOrderAndCachesTheList) {
    SpkFile file;
    for (int i = 0; i < 60; ++i) {
        file.segments.push_back(
            type2_segment(1000 + i, 0, i, i + 1.0, marker_type2(i, 1.0, 1), "SEGMENT " + std::to_string(i)));
    }
    SpkKernel kernel = open_kernel(write("three_records.bsp", file));
    std::uint64_t reads_before = kernel.source().read_count();
    auto segments = kernel.segments();
    ASSERT_TRUE(segments) << error_text(segments);
    ASSERT_EQ(segments->size(), 60u);
    for (int i = 0; i < 60; ++i) {
        EXPECT_EQ((*segments)[i].target, 1000 + i);
        EXPECT_EQ((*segments)[i].name, "SEGMENT " + std::to_string(i));
    }
    // Three summary records and their name records.
    EXPECT_EQ(kernel.source().read_count() - reads_before, 6u);
    auto again = kernel.segments();
    ASSERT_TRUE(again);
    EXPECT_EQ(kernel.source().read_count() - reads_before, 6u);
    EXPECT_EQ(again->back().start_address, segments->back().start_address);
}

// Rewrites the control words of summary record 2 of a one-segment file.
std::string chain_error(BothByteOrders& test, double next, double previous, double count, std::uint32_t backward = 2) {
    SpkFile file = one_segment_file();
    DafImage image = file.image(test.GetParam());
    image.put_f64(1024, next);
    image.put_f64(1024 + 8, previous);
    image.put_f64(1024 + 16, count);
    image.put_u32(80, backward);
    TempDir dir;
    SpkKernel kernel = open_kernel(dir.write("chain.bsp", image));
    return error_text(kernel.segments());
}

TEST_P(SummaryChain, ControlWordsMustBeCountsAndPointersConsistent) {
    EXPECT_EQ(chain_error(*this, 2, 0, 1), "invalid DAF summary chain: summary record chain contains a cycle");
    EXPECT_EQ(chain_error(*this, 0, 0, 26), "invalid DAF summary chain: summary count exceeds record capacity");
    for (double bad : {2.5, -1.0, std::nan(""), std::numeric_limits<double>::infinity(), 4294967296.0}) {
        EXPECT_EQ(chain_error(*this, 0, 0, bad),
                  "invalid DAF summary chain: summary control word is not a non-negative integer")
            << bad;
        EXPECT_EQ(chain_error(*this, bad, 0, 1),
                  "invalid DAF summary chain: summary control word is not a non-negative integer")
            << bad;
    }
    // NEXT is judged before PREV and NSUM; PREV before NSUM.
    EXPECT_EQ(chain_error(*this, 0, 1, 0.5),
              "invalid DAF summary chain: summary control word is not a non-negative integer");
    EXPECT_EQ(chain_error(*this, 0, 1, 1), "invalid DAF summary chain: summary record has an incorrect backward pointer");
    EXPECT_EQ(chain_error(*this, 0, -0.0, 1), "(no error)");
    EXPECT_EQ(chain_error(*this, 0, 0, 0), "(no error)");
    EXPECT_EQ(chain_error(*this, 0, 0, 1, 4), "invalid DAF summary chain: summary chain ended before the final summary record");
    // NEXT past the end of the file.
    EXPECT_EQ(chain_error(*this, 4000, 0, 1, 4000), "failed to read SPK kernel: failed to fill whole buffer");
    EXPECT_EQ(chain_error(*this, 4294967295.0, 0, 1, 4294967295u),
              "failed to read SPK kernel: failed to fill whole buffer");
}

TEST_P(SummaryChain, TwentyFiveSummariesFitOneRecord) {
    SpkFile file;
    for (int i = 0; i < 25; ++i) file.segments.push_back(type2_segment(i + 1, 0, 0, 1, marker_type2(0, 1, 1)));
    SpkKernel kernel = open_kernel(write("full.bsp", file));
    auto segments = kernel.segments();
    ASSERT_TRUE(segments) << error_text(segments);
    EXPECT_EQ(segments->size(), 25u);
}

TEST_P(SummaryChain, FollowsTheChainRatherThanTheRecordOrder) {
    // Summary records 2, 4 and 6 chained 2 -> 6 -> 4.
    SpkFile file;
    for (int i = 0; i < 3; ++i) file.segments.push_back(type2_segment(i + 1, 0, 0, 1, marker_type2(0, 1, 1)));
    file.per_record = 1;
    DafImage image = file.image(big_endian());
    image.put_u32(80, 4);
    auto link = [&](std::uint32_t record, double next, double previous) {
        image.put_f64((record - 1) * 1024, next);
        image.put_f64((record - 1) * 1024 + 8, previous);
    };
    link(2, 6, 0);
    link(6, 4, 2);
    link(4, 0, 6);
    SpkKernel kernel = open_kernel(write("reordered.bsp", image));
    auto segments = kernel.segments();
    ASSERT_TRUE(segments) << error_text(segments);
    ASSERT_EQ(segments->size(), 3u);
    EXPECT_EQ((*segments)[0].target, 1);
    EXPECT_EQ((*segments)[1].target, 3);
    EXPECT_EQ((*segments)[2].target, 2);
}

INSTANTIATE_TEST_SUITE_P(Spk, SummaryChain, ::testing::Bool(), byte_order_name);

using Summaries = BothByteOrders;

std::vector<std::uint8_t> summary_bytes(const SummaryFields& fields, bool big_endian) {
    DafImage image(big_endian);
    image.summary_record(1, 0, 0, 1, {fields});
    return std::vector<std::uint8_t>(image.bytes().begin() + 24, image.bytes().begin() + 64);
}

TEST_P(Summaries, DecodesAndChecksBoundsAndAddresses) {
    SummaryFields fields{-5.5, 7.25, 301, 3, 1, 2, 385, 400};
    auto segment = parse_spk_summary(summary_bytes(fields, big_endian()), "MOON", big_endian());
    ASSERT_TRUE(segment) << error_text(segment);
    EXPECT_EQ(segment->name, "MOON");
    EXPECT_EQ(segment->start_epoch, -5.5);
    EXPECT_EQ(segment->end_epoch, 7.25);
    EXPECT_EQ(segment->target, 301);
    EXPECT_EQ(segment->center, 3);
    EXPECT_EQ(segment->frame, 1);
    EXPECT_EQ(segment->data_type, 2);
    EXPECT_EQ(segment->start_address, 385);
    EXPECT_EQ(segment->end_address, 400);

    auto error_for = [&](SummaryFields f) { return error_text(parse_spk_summary(summary_bytes(f, big_endian()), "", big_endian())); };
    SummaryFields f = fields;
    f.start_epoch = std::nan("");
    EXPECT_EQ(error_for(f), "invalid SPK segment: time bounds must be finite");
    f = fields;
    f.end_epoch = std::numeric_limits<double>::infinity();
    EXPECT_EQ(error_for(f), "invalid SPK segment: time bounds must be finite");
    f = fields;
    f.start_epoch = 8;
    EXPECT_EQ(error_for(f), "invalid SPK segment: start time is after end time");
    f.start_epoch = 7.25;
    EXPECT_EQ(error_for(f), "(no error)");
    f = fields;
    f.start_address = 0;
    EXPECT_EQ(error_for(f), "invalid SPK segment: DAF address bounds are invalid");
    f = fields;
    f.end_address = 384;
    EXPECT_EQ(error_for(f), "invalid SPK segment: DAF address bounds are invalid");
    f.end_address = 385;
    EXPECT_EQ(error_for(f), "(no error)");
    // Type and frame are carried, not judged.
    f.data_type = 99;
    f.frame = -7;
    EXPECT_EQ(error_for(f), "(no error)");
}

TEST_P(Summaries, NamesKeepLeadingBlanksAndMustBeUtf8) {
    SpkFile file = one_segment_file();
    file.segments.push_back(type2_segment(399, 3, 0, 100, marker_type2(0, 100, 1), std::string(40, ' ')));
    file.segments.push_back(type2_segment(3, 0, 0, 100, marker_type2(0, 100, 1), std::string("  EMB\0\0", 7)));
    auto segments = open_kernel(write("names.bsp", file)).segments();
    ASSERT_TRUE(segments);
    EXPECT_EQ((*segments)[0].name, "MOON");
    EXPECT_EQ((*segments)[1].name, "");
    EXPECT_EQ((*segments)[2].name, "  EMB");

    DafImage image = one_segment_file().image(big_endian());
    image.bytes()[2 * 1024 + 3] = 0xFE;
    EXPECT_EQ(error_text(open_kernel(write("bad_name.bsp", image)).segments()), "invalid UTF-8 in segment identifier");
}

INSTANTIATE_TEST_SUITE_P(Spk, Summaries, ::testing::Bool(), byte_order_name);

TEST(AsciiField, TrimsOnlyTrailingNulsAndBlanks) {
    std::string text = std::string(" a\0b ", 5) + std::string("\0 \0", 3);
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    auto field = parse_ascii_field(bytes, "field");
    ASSERT_TRUE(field);
    EXPECT_EQ(*field, std::string(" a\0b", 4));
    // The whole field is validated, trailing part included.
    bytes.push_back(0x80);
    bytes.push_back(' ');
    EXPECT_EQ(error_text(parse_ascii_field(bytes, "field")), "invalid UTF-8 in field");
}

}  // namespace
}  // namespace orvane::test
