// PatchHeader: the fixed record at the start of a patch file (".cpf"), and
// reading the records of a directory's patch files for the patch list.
// Every text is taken from inside its own field, whatever the file holds.
// Qt-free, any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnel {

// The record's fields, in file order. Each text is single-byte characters
// of the system's code page, ended by a zero byte and padded with zeros to
// its field's size.
inline constexpr size_t kPatchReservedBytes = 4;  // not interpreted
inline constexpr size_t kPatchVersionBytes = 10;
inline constexpr size_t kPatchAuthorBytes = 20;
inline constexpr size_t kPatchNameBytes = 54;
inline constexpr size_t kPatchHeaderBytes =
    kPatchReservedBytes + kPatchVersionBytes + kPatchAuthorBytes + kPatchNameBytes;
static_assert(kPatchHeaderBytes == 88, "the patch header is 88 bytes");

inline constexpr std::string_view kPatchFileExtension = ".cpf";

struct PatchHeader {
  std::string version;
  std::string author;
  std::string name;

  bool operator==(const PatchHeader&) const = default;
};

// The texts of `record`, the first bytes of a patch file. A record shorter
// than kPatchHeaderBytes reads as if zero-filled to that size (its missing
// fields are empty); bytes beyond it are not looked at. A field without a
// zero byte ends at the field's end.
PatchHeader ParsePatchHeader(std::span<const uint8_t> record);

// The header of the regular file `path` (the first kPatchHeaderBytes bytes,
// fewer when the file is shorter or a read fails). Nothing when the file
// can't be opened or is not a regular file (a pipe or device would block
// or never end).
std::optional<PatchHeader> ReadPatchHeader(const std::filesystem::path& path);

// The headers of the patch files of `directory`: entries whose names end in
// ".cpf" in any letter case, in the order the directory listing returns
// them; files that can't be opened are left out. A directory that can't be
// listed gives none.
std::vector<PatchHeader> ReadPatchHeaders(const std::filesystem::path& directory);

}  // namespace varnel
