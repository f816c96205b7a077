// A page's file name as the settings file stores it. In memory the name is
// UTF-8. On POSIX it is stored as the file system names it (UTF-8), byte for
// byte and uncut; on Windows in the program's code page, read up to
// kProfileTextRoom characters as the system's profile reader gives it.
// Each platform's file implements this header. Any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnel {

// The form `name` (UTF-8) is written in. POSIX: `name` unchanged. Windows:
// `name` in `codePage`, a character the code page lacks becoming '?'.
std::string StoredFileName(std::string_view name, uint32_t codePage);

// The name (UTF-8) of a value `stored` as the settings file holds it
// (unquoted, not cut). POSIX: well-formed UTF-8 unchanged, whatever its
// length; anything else is a name written in `codePage` (a file carried
// over from Windows) and is converted from it. Windows: the first
// kProfileTextRoom characters, converted from `codePage`.
std::string FileNameFromStored(std::string_view stored, uint32_t codePage);

}  // namespace varnel
