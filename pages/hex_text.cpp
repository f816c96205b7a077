// Reading "0x"-prefixed hexadecimal texts.
#include "pages/hex_text.h"

#include <limits>

namespace varnel {
namespace {

constexpr uint32_t kHexBase = 16;
constexpr uint32_t kDecimalDigits = 10;

std::optional<uint32_t> HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<uint32_t>(c - 'a') + kDecimalDigits;
  if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A') + kDecimalDigits;
  return std::nullopt;
}

}  // namespace

std::optional<uint32_t> ScanHexText(std::string_view text) {
  if (!text.starts_with(kHexPrefix)) return std::nullopt;
  text.remove_prefix(kHexPrefix.size());
  uint64_t value = 0;
  bool anyDigit = false;
  for (char c : text) {
    const std::optional<uint32_t> digit = HexDigit(c);
    if (!digit) break;
    value = value * kHexBase + *digit;
    if (value > std::numeric_limits<uint32_t>::max()) return std::nullopt;
    anyDigit = true;
  }
  if (!anyDigit) return std::nullopt;
  return static_cast<uint32_t>(value);
}

}  // namespace varnel
