// The SHA-256 of a file, read a chunk at a time (a bank is 8 MiB), by the
// rules of files/transfer_file.h. Qt-free; any thread.
#pragma once

#include <optional>
#include <string>

namespace varnel {

// The digest of the regular file `path` (narrow name) as 64 hexadecimal
// digits; none when it can't be read.
std::optional<std::string> FileSha256(const std::string& path);

}  // namespace varnel
