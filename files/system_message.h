// The system's text for a Win32 error code, in UTF-8 like every narrow
// text of the program, whatever the ANSI code page. For the Win32 files
// only.
#pragma once

#include <windows.h>

#include <string>

namespace varnel {

// The message for `error` without the line break it ends in; "error N."
// when the system has none.
inline std::string SystemMessage(DWORD error) {
  constexpr DWORD kMessageChars = 512;
  constexpr wchar_t kMessageEnd[] = L" \r\n";
  std::wstring message(kMessageChars, L'\0');
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                      message.data(), kMessageChars, nullptr);
  message.resize(length);
  message.erase(message.find_last_not_of(kMessageEnd) + 1);
  if (message.empty()) return "error " + std::to_string(error) + ".";
  const int wide = static_cast<int>(message.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, message.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, message.data(), wide, text.data(), bytes, nullptr, nullptr);
  return text;
}

}  // namespace varnel
