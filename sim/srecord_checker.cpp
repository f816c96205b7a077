// The boot ROM's S-record checks: syntax, count, checksum, type, address
// sequence and record length, in that order; the first failure is kept.
#include "sim/srecord_checker.h"

#include <numeric>
#include <optional>

#include "format/wire_format.h"
#include "sim/handset_responses.h"

namespace varnel::sim {

namespace {

constexpr size_t kTypeChars = 2;  // "S" and the type digit
constexpr int kHexRadix = 16;
// Closing records for 32-bit and 16-bit start addresses: they end an upload
// too, but this boot ROM takes only S8.
constexpr std::string_view kOtherClosingTypes = "79";

std::optional<uint8_t> HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
  return std::nullopt;
}

// The bytes after "Sx": count, address, data, checksum. Nothing when the
// text is not whole upper-case hex pairs.
std::optional<std::vector<uint8_t>> DecodeFields(std::string_view hex) {
  if (hex.empty() || hex.size() % 2 != 0) return std::nullopt;
  std::vector<uint8_t> fields;
  for (size_t i = 0; i < hex.size(); i += 2) {
    std::optional<uint8_t> high = HexDigit(hex[i]);
    std::optional<uint8_t> low = HexDigit(hex[i + 1]);
    if (!high || !low) return std::nullopt;
    fields.push_back(static_cast<uint8_t>(*high * kHexRadix + *low));
  }
  return fields;
}

uint32_t Address24(const std::vector<uint8_t>& fields) {
  uint32_t address = 0;
  for (uint32_t i = 1; i <= kRecordAddressBytes; ++i) {
    address = (address << 8) | fields[i];
  }
  return address;
}

}  // namespace

uint8_t SRecordChecker::Response() const {
  if (firstError != 0) return firstError;
  return ended ? kResponseOk : kBootRecordSyntax;
}

RecordVerdict SRecordChecker::Fail(uint8_t error) {
  if (firstError == 0) firstError = error;
  return RecordVerdict::kBad;
}

RecordVerdict SRecordChecker::Check(std::string_view line) {
  if (line.size() < kTypeChars || line[0] != kRecordDataType[0]) {
    return Fail(kBootRecordSyntax);
  }
  const char type = line[1];
  bool closing = type == kRecordEndType[1] || kOtherClosingTypes.find(type) != std::string_view::npos;
  std::optional<std::vector<uint8_t>> fields = DecodeFields(line.substr(kTypeChars));
  // A closing record ends the upload even when it is malformed, so the
  // program gets its response instead of a silent boot ROM.
  if (closing) ended = true;
  if (!fields || fields->front() + size_t{1} != fields->size()) {
    return Fail(kBootRecordSyntax);
  }
  uint32_t sum = std::accumulate(fields->begin(), fields->end() - 1, 0u);
  if (static_cast<uint8_t>(~sum) != fields->back()) {
    return Fail(kBootRecordChecksum);
  }
  if (closing) return CheckEnd(type, *fields);
  if (type != kRecordDataType[1]) return Fail(kBootRecordType);
  return CheckData(*fields);
}

RecordVerdict SRecordChecker::CheckData(const std::vector<uint8_t>& fields) {
  if (fields.front() < kRecordCountOverhead) return Fail(kBootRecordSyntax);
  uint32_t expected = kStageOneAddress + dataRecords * kRecordDataBytes;
  ++dataRecords;
  if (Address24(fields) != expected) return Fail(kBootRecordAddress);
  uint32_t dataBytes = fields.front() - kRecordCountOverhead;
  if (dataBytes > kRecordDataBytes || lastWasShort) {
    return Fail(kBootRecordLength);
  }
  lastWasShort = dataBytes < kRecordDataBytes;
  auto dataStart = fields.begin() + 1 + kRecordAddressBytes;
  code.insert(code.end(), dataStart, dataStart + dataBytes);
  return RecordVerdict::kData;
}

RecordVerdict SRecordChecker::CheckEnd(char type, const std::vector<uint8_t>& fields) {
  if (type != kRecordEndType[1]) return Fail(kBootRecordType);
  if (fields.front() != kRecordCountOverhead) return Fail(kBootRecordSyntax);
  if (Address24(fields) != kStageOneAddress) return Fail(kBootRecordAddress);
  if (dataRecords == 0) return Fail(kBootNoData);
  return RecordVerdict::kEnd;
}

}  // namespace varnel::sim
