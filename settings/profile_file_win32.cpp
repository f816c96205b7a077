// Reading the settings file on Windows: attributes checked before the
// open, the handle's type checked after it.
#include "settings/profile_file.h"

#include <windows.h>

#include <system_error>

#include "files/unique_handle.h"

namespace varnel {
namespace {

constexpr DWORD kReadChunk = 4096;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

ProfileRead FailedLookup(DWORD error) { return IsMissing(error) ? ProfileRead::Absent : ProfileRead::Unreadable; }

ProfileRead ReadAll(HANDLE file, std::string* bytes) {
  char chunk[kReadChunk];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, chunk, kReadChunk, &got, nullptr)) return ProfileRead::Unreadable;
    if (got == 0) return ProfileRead::Read;
    bytes->append(chunk, got);
    if (bytes->size() > kProfileFileMaxBytes) return ProfileRead::TooLarge;
  }
}

}  // namespace

ProfileRead ReadProfileFile(const std::filesystem::path& file, std::string* bytes) {
  bytes->clear();
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(file, error);
  if (status.type() == std::filesystem::file_type::not_found) return ProfileRead::Absent;
  if (error) return ProfileRead::Unreadable;
  if (status.type() != std::filesystem::file_type::regular) return ProfileRead::NotRegular;
  const uintmax_t size = std::filesystem::file_size(file, error);
  if (error) return ProfileRead::Unreadable;
  if (size > kProfileFileMaxBytes) return ProfileRead::TooLarge;
  const UniqueHandle handle(
      CreateFileW(file.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.Valid()) return FailedLookup(GetLastError());
  // The name may have come to stand for a pipe or a device since the check.
  if (GetFileType(handle.Get()) != FILE_TYPE_DISK) return ProfileRead::NotRegular;
  const ProfileRead result = ReadAll(handle.Get(), bytes);
  if (result != ProfileRead::Read) bytes->clear();
  return result;
}

}  // namespace varnel
