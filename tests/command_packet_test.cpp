// The loader's packet decoding: the packets the program sends, and frames
// that are short, long or carry an argument the format leaves out.
#include "format/command_packet.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace varnel {
namespace {

struct PacketCase {
  const char* name;
  std::vector<uint8_t> raw;
  PacketDecode decode;
  uint8_t code;
  uint32_t argumentCount;
  uint32_t first;
  uint32_t second;
  bool written;  // the program writes exactly `raw` for this command
};

TEST(CommandPacketTest, DecodesEachFrame) {
  const std::vector<PacketCase> cases = {
      {"disconnect", {0x01, 0x13}, PacketDecode::Ok, 0x13, 0, 0, 0, true},
      {"block size 4096", {0x05, 0x36, 0x00, 0x10, 0x00, 0x00}, PacketDecode::Ok, 0x36, 1, 4096, 0, true},
      {"line speed 460800", {0x05, 0x29, 0x00, 0x08, 0x07, 0x00}, PacketDecode::Ok, 0x29, 1, 460800, 0, true},
      {"dump of bank 1",
       {0x09, 0x34, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x80, 0x00},
       PacketDecode::Ok,
       0x34,
       2,
       0x1000000,
       0x800000,
       true},
      {"argument sent as zero", {0x05, 0x36, 0x00, 0x00, 0x00, 0x00}, PacketDecode::ZeroArgument, 0x36, 1, 0, 0, false},
      {"second argument zero",
       {0x09, 0x35, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00},
       PacketDecode::ZeroArgument,
       0x35,
       2,
       0x1000000,
       0,
       false},
      {"length 2", {0x02, 0x13, 0x00}, PacketDecode::BadLength, 0, 0, 0, 0, false},
      {"length 0", {0x00}, PacketDecode::BadLength, 0, 0, 0, 0, false},
      {"cut short", {0x05, 0x36, 0x00, 0x10}, PacketDecode::BadLength, 0, 0, 0, 0, false},
      {"one byte too many", {0x01, 0x13, 0x00}, PacketDecode::BadLength, 0, 0, 0, 0, false},
  };
  for (const PacketCase& c : cases) {
    SCOPED_TRACE(c.name);
    CommandPacket packet;
    EXPECT_EQ(DecodePacket(c.raw.data(), c.raw.size(), &packet), c.decode);
    if (c.decode == PacketDecode::BadLength) continue;
    EXPECT_EQ(packet.code, c.code);
    EXPECT_EQ(packet.argumentCount, c.argumentCount);
    EXPECT_EQ(packet.first, c.first);
    EXPECT_EQ(packet.second, c.second);
    if (!c.written) continue;
    uint8_t bytes[kPacketMaxBytes];
    const size_t length = EncodePacket(c.code, c.first, c.second, bytes);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + length), c.raw);
  }
}

TEST(CommandPacketTest, AtTextsGoOutAsTheyAre) {
  for (const auto& [code, text] : {std::pair{kCodeAtText, "AT\r"}, std::pair{kCodeAtDownloadText, "AT**3\r"}}) {
    uint8_t bytes[kPacketMaxBytes];
    const size_t length = EncodePacket(code, 0, 0, bytes);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), length), text);
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
}  // namespace varnel
