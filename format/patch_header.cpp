// Patch file headers: the record's fields and the directory search.
#include "format/patch_header.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <system_error>

#include "files/narrow_path.h"
#include "format/working_dir_file.h"

namespace varnel {
namespace {

constexpr size_t kVersionAt = kPatchReservedBytes;
constexpr size_t kAuthorAt = kVersionAt + kPatchVersionBytes;
constexpr size_t kNameAt = kAuthorAt + kPatchAuthorBytes;

// The text of the field at `at`, `size` bytes long in a full record: up to
// its first zero byte or the field's end, and never past `record`.
std::string FieldText(std::span<const uint8_t> record, size_t at, size_t size) {
  if (at >= record.size()) return {};
  const std::span<const uint8_t> field = record.subspan(at, std::min(size, record.size() - at));
  const auto end = std::find(field.begin(), field.end(), uint8_t{0});
  return std::string(field.begin(), end);
}

bool IsPatchFileName(std::string_view name) {
  return name.size() >= kPatchFileExtension.size() &&
         EqualsIgnoringCase(name.substr(name.size() - kPatchFileExtension.size()), kPatchFileExtension);
}

}  // namespace

PatchHeader ParsePatchHeader(std::span<const uint8_t> record) {
  record = record.first(std::min(record.size(), kPatchHeaderBytes));
  PatchHeader header;
  header.version = FieldText(record, kVersionAt, kPatchVersionBytes);
  header.author = FieldText(record, kAuthorAt, kPatchAuthorBytes);
  header.name = FieldText(record, kNameAt, kPatchNameBytes);
  return header;
}

std::optional<PatchHeader> ReadPatchHeader(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::array<uint8_t, kPatchHeaderBytes> record{};
  file.read(reinterpret_cast<char*>(record.data()), static_cast<std::streamsize>(record.size()));
  const auto got = static_cast<size_t>(std::max<std::streamsize>(file.gcount(), 0));
  return ParsePatchHeader(std::span<const uint8_t>(record).first(got));
}

std::vector<PatchHeader> ReadPatchHeaders(const std::filesystem::path& directory) {
  std::vector<PatchHeader> headers;
  std::error_code error;
  std::filesystem::directory_iterator it(directory, error);
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (!IsPatchFileName(NarrowFromPath(it->path().filename()))) continue;
    if (std::optional<PatchHeader> header = ReadPatchHeader(it->path())) headers.push_back(*header);
  }
  return headers;
}

}  // namespace varnel
