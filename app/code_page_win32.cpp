// Code page of a Windows system and conversions through the Win32 API.
#include "app/code_page.h"

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

std::string Narrow(const std::wstring& wide, uint32_t codePage) {
  // UTF-8 holds every character and refuses a replacement character.
  const char* replacement = codePage == CP_UTF8 ? nullptr : "?";
  int length = static_cast<int>(wide.size());
  int n = WideCharToMultiByte(codePage, 0, wide.data(), length, nullptr, 0, replacement, nullptr);
  std::string text(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), length, text.data(), n, replacement, nullptr);
  return text;
}

}  // namespace

uint32_t SystemCodePage() { return GetACP(); }

std::filesystem::path PathFromNarrow(std::string_view name) {
  return std::filesystem::path(Widen(name, CP_ACP));
}

std::string NarrowToCodePage(std::string_view name, uint32_t /*codePage*/) {
  return std::string(name);
}

std::string ToUtf8(std::string_view text, uint32_t codePage) {
  return Narrow(Widen(text, codePage), CP_UTF8);
}

std::string FromUtf8(std::string_view text, uint32_t codePage) {
  return Narrow(Widen(text, CP_UTF8), codePage);
}

}  // namespace varnel
