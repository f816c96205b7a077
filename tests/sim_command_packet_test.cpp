// The loader's packet decoding: the packets the program sends, and frames
// that are short, long or carry an argument the format leaves out.
#include "sim/command_packet.h"

#include <gtest/gtest.h>

#include <vector>

namespace varnel::sim {
namespace {

struct PacketCase {
  const char* name;
  std::vector<uint8_t> raw;
  PacketDecode decode;
  uint8_t code;
  uint32_t argumentCount;
  uint32_t first;
  uint32_t second;
};

TEST(CommandPacketTest, DecodesEachFrame) {
  const std::vector<PacketCase> cases = {
      {"disconnect", {0x01, 0x13}, PacketDecode::kOk, 0x13, 0, 0, 0},
      {"block size 4096", {0x05, 0x36, 0x00, 0x10, 0x00, 0x00},
       PacketDecode::kOk, 0x36, 1, 4096, 0},
      {"line speed 460800", {0x05, 0x29, 0x00, 0x08, 0x07, 0x00},
       PacketDecode::kOk, 0x29, 1, 460800, 0},
      {"dump of bank 1",
       {0x09, 0x34, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x80, 0x00},
       PacketDecode::kOk, 0x34, 2, 0x1000000, 0x800000},
      {"argument sent as zero", {0x05, 0x36, 0x00, 0x00, 0x00, 0x00},
       PacketDecode::kZeroArgument, 0x36, 1, 0, 0},
      {"second argument zero",
       {0x09, 0x35, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00},
       PacketDecode::kZeroArgument, 0x35, 2, 0x1000000, 0},
      {"length 2", {0x02, 0x13, 0x00}, PacketDecode::kBadLength, 0, 0, 0, 0},
      {"length 0", {0x00}, PacketDecode::kBadLength, 0, 0, 0, 0},
      {"cut short", {0x05, 0x36, 0x00, 0x10}, PacketDecode::kBadLength, 0, 0, 0, 0},
      {"one byte too many", {0x01, 0x13, 0x00}, PacketDecode::kBadLength, 0, 0, 0, 0},
  };
  for (const PacketCase& c : cases) {
    SCOPED_TRACE(c.name);
    CommandPacket packet;
    EXPECT_EQ(DecodePacket(c.raw.data(), c.raw.size(), &packet), c.decode);
    if (c.decode == PacketDecode::kBadLength) continue;
    EXPECT_EQ(packet.code, c.code);
    EXPECT_EQ(packet.argumentCount, c.argumentCount);
    EXPECT_EQ(packet.first, c.first);
    EXPECT_EQ(packet.second, c.second);
  }
}

TEST(CommandPacketTest, OnlyLengthsOneFiveAndNineFrameAPacket) {
  std::vector<int> valid;
  for (int length = 0; length <= 0xFF; ++length) {
    if (PacketLengthValid(static_cast<uint8_t>(length))) valid.push_back(length);
  }
  EXPECT_EQ(valid, (std::vector<int>{1, 5, 9}));
}

}  // namespace
}  // namespace varnel::sim
