// S-record text: "S2", count, 24-bit address, data, checksum, CR LF.
#include "format/srecord_format.h"

#include "format/hex_text.h"
#include "format/wire_format.h"

namespace varnel {
namespace {

constexpr uint32_t kAddressBytes = 3;
constexpr uint32_t kChecksumBytes = 1;
// "S2" + count + address + checksum + CR LF, without the data.
constexpr uint32_t kRecordOverheadChars = 2 + 2 * (1 + kAddressBytes + kChecksumBytes) + 2;
static_assert(kRecordOverheadChars == 14);
constexpr char kClosingRecord[] = "S804400000BB\r\n";
static_assert(sizeof kClosingRecord - 1 == kRecordOverheadChars);

char* PutHexByte(char* at, uint32_t value) {
  at[0] = kHexDigits[(value >> 4) & 0xF];
  at[1] = kHexDigits[value & 0xF];
  return at + 2;
}

uint32_t RecordCount(uint32_t count) { return count == 0 ? 1 : (count + kRecordDataBytes - 1) / kRecordDataBytes; }

}  // namespace

uint32_t SRecordTextLength(uint32_t count) {
  return 2 * count + kRecordOverheadChars * RecordCount(count) + kRecordOverheadChars;
}

uint32_t FormatSRecords(const uint8_t* data, char* text, uint32_t count) {
  char* at = text;
  uint32_t address = kStageOneAddress;
  uint32_t done = 0;
  for (uint32_t record = 0; record < RecordCount(count); ++record) {
    uint32_t n = count - done < kRecordDataBytes ? count - done : kRecordDataBytes;
    uint32_t length = n + kAddressBytes + kChecksumBytes;
    uint32_t sum = length + (address >> 16) + (address >> 8) + address;
    *at++ = 'S';
    *at++ = '2';
    at = PutHexByte(at, length);
    at = PutHexByte(at, address >> 16);
    at = PutHexByte(at, address >> 8);
    at = PutHexByte(at, address);
    for (uint32_t i = 0; i < n; ++i) {
      sum += data[done + i];
      at = PutHexByte(at, data[done + i]);
    }
    at = PutHexByte(at, ~sum & 0xFF);
    *at++ = '\r';
    *at++ = '\n';
    done += n;
    address += kRecordDataBytes;
  }
  for (const char* c = kClosingRecord; *c != '\0'; ++c) *at++ = *c;
  return static_cast<uint32_t>(at - text);
}

}  // namespace varnel
