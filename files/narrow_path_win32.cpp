// Narrow file names on Windows: UTF-8 for the file system's wide names. A
// wide name is any run of 16-bit units, not always valid UTF-16 (a lone
// surrogate is a legal name), so both ways use the generalised UTF-8 that
// writes a lone surrogate as the three bytes of its value: a name the
// system hands over names that same file when it comes back.
#include "files/narrow_path.h"

#include <iterator>

namespace varnel {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kHighSurrogateFirst = 0xD800;
constexpr char32_t kLowSurrogateFirst = 0xDC00;
constexpr char32_t kLowSurrogateLast = 0xDFFF;
constexpr char32_t kFirstSupplementary = 0x10000;
constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr int kPayloadBits = 6;  // of each continuation byte
constexpr unsigned char kContinuationTag = 0x80;
constexpr unsigned char kContinuationMask = 0xC0;
constexpr unsigned char kPayloadMask = 0x3F;
constexpr int kSurrogateBits = 10;  // of the value each half carries
constexpr char32_t kSurrogateMask = 0x3FF;

bool IsHigh(char32_t unit) { return unit >= kHighSurrogateFirst && unit < kLowSurrogateFirst; }
bool IsLow(char32_t unit) { return unit >= kLowSurrogateFirst && unit <= kLowSurrogateLast; }

// The length of a sequence its lead byte starts, the lead's payload mask
// and the smallest value such a sequence may carry (anything less is an
// overlong form).
struct Lead {
  unsigned char tagMask;
  unsigned char tag;
  int length;
  char32_t smallest;
};
constexpr Lead kLeads[] = {
    {0x80, 0x00, 1, 0},
    {0xE0, 0xC0, 2, 0x80},
    {0xF0, 0xE0, 3, 0x800},
    {0xF8, 0xF0, 4, kFirstSupplementary},
};

// The code point at `*at`, moving `*at` past it; a byte that starts no
// well-formed sequence becomes U+FFFD and is passed alone.
char32_t NextCodePoint(std::string_view text, size_t* at) {
  const auto first = static_cast<unsigned char>(text[*at]);
  for (const Lead& lead : kLeads) {
    if ((first & lead.tagMask) != lead.tag) continue;
    if (*at + lead.length > text.size()) break;
    char32_t point = first & static_cast<unsigned char>(~lead.tagMask);
    for (int i = 1; i < lead.length; ++i) {
      const auto next = static_cast<unsigned char>(text[*at + i]);
      if ((next & kContinuationMask) != kContinuationTag) {
        ++*at;
        return kReplacement;
      }
      point = point << kPayloadBits | (next & kPayloadMask);
    }
    if (point < lead.smallest || point > kLastCodePoint) break;
    *at += lead.length;
    return point;
  }
  ++*at;
  return kReplacement;
}

void AppendUtf8(char32_t point, std::string* out) {
  size_t length = std::size(kLeads);
  while (length > 1 && point < kLeads[length - 1].smallest) --length;
  const int tail = static_cast<int>(length) - 1;
  out->push_back(static_cast<char>(kLeads[tail].tag | point >> (kPayloadBits * tail)));
  for (int i = tail - 1; i >= 0; --i) {
    out->push_back(static_cast<char>(kContinuationTag | (point >> (kPayloadBits * i) & kPayloadMask)));
  }
}

}  // namespace

std::filesystem::path PathFromNarrow(std::string_view name) {
  std::wstring wide;
  wide.reserve(name.size());
  for (size_t at = 0; at < name.size();) {
    const char32_t point = NextCodePoint(name, &at);
    if (point < kFirstSupplementary) {
      wide.push_back(static_cast<wchar_t>(point));
      continue;
    }
    const char32_t offset = point - kFirstSupplementary;
    wide.push_back(static_cast<wchar_t>(kHighSurrogateFirst + (offset >> kSurrogateBits)));
    wide.push_back(static_cast<wchar_t>(kLowSurrogateFirst + (offset & kSurrogateMask)));
  }
  return std::filesystem::path(std::move(wide));
}

std::string NarrowFromPath(const std::filesystem::path& path) {
  const std::wstring& wide = path.native();
  std::string narrow;
  narrow.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    const char32_t unit = static_cast<char16_t>(wide[i]);
    const char32_t next = i + 1 < wide.size() ? static_cast<char16_t>(wide[i + 1]) : 0;
    if (IsHigh(unit) && IsLow(next)) {
      AppendUtf8(kFirstSupplementary + ((unit - kHighSurrogateFirst) << kSurrogateBits | (next - kLowSurrogateFirst)),
                 &narrow);
      ++i;
    } else {
      AppendUtf8(unit, &narrow);
    }
  }
  return narrow;
}

}  // namespace varnel
