// Visible escapes for control characters and broken UTF-8.
#include "texts/visible_text.h"

#include <cstdio>

#include "texts/code_page.h"

namespace varnel {
namespace {

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;
constexpr char32_t kFirstC1 = 0x80;
constexpr char32_t kLastC1 = 0x9F;

// Characters past U+009F that break a line or reorder text on screen.
constexpr char32_t kLayoutControls[] = {0x2028, 0x2029, 0x202A, 0x202B, 0x202C, 0x202D,
                                        0x202E, 0x2066, 0x2067, 0x2068, 0x2069};

std::string ByteEscape(unsigned char byte) {
  switch (byte) {
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    default: break;
  }
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(byte));
  return escape;
}

// The code point of one well-formed UTF-8 character.
char32_t CodePoint(std::string_view character) {
  constexpr unsigned kContinuationBits = 6;
  constexpr unsigned char kContinuationMask = 0x3F;
  constexpr unsigned char kLeadMasks[] = {0x7F, 0x1F, 0x0F, 0x07};
  char32_t value = static_cast<unsigned char>(character[0]) & kLeadMasks[character.size() - 1];
  for (size_t i = 1; i < character.size(); ++i) {
    value = (value << kContinuationBits) | (static_cast<unsigned char>(character[i]) & kContinuationMask);
  }
  return value;
}

bool NeedsEscape(char32_t c) {
  if (c >= kFirstC1 && c <= kLastC1) return true;
  for (char32_t control : kLayoutControls) {
    if (c == control) return true;
  }
  return false;
}

}  // namespace

std::string VisibleText(std::string_view utf8) {
  std::string visible;
  visible.reserve(utf8.size());
  while (!utf8.empty()) {
    const auto byte = static_cast<unsigned char>(utf8[0]);
    const size_t bytes = Utf8CharacterBytes(utf8);
    if (bytes == 0 || byte < kFirstPrintable || byte == kDelete) {
      visible += ByteEscape(byte);
      utf8.remove_prefix(1);
      continue;
    }
    const std::string_view character = utf8.substr(0, bytes);
    if (bytes > 1 && NeedsEscape(CodePoint(character))) {
      char escape[16];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(CodePoint(character)));
      visible += escape;
    } else {
      visible += character;
    }
    utf8.remove_prefix(bytes);
  }
  return visible;
}

}  // namespace varnel
