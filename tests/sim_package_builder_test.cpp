// Loader packages of our own: the layout on disk, determinism of the
// stand-in code, and packages that are cut short or too large.
#include "sim/package_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/test_support.h"

namespace varnel::sim {
namespace {

TEST(PackageBuilderTest, LaysOutHeaderStageOneAndChunks) {
  PackageContents contents = MakeStandInPackage(300, {5000, 2000}, 7);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(EncodePackage(contents, &bytes), PackageResult::kOk);
  ASSERT_EQ(bytes.size(), 9u + 2 + 300 + 2 + 5000 + 2 + 2000);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 9), "VARNELSIM");
  EXPECT_EQ(bytes[9] | (bytes[10] << 8), 300);
  EXPECT_EQ(bytes[11 + 300] | (bytes[12 + 300] << 8), 5000);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 11, bytes.begin() + 311), contents.stageOne);

  PackageContents decoded;
  ASSERT_EQ(DecodePackage(bytes, &decoded), PackageResult::kOk);
  EXPECT_EQ(decoded.stageOne, contents.stageOne);
  EXPECT_EQ(decoded.chunks, contents.chunks);
  // The stand-in code depends only on the seed.
  EXPECT_EQ(contents.stageOne, MakeStandInPackage(300, {64}, 7).stageOne);
  EXPECT_NE(contents.stageOne, MakeStandInPackage(300, {64}, 8).stageOne);
  EXPECT_NE(std::vector<uint8_t>(contents.chunks[0].begin(), contents.chunks[0].begin() + 300), contents.stageOne);
}

TEST(PackageBuilderTest, FileRoundTrip) {
  varnel::testing::TempDir dir;
  const std::string path = (dir / "Varnel.res").string();
  PackageContents contents = MakeStandInPackage(0, {}, 3);
  EXPECT_EQ(WritePackageFile(path, contents), PackageResult::kOk);
  PackageContents read;
  EXPECT_EQ(ReadPackageFile(path, &read), PackageResult::kOk);
  EXPECT_TRUE(read.stageOne.empty());
  EXPECT_TRUE(read.chunks.empty());
  EXPECT_EQ(std::filesystem::file_size(path), 11u);
}

// --- error paths ---

TEST(PackageBuilderTest, RejectsTruncatedAndOversizedPackages) {
  std::vector<uint8_t> bytes;
  ASSERT_EQ(EncodePackage(MakeStandInPackage(10, {20}, 1), &bytes), PackageResult::kOk);
  PackageContents decoded;
  for (size_t cut : {size_t{5}, size_t{10}, size_t{15}, bytes.size() - 1}) {
    SCOPED_TRACE(cut);
    std::vector<uint8_t> shorter(bytes.begin(), bytes.begin() + cut);
    EXPECT_EQ(DecodePackage(shorter, &decoded), PackageResult::kTruncated);
  }
  EXPECT_EQ(EncodePackage(MakeStandInPackage(65536, {}, 1), &bytes), PackageResult::kTooLong);
  EXPECT_EQ(EncodePackage(MakeStandInPackage(1, {65536}, 1), &bytes), PackageResult::kTooLong);
  EXPECT_EQ(ReadPackageFile("/nonexistent/Varnel.res", &decoded), PackageResult::kCannotRead);
}

}  // namespace
}  // namespace varnel::sim
