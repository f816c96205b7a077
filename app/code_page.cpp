// Code page choice from a locale name.
#include "app/code_page.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>

namespace varnel {
namespace {

// Languages usually written in Cyrillic (ISO 639 codes).
constexpr std::array<std::string_view, 16> kCyrillicLanguages = {
    "ru", "uk", "be", "bg", "sr", "mk", "kk", "ky",
    "tg", "mn", "ba", "tt", "cv", "ce", "os", "sah",
};

struct CodesetEntry {
  std::string_view name;  // lower case, without '-' and '_'
  uint32_t codePage;
};

constexpr std::array<CodesetEntry, 8> kCodesets = {{
    {"utf8", kUtf8CodePage}, {"iso88591", kLatin1CodePage},
    {"iso885915", 28605}, {"iso88595", 28595}, {"koi8r", 20866},
    {"koi8u", 21866}, {"cp1251", kCyrillicCodePage},
    {"ansix3.41968", kAsciiCodePage},
}};

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
  bool cyrillic = std::find(kCyrillicLanguages.begin(), kCyrillicLanguages.end(),
                            language) != kCyrillicLanguages.end();
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

std::string MessagesLocaleName() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return "C";
}

}  // namespace varnel
