// The program's 8-bit code page: 1251 where the user's language is written
// in Cyrillic, otherwise the code page of the user's locale. Texts are kept
// in that code page and converted to UTF-8 only for display. Any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace varnel {

inline constexpr uint32_t kCyrillicCodePage = 1251;
inline constexpr uint32_t kUtf8CodePage = 65001;
inline constexpr uint32_t kAsciiCodePage = 20127;
inline constexpr uint32_t kLatin1CodePage = 28591;

// The code page for a POSIX locale name such as "ru_RU.UTF-8" or "C".
uint32_t CodePageForLocale(std::string_view localeName);

// The locale name that decides the language of messages: LC_ALL, then
// LC_MESSAGES, then LANG, the first one set and not empty ("C" if none).
std::string MessagesLocaleName();

// The code page of this system (on Windows its ANSI code page).
uint32_t SystemCodePage();

// A narrow file name (files/narrow_path.h: bytes on POSIX, UTF-8 on
// Windows) in the program's code page `codePage`, for the log: converted
// from UTF-8 on both.
std::string NarrowToCodePage(std::string_view name, uint32_t codePage);

// Converts between UTF-8 and a code page; each character the target can't
// hold becomes one '?', never a look-alike character (which, in a file
// name, would name another file). Returns the input unchanged when the
// code page is unknown.
std::string ToUtf8(std::string_view text, uint32_t codePage);
std::string FromUtf8(std::string_view text, uint32_t codePage);

// The bytes of the well-formed UTF-8 character `text` starts with (1 to 4);
// 0 when `text` is empty or starts with a stray continuation byte, a cut
// or overlong sequence, a surrogate or a value above U+10FFFF.
size_t Utf8CharacterBytes(std::string_view text);

// Whether `text` is well-formed UTF-8: no stray or missing continuation
// bytes, no overlong forms, no surrogates, nothing above U+10FFFF. The
// empty text and plain ASCII are.
bool IsValidUtf8(std::string_view text);

}  // namespace varnel
