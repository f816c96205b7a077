// Code page of a POSIX system and conversions through iconv.
#include "app/code_page.h"

#include <iconv.h>

#include <string>

namespace varnel {
namespace {

std::string IconvName(uint32_t codePage) {
  switch (codePage) {
    case kUtf8CodePage: return "UTF-8";
    case kLatin1CodePage: return "ISO-8859-1";
    case kAsciiCodePage: return "ASCII";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 28595: return "ISO-8859-5";
    case 28605: return "ISO-8859-15";
    default: return "CP" + std::to_string(codePage);
  }
}

// Converts with iconv, replacing what the target can't hold by '?'.
std::string Convert(std::string_view text, const std::string& from, const std::string& to) {
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
  std::string out;
  char buffer[256];
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (result == static_cast<size_t>(-1) && outLeft == sizeof buffer) {
      // An unconvertible or broken sequence: replace one byte and go on.
      out += '?';
      ++in;
      --inLeft;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

uint32_t SystemCodePage() { return CodePageForLocale(MessagesLocaleName()); }

std::filesystem::path PathFromNarrow(std::string_view name) { return std::filesystem::path(name); }

std::string NarrowToCodePage(std::string_view name, uint32_t codePage) {
  return FromUtf8(name, codePage);
}

std::string ToUtf8(std::string_view text, uint32_t codePage) {
  if (codePage == kUtf8CodePage) return std::string(text);
  return Convert(text, IconvName(codePage), IconvName(kUtf8CodePage));
}

std::string FromUtf8(std::string_view text, uint32_t codePage) {
  if (codePage == kUtf8CodePage) return std::string(text);
  return Convert(text, IconvName(kUtf8CodePage), IconvName(codePage));
}

}  // namespace varnel
