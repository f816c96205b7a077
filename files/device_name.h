// Which file names stand for a device on Windows: the reserved names (NUL,
// CON, AUX, PRN, COM1, LPT1, CONIN$, ...) in any folder and with any
// extension, and paths into the device namespace (\\.\, \\?\ other than a
// drive or a share, \??\) or to a named pipe. Told from the name alone, so
// the device is never opened to find out. For the Win32 files only.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <string_view>

namespace varnel {
namespace device_name {

// The reserved names, upper case, with "#" for any digit (and the
// superscripts one to three, which Windows takes too).
inline constexpr std::array<std::wstring_view, 8> kReserved = {
    L"CON", L"PRN", L"AUX", L"NUL", L"COM#", L"LPT#", L"CONIN$", L"CONOUT$",
};
inline constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
inline constexpr std::wstring_view kDevicePrefixes[] = {L"\\\\.\\", L"\\??\\"};
inline constexpr std::wstring_view kUncPrefix = L"\\\\";
inline constexpr std::wstring_view kLongUnc = L"UNC\\";
inline constexpr std::wstring_view kPipeShares[] = {L"PIPE", L"MAILSLOT"};
inline constexpr std::wstring_view kSeparators = L"\\/";
inline constexpr size_t kDriveLength = 3;  // "C:\"

inline wchar_t Upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

inline bool SameLetters(std::wstring_view text, std::wstring_view pattern) {
  if (text.size() != pattern.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = Upper(text[i]);
    const bool digit = (c >= L'0' && c <= L'9') || c == L'\u00B9' || c == L'\u00B2' || c == L'\u00B3';
    if (pattern[i] == L'#' ? !digit : c != pattern[i]) return false;
  }
  return true;
}

inline bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() && SameLetters(text.substr(0, prefix.size()), prefix);
}

// Whether the last part of `path`, up to its first dot or colon and
// without the blanks before that, is a reserved name ("nul.txt",
// "COM1 .log", "dir\aux").
inline bool EndsInReservedName(std::wstring_view path) {
  const size_t slash = path.find_last_of(kSeparators);
  std::wstring_view last = slash == std::wstring_view::npos ? path : path.substr(slash + 1);
  if (last.size() >= 2 && last[1] == L':') last.remove_prefix(2);  // "C:nul"
  last = last.substr(0, last.find_first_of(L".:"));
  while (!last.empty() && last.back() == L' ') last.remove_suffix(1);
  for (std::wstring_view reserved : kReserved) {
    if (SameLetters(last, reserved)) return true;
  }
  return false;
}

// Whether `path` is in the device namespace or names a pipe: a long
// "\\?\" path is a file only on a drive or a share.
inline bool IsDevicePath(std::wstring_view path) {
  for (std::wstring_view prefix : kDevicePrefixes) {
    if (StartsWith(path, prefix)) return true;
  }
  std::wstring_view unc;  // "server\share\..."
  if (StartsWith(path, kLongPrefix)) {
    const std::wstring_view rest = path.substr(kLongPrefix.size());
    if (rest.size() >= kDriveLength && rest[1] == L':' && rest[2] == L'\\') return false;
    if (!StartsWith(rest, kLongUnc)) return true;
    unc = rest.substr(kLongUnc.size());
  } else if (StartsWith(path, kUncPrefix)) {
    unc = path.substr(kUncPrefix.size());
  }
  const size_t server = unc.find_first_of(kSeparators);
  if (server == std::wstring_view::npos) return false;
  std::wstring_view share = unc.substr(server + 1);
  share = share.substr(0, share.find_first_of(kSeparators));
  for (std::wstring_view pipes : kPipeShares) {
    if (SameLetters(share, pipes)) return true;
  }
  return false;
}

}  // namespace device_name

// Whether `path` names a device rather than a file. The system's own
// reading of the name (GetFullPathNameW turns a reserved name into a
// "\\.\" path) and the name's letters are both asked, so a name is a
// device if either says so, whichever Windows runs.
inline bool IsDeviceName(const std::wstring& path) {
  if (path.empty()) return false;
  std::wstring full(MAX_PATH, L'\0');
  DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length);
    length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  full.resize(length < full.size() ? length : 0);
  return device_name::EndsInReservedName(path) || device_name::IsDevicePath(full) || device_name::IsDevicePath(path);
}

}  // namespace varnel
