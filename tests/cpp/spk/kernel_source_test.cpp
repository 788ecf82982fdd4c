// Kernel file access: the mapped and plain-read forms behave the same.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <limits>

#include "spk/kernel_source.hpp"
#include "spk_test_support.hpp"

namespace orvane::test {
namespace {

std::string write_bytes(const TempDir& dir, const std::string& name, std::size_t size) {
    std::string path = (dir.path() / name).string();
    std::ofstream out(path, std::ios::binary);
    for (std::size_t i = 0; i < size; ++i) out.put(static_cast<char>(i * 7 + 3));
    return path;
}

class Sources : public ::testing::TestWithParam<bool> {
protected:
    KernelSource open(const std::string& path) {
        auto source = GetParam() ? KernelSource::open(path) : KernelSource::open_unmapped(path);
        EXPECT_TRUE(source.has_value());
        return std::move(*source);
    }
    TempDir dir_;
};

TEST_P(Sources, ReadSeekAndReadExact) {
    KernelSource source = open(write_bytes(dir_, "data.bin", 3000));
    EXPECT_EQ(source.is_mapped(), GetParam());
    EXPECT_EQ(source.length(), 3000u);

    std::array<std::byte, 16> buffer{};
    ASSERT_EQ(*source.seek(SeekOrigin::Start, 2990), 2990u);
    auto count = source.read(buffer);
    ASSERT_TRUE(count);
    EXPECT_EQ(*count, 10u);
    EXPECT_EQ(std::to_integer<int>(buffer[0]), (2990 * 7 + 3) & 0xFF);
    EXPECT_EQ(*source.read(buffer), 0u);

    EXPECT_EQ(*source.seek(SeekOrigin::End, -100), 2900u);
    EXPECT_EQ(*source.seek(SeekOrigin::Current, 50), 2950u);
    ASSERT_TRUE(source.read_exact(buffer));
    EXPECT_EQ(std::to_integer<int>(buffer[15]), (2965 * 7 + 3) & 0xFF);

    // A seek past the end succeeds; the read after it does not.
    EXPECT_EQ(*source.seek(SeekOrigin::Start, 5000), 5000u);
    EXPECT_EQ(source.read_exact(buffer).error().text, "failed to fill whole buffer");
    ASSERT_TRUE(source.seek(SeekOrigin::Start, 2995));
    EXPECT_EQ(source.read_exact(buffer).error().text, "failed to fill whole buffer");

    for (auto [origin, offset] : {std::pair{SeekOrigin::Start, std::int64_t{-1}},
                                  std::pair{SeekOrigin::End, std::int64_t{-3001}},
                                  std::pair{SeekOrigin::Current, std::numeric_limits<std::int64_t>::min()}}) {
        auto seek = source.seek(origin, offset);
        ASSERT_FALSE(seek);
        EXPECT_EQ(seek.error().text, "invalid seek to a negative or overflowing position");
    }
}

TEST_P(Sources, AnEmptyFileReadsNothing) {
    KernelSource source = open(write_bytes(dir_, "empty.bin", 0));
    EXPECT_FALSE(source.is_mapped());
    std::array<std::byte, 4> buffer{};
    EXPECT_EQ(source.read_exact(buffer).error().text, "failed to fill whole buffer");
}

INSTANTIATE_TEST_SUITE_P(Spk, Sources, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Mapped" : "Plain"; });

TEST(KernelOpening, MissingAndShortFilesAreReadErrors) {
    TempDir dir;
    auto missing = SpkKernel::open((dir.path() / "missing.bsp").string());
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message().rfind("failed to read SPK kernel: ", 0), 0u);
    EXPECT_GT(missing.error().message().size(), std::string("failed to read SPK kernel: ").size());

    auto short_file = SpkKernel::open(write_bytes(dir, "short.bsp", 1023));
    EXPECT_EQ(error_text(short_file), "failed to read SPK kernel: failed to fill whole buffer");
}

}  // namespace
}  // namespace orvane::test
