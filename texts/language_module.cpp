// Parser of the language module file.
#include "texts/language_module.h"

#include <charconv>
#include <fstream>
#include <system_error>

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

std::optional<std::vector<std::string>> FormatSignature(std::string_view text) {
  constexpr std::string_view kFlags = "-+ #0";
  constexpr std::string_view kDigits = "0123456789";
  // The length modifiers, longest first so "hh" is not read as "h".
  constexpr std::string_view kLengths[] = {"hh", "ll", "h", "l", "j", "z", "t", "L"};
  constexpr std::string_view kLetters = "diouxXeEfFgGaAcsp";
  std::vector<std::string> conversions;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    if (i + 1 < text.size() && text[i + 1] == '%') {
      ++i;
      continue;
    }
    size_t at = i + 1;
    auto skip = [&](std::string_view set) {
      while (at < text.size() && set.find(text[at]) != std::string_view::npos) ++at;
    };
    skip(kFlags);
    skip(kDigits);  // the width
    if (at < text.size() && text[at] == '.') {
      ++at;
      skip(kDigits);  // the precision
    }
    std::string_view length;
    for (std::string_view candidate : kLengths) {
      if (text.substr(at).starts_with(candidate)) {
        length = candidate;
        break;
      }
    }
    at += length.size();
    // '*', '$', 'n', '%' after other parts and anything else end here.
    if (at == text.size() || kLetters.find(text[at]) == std::string_view::npos) return std::nullopt;
    conversions.push_back(std::string(length) + text[at]);
    i = at;
  }
  return conversions;
}

StringTable ParseLanguageModule(std::string_view utf8Text, uint32_t codePage, const StringTable& programTexts) {
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
    const auto ownSignature = FormatSignature(own != nullptr ? *own : std::string());
    if (!ownSignature || FormatSignature(text) != ownSignature) continue;
    table.Set(static_cast<uint16_t>(id), std::move(text));
  }
  return table;
}

std::optional<StringTable> LoadLanguageModule(const std::filesystem::path& path, uint32_t codePage,
                                              const StringTable& programTexts) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error) ||
      std::filesystem::file_size(path, error) > kLanguageModuleMaxBytes || error) {
    return std::nullopt;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  // Read up to one byte past the limit: a file that grew since is refused.
  std::string content(kLanguageModuleMaxBytes + 1, '\0');
  file.read(content.data(), static_cast<std::streamsize>(content.size()));
  if (file.bad() || static_cast<uintmax_t>(file.gcount()) > kLanguageModuleMaxBytes) return std::nullopt;
  content.resize(static_cast<size_t>(file.gcount()));
  return ParseLanguageModule(content, codePage, programTexts);
}

}  // namespace varnel
