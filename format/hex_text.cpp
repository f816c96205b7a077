// Reading "0x"-prefixed hexadecimal texts.
#include "format/hex_text.h"

#include <charconv>

namespace varnel {
namespace {

constexpr int kHexBase = 16;
constexpr std::string_view kBlanks = " \t";

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

}  // namespace

std::optional<uint32_t> ScanHexText(std::string_view text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
  if (text.size() < 2 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return std::nullopt;
  const std::string_view digits = text.substr(2);
  if (digits.empty() || digits.size() > kMaxHexDigits) return std::nullopt;
  for (char c : digits) {
    if (!IsHexDigit(c)) return std::nullopt;
  }
  uint32_t value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value, kHexBase);
  return value;
}

}  // namespace varnel
