// The handset's flash: bank and sector geometry as the program's, the
// fresh-image pattern, and the image file and in-memory image keeping what
// was written.
#include "sim/flash_image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "format/flash_bank.h"
#include "sim/flash_layout.h"
#include "tests/test_support.h"

namespace varnel::sim {
namespace {

using varnel::testing::TempDir;

std::vector<uint8_t> Read(const FlashImage& image, uint32_t address, uint32_t n) {
  std::vector<uint8_t> bytes(n);
  EXPECT_TRUE(image.Read(address, bytes.data(), n));
  return bytes;
}

std::vector<uint8_t> Pattern(uint32_t address, uint32_t n) {
  std::vector<uint8_t> bytes;
  for (uint32_t i = 0; i < n; ++i) bytes.push_back(PatternByte(address + i));
  return bytes;
}

// The handset keeps a model of its own; it must agree with the program's
// (whose sector map tests/protocol_format_test.cpp pins) everywhere a
// block can start: every 4 KiB of both banks and every byte around each
// sector boundary. Nothing lies before, between or after the banks.
TEST(FlashLayoutTest, AgreesWithTheProgramsFlashGeometry) {
  EXPECT_FALSE(FindBank(0xFFFFFF).has_value());
  EXPECT_FALSE(FindBank(0x2800000).has_value());
  EXPECT_FALSE(RegionInsideBank(0x1800000, 1));
  for (uint32_t base : {kBank1Base, kBank2Base}) {
    SCOPED_TRACE(::testing::Message() << std::hex << base);
    std::optional<FlashBank> bank = FindBank(base);
    varnel::FlashBank programBank;
    ASSERT_TRUE(bank.has_value());
    ASSERT_TRUE(varnel::FindFlashBank(base, &programBank));
    for (uint32_t relative = 0; relative < kBankSize; ++relative) {
      const bool nearBoundary = relative % kSmallSector < 2 || relative % kSmallSector > kSmallSector - 2;
      if (relative % 0x1000 != 0 && !nearBoundary) continue;
      ASSERT_EQ(SectorRoom(relative, *bank), varnel::SectorRoom(relative, programBank)) << relative;
      ASSERT_EQ(RegionInsideBank(base + relative, kBankSize - relative),
                varnel::FitsInBank(relative, kBankSize - relative));
      ASSERT_EQ(RegionInsideBank(base + relative, kBankSize - relative + 1),
                varnel::FitsInBank(relative, kBankSize - relative + 1));
    }
  }
}

TEST(FlashLayoutTest, PatternDiffersFromBlockToBlock) {
  // A block read from or written to the wrong place must not compare equal.
  for (uint32_t shift : {0x400u, 0x2000u, 0x10000u, 0x1000000u}) {
    SCOPED_TRACE(shift);
    EXPECT_NE(Pattern(0x1000000, 1024), Pattern(0x1000000 + shift, 1024));
  }
}

TEST(FlashImageTest, NewFileHoldsThePatternAndKeepsWrites) {
  TempDir dir;
  const std::string path = (dir / "image.bin").string();
  const std::vector<uint8_t> data = {1, 2, 3, 4, 5};
  {
    FlashImage image;
    ASSERT_EQ(FlashImage::OpenFile(path, &image), ImageOpenResult::kOk);
    EXPECT_EQ(std::filesystem::file_size(path), 0x1000000u);
    EXPECT_EQ(Read(image, 0x27FFFF0, 16), Pattern(0x27FFFF0, 16));
    ASSERT_TRUE(image.Write(0x2000000, data.data(), 5));
  }
  FlashImage reopened;
  ASSERT_EQ(FlashImage::OpenFile(path, &reopened), ImageOpenResult::kOk);
  EXPECT_EQ(Read(reopened, 0x2000000, 5), data);
  EXPECT_EQ(Read(reopened, 0x2000005, 8), Pattern(0x2000005, 8));
  // Bank 2 lies after bank 1 in the file.
  std::ifstream file(path, std::ios::binary);
  file.seekg(0x800000);
  std::vector<char> raw(5);
  file.read(raw.data(), 5);
  EXPECT_EQ(std::vector<uint8_t>(raw.begin(), raw.end()), data);
}

TEST(FlashImageTest, MemoryImageKeepsWritesAcrossPageBoundariesInsideTheBanks) {
  FlashImage image;
  uint8_t byte = 0;
  EXPECT_FALSE(image.Read(0xFFFFFF, &byte, 1));
  EXPECT_FALSE(image.Write(0x17FFFFF, &byte, 2));
  EXPECT_FALSE(image.Read(0x2800000, &byte, 1));
  std::vector<uint8_t> data(10000, 0x5A);
  ASSERT_TRUE(image.Write(0x1000F00, data.data(), 10000));
  EXPECT_EQ(Read(image, 0x1000F00, 10000), data);
  EXPECT_EQ(Read(image, 0x1000EF0, 16), Pattern(0x1000EF0, 16));
  EXPECT_EQ(Read(image, 0x1000F00 + 10000, 16), Pattern(0x1000F00 + 10000, 16));
}

// --- error paths ---

TEST(FlashImageTest, RefusesAFileOfTheWrongSizeAndLeavesItAlone) {
  TempDir dir;
  const std::string path = (dir / "short.bin").string();
  std::ofstream(path) << "not an image";
  FlashImage image;
  EXPECT_EQ(FlashImage::OpenFile(path, &image), ImageOpenResult::kWrongSize);
  EXPECT_EQ(std::filesystem::file_size(path), 12u);
  EXPECT_EQ(FlashImage::OpenFile((dir / "no/such/dir.bin").string(), &image), ImageOpenResult::kCannotOpen);
}

}  // namespace
}  // namespace varnel::sim
