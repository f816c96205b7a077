// Parser of the language module file.
#include "texts/language_module.h"

#include <charconv>
#include <fstream>
#include <sstream>

#include "texts/code_page.h"

namespace varnel {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr uint32_t kMaxTextId = 0xFFFF;

// Replaces the escapes \r, \n, \t and \\; any other backslash stays.
std::string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    switch (text[i + 1]) {
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case '\\': out += '\\'; break;
      default: out += text[i]; continue;
    }
    ++i;
  }
  return out;
}

std::string_view TrimSpaces(std::string_view text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

}  // namespace

std::string FormatSignature(std::string_view text) {
  std::string signature;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    size_t j = i + 1;
    while (j < text.size() && std::string_view("-+ #0123456789.lhz").find(text[j]) != std::string_view::npos) ++j;
    if (j == text.size()) {
      signature += '%';  // a dangling '%'
      break;
    }
    if (text[j] != '%') signature += text.substr(i, j - i + 1);
    i = j;
  }
  return signature;
}

StringTable ParseLanguageModule(std::string_view utf8Text, uint32_t codePage,
                                const StringTable& programTexts) {
  if (utf8Text.substr(0, kUtf8Bom.size()) == kUtf8Bom) utf8Text.remove_prefix(kUtf8Bom.size());
  StringTable table;
  while (!utf8Text.empty()) {
    size_t end = utf8Text.find('\n');
    std::string_view line = utf8Text.substr(0, end);
    utf8Text.remove_prefix(end == std::string_view::npos ? utf8Text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t equals = line.find('=');
    std::string_view idText = TrimSpaces(line.substr(0, equals));
    if (equals == std::string_view::npos || idText.empty() || idText[0] == '#') continue;
    uint32_t id = 0;
    auto [rest, error] = std::from_chars(idText.data(), idText.data() + idText.size(), id);
    if (error != std::errc() || rest != idText.data() + idText.size() || id > kMaxTextId) continue;
    std::string text = FromUtf8(Unescape(line.substr(equals + 1)), codePage);
    const std::string* own = programTexts.Find(static_cast<uint16_t>(id));
    std::string ownSignature = own != nullptr ? FormatSignature(*own) : std::string();
    if (!ownSignature.empty() && FormatSignature(text) != ownSignature) continue;
    table.Set(static_cast<uint16_t>(id), std::move(text));
  }
  return table;
}

std::optional<StringTable> LoadLanguageModule(const std::filesystem::path& path,
                                              uint32_t codePage,
                                              const StringTable& programTexts) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream content;
  content << file.rdbuf();
  if (file.bad()) return std::nullopt;
  return ParseLanguageModule(content.str(), codePage, programTexts);
}

}  // namespace varnel
