// Code page of a Windows system and conversions through the Win32 API.
#include "texts/code_page.h"

#include <windows.h>

#include <string>

namespace varnel {
namespace {

std::wstring Widen(std::string_view text, uint32_t codePage) {
  int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

// The most bytes a character takes in the code pages of "ANSI" programs,
// single- and double-byte; none of them holds a character beyond U+FFFF.
constexpr UINT kAnsiMaxCharBytes = 2;
constexpr wchar_t kReplacementCharacter = 0xFFFD;

bool IsAnsiCodePage(uint32_t codePage) {
  CPINFO info{};
  return GetCPInfo(codePage, &info) && info.MaxCharSize <= kAnsiMaxCharBytes;
}

// Windows replaces each half of a surrogate pair by its own '?'. As
// U+FFFD, which no ANSI code page holds either, a character beyond U+FFFF
// gets one.
std::wstring OneUnitPerCharacter(const std::wstring& wide) {
  std::wstring units;
  for (size_t i = 0; i < wide.size(); ++i) {
    const bool pair = i + 1 < wide.size() && IS_SURROGATE_PAIR(wide[i], wide[i + 1]);
    units += pair ? kReplacementCharacter : wide[i];
    if (pair) ++i;
  }
  return units;
}

// An ANSI code page gets '?' for each character it lacks, not the "best
// fit" Windows picks by default ("e" for "é"), which in a file name names
// another file. The others (UTF-8, GB18030, ...) refuse both the flag and a
// replacement character.
std::string Narrow(const std::wstring& wide, uint32_t codePage) {
  const bool ansi = IsAnsiCodePage(codePage);
  const std::wstring units = ansi ? OneUnitPerCharacter(wide) : wide;
  const DWORD flags = ansi ? WC_NO_BEST_FIT_CHARS : 0;
  const char* replacement = ansi ? "?" : nullptr;
  int length = static_cast<int>(units.size());
  int n = WideCharToMultiByte(codePage, flags, units.data(), length, nullptr, 0, replacement, nullptr);
  std::string text(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, units.data(), length, text.data(), n, replacement, nullptr);
  return text;
}

}  // namespace

uint32_t SystemCodePage() { return GetACP(); }

// Narrow file names are UTF-8 on Windows too (files/narrow_path.h).
std::string NarrowToCodePage(std::string_view name, uint32_t codePage) { return FromUtf8(name, codePage); }

std::string ToUtf8(std::string_view text, uint32_t codePage) {
  if (!IsValidCodePage(codePage)) return std::string(text);
  return Narrow(Widen(text, codePage), CP_UTF8);
}

std::string FromUtf8(std::string_view text, uint32_t codePage) {
  if (!IsValidCodePage(codePage)) return std::string(text);
  return Narrow(Widen(text, CP_UTF8), codePage);
}

}  // namespace varnel
