// File names in the settings file on POSIX: the file system's own bytes,
// with a fallback for names written in the code page on Windows.
#include "settings/stored_file_name.h"

#include "texts/code_page.h"

namespace varnel {

std::string StoredFileName(std::string_view name, uint32_t) { return std::string(name); }

std::string FileNameFromStored(std::string_view stored, uint32_t codePage) {
  if (IsValidUtf8(stored)) return std::string(stored);
  return ToUtf8(stored, codePage);
}

}  // namespace varnel
