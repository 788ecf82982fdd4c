// Kernel file access: positioned reads, seeks and their failures.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
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

class Sources : public ::testing::Test {
protected:
    KernelSource open(const std::string& path) {
        auto source = KernelSource::open(path);
        EXPECT_TRUE(source.has_value());
        return std::move(*source);
    }
    TempDir dir_;
};

TEST_F(Sources, ReadSeekAndReadExact) {
    KernelSource source = open(write_bytes(dir_, "data.bin", 3000));
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

TEST_F(Sources, AnEmptyFileReadsNothing) {
    KernelSource source = open(write_bytes(dir_, "empty.bin", 0));
    std::array<std::byte, 4> buffer{};
    EXPECT_EQ(source.read_exact(buffer).error().text, "failed to fill whole buffer");
}

// A file truncated after opening (a download repeated in place) gives the read
// error, never a fault.
TEST_F(Sources, AFileShrunkAfterOpeningGivesTheReadError) {
    const std::string path = write_bytes(dir_, "shrinks.bin", 3000);
    KernelSource source = open(path);
    std::filesystem::resize_file(path, 0);
    std::array<std::byte, 16> buffer{};
    ASSERT_TRUE(source.seek(SeekOrigin::Start, 2000));
    EXPECT_EQ(source.read_exact(buffer).error().text, "failed to fill whole buffer");
}

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
