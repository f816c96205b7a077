// Code page choice from a locale name, and the check for well-formed UTF-8.
#include "texts/code_page.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>

namespace varnel {
namespace {

// Languages usually written in Cyrillic (ISO 639 codes).
constexpr std::array<std::string_view, 16> kCyrillicLanguages = {
    "ru", "uk", "be", "bg", "sr", "mk", "kk", "ky", "tg", "mn", "ba", "tt", "cv", "ce", "os", "sah",
};

struct CodesetEntry {
  std::string_view name;  // lower case, without '-' and '_'
  uint32_t codePage;
};

constexpr std::array<CodesetEntry, 8> kCodesets = {{
    {"utf8", kUtf8CodePage},
    {"iso88591", kLatin1CodePage},
    {"iso885915", 28605},
    {"iso88595", 28595},
    {"koi8r", 20866},
    {"koi8u", 21866},
    {"cp1251", kCyrillicCodePage},
    {"ansix3.41968", kAsciiCodePage},
}};

// The bytes a UTF-8 sequence takes after its lead byte, and the range its
// first continuation byte must lie in: the narrower ranges after E0, ED,
// F0 and F4 rule out overlong forms, surrogates and values past U+10FFFF.
struct Utf8Lead {
  unsigned char first;
  unsigned char last;
  size_t continuations;
  unsigned char low;
  unsigned char high;
};

constexpr unsigned char kContinuationLow = 0x80;
constexpr unsigned char kContinuationHigh = 0xBF;
constexpr unsigned char kAsciiEnd = 0x80;

constexpr std::array<Utf8Lead, 8> kUtf8Leads = {{
    {0xC2, 0xDF, 1, kContinuationLow, kContinuationHigh},
    {0xE0, 0xE0, 2, 0xA0, kContinuationHigh},
    {0xE1, 0xEC, 2, kContinuationLow, kContinuationHigh},
    {0xED, 0xED, 2, kContinuationLow, 0x9F},
    {0xEE, 0xEF, 2, kContinuationLow, kContinuationHigh},
    {0xF0, 0xF0, 3, 0x90, kContinuationHigh},
    {0xF1, 0xF3, 3, kContinuationLow, kContinuationHigh},
    {0xF4, 0xF4, 3, kContinuationLow, 0x8F},
}};

// The lead byte's entry; none for continuation bytes, C0, C1 and F5..FF.
const Utf8Lead* FindUtf8Lead(unsigned char byte) {
  for (const Utf8Lead& lead : kUtf8Leads) {
    if (byte >= lead.first && byte <= lead.last) return &lead;
  }
  return nullptr;
}

std::string NormalisedCodeset(std::string_view codeset) {
  std::string name;
  for (char c : codeset) {
    if (c == '-' || c == '_') continue;
    name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return name;
}

}  // namespace

uint32_t CodePageForLocale(std::string_view localeName) {
  // language[_territory][.codeset][@modifier]
  std::string_view modifier;
  if (size_t at = localeName.find('@'); at != std::string_view::npos) {
    modifier = localeName.substr(at + 1);
    localeName = localeName.substr(0, at);
  }
  std::string_view codeset;
  if (size_t dot = localeName.find('.'); dot != std::string_view::npos) {
    codeset = localeName.substr(dot + 1);
    localeName = localeName.substr(0, dot);
  }
  std::string_view language = localeName.substr(0, localeName.find('_'));
  bool cyrillic = std::find(kCyrillicLanguages.begin(), kCyrillicLanguages.end(), language) != kCyrillicLanguages.end();
  if (cyrillic && modifier != "latin") return kCyrillicCodePage;

  if (language.empty() || language == "C" || language == "POSIX") {
    return codeset.empty() ? kAsciiCodePage : CodePageForLocale("x." + std::string(codeset));
  }
  if (codeset.empty()) return kLatin1CodePage;  // the C library's default
  std::string name = NormalisedCodeset(codeset);
  for (const CodesetEntry& entry : kCodesets) {
    if (entry.name == name) return entry.codePage;
  }
  return kUtf8CodePage;
}

size_t Utf8CharacterBytes(std::string_view text) {
  if (text.empty()) return 0;
  const auto byte = static_cast<unsigned char>(text[0]);
  if (byte < kAsciiEnd) return 1;
  const Utf8Lead* lead = FindUtf8Lead(byte);
  if (lead == nullptr || text.size() <= lead->continuations) return 0;
  for (size_t k = 1; k <= lead->continuations; ++k) {
    const auto next = static_cast<unsigned char>(text[k]);
    const unsigned char low = k == 1 ? lead->low : kContinuationLow;
    const unsigned char high = k == 1 ? lead->high : kContinuationHigh;
    if (next < low || next > high) return 0;
  }
  return lead->continuations + 1;
}

bool IsValidUtf8(std::string_view text) {
  while (!text.empty()) {
    const size_t bytes = Utf8CharacterBytes(text);
    if (bytes == 0) return false;
    text.remove_prefix(bytes);
  }
  return true;
}

std::string MessagesLocaleName() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return "C";
}

}  // namespace varnel
