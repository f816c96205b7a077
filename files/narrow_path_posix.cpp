// Narrow file names on POSIX: the bytes are the name.
#include "files/narrow_path.h"

namespace varnel {

std::filesystem::path PathFromNarrow(std::string_view name) { return std::filesystem::path(name); }

std::string NarrowFromPath(const std::filesystem::path& path) { return path.native(); }

}  // namespace varnel
