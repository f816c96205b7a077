// Files of the working directory (settings, loader package, language module,
// patch files) are found without regard to letter case, as on Windows, so a
// folder carried over with Varnel.INI or PATCH.CPF still works.
#pragma once

#include <filesystem>
#include <string_view>

namespace varnel {

// The entry of `directory` whose name equals `name` ignoring ASCII letter
// case: the exact name when it exists, else the first match; `name` itself
// in `directory` when there is none (a file to be created).
std::filesystem::path FindFileIgnoringCase(const std::filesystem::path& directory, std::string_view name);

// The same in the current working directory, as a relative path.
std::filesystem::path WorkingDirFile(std::string_view name);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace varnel
