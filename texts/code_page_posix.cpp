// Code page of a POSIX system and conversions through iconv.
#include "texts/code_page.h"

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

// Converts with iconv, replacing each character the target can't hold, and
// each byte of a broken sequence, by one '?'.
std::string Convert(std::string_view text, uint32_t fromCodePage, uint32_t toCodePage) {
  iconv_t cd = iconv_open(IconvName(toCodePage).c_str(), IconvName(fromCodePage).c_str());
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
      // An unconvertible character or a broken sequence: replace it and go
      // on. A UTF-8 character is all of its bytes.
      const size_t character = fromCodePage == kUtf8CodePage ? Utf8CharacterBytes(std::string_view(in, inLeft)) : 0;
      const size_t skipped = character == 0 ? 1 : character;
      out += '?';
      in += skipped;
      inLeft -= skipped;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

uint32_t SystemCodePage() { return CodePageForLocale(MessagesLocaleName()); }

std::string NarrowToCodePage(std::string_view name, uint32_t codePage) { return FromUtf8(name, codePage); }

std::string ToUtf8(std::string_view text, uint32_t codePage) {
  if (codePage == kUtf8CodePage) return std::string(text);
  return Convert(text, codePage, kUtf8CodePage);
}

std::string FromUtf8(std::string_view text, uint32_t codePage) {
  if (codePage == kUtf8CodePage) return std::string(text);
  return Convert(text, kUtf8CodePage, codePage);
}

}  // namespace varnel
