// File names in the settings file on Windows: in the program's code page
// and as long as the system's profile reader returns them.
#include "settings/stored_file_name.h"

#include "settings/profile_store.h"
#include "texts/code_page.h"

namespace varnel {

std::string StoredFileName(std::string_view name, uint32_t codePage) { return FromUtf8(name, codePage); }

std::string FileNameFromStored(std::string_view stored, uint32_t codePage) {
  return ToUtf8(stored.substr(0, kProfileTextRoom), codePage);
}

}  // namespace varnel
