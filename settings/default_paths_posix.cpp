// Default paths on POSIX: the dump file in the user's home directory.
#include "settings/default_paths.h"

#include <filesystem>

#include "texts/user_dirs.h"

namespace varnel {
namespace {

constexpr char kDumpFileName[] = "dump.bin";

}  // namespace

std::string DefaultDumpFileName() { return (HomeDirectory() / kDumpFileName).string(); }

}  // namespace varnel
