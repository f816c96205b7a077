// The settings file's bytes on Windows: attributes checked before the open,
// the handle's type checked after it, and a replacement made with
// CREATE_NEW, FlushFileBuffers and MoveFileExW.
#include "settings/profile_file.h"

#include <windows.h>

#include <optional>
#include <system_error>

#include "settings/link_target.h"

namespace varnel {
namespace {

constexpr DWORD kReadChunk = 4096;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Attributes that make an existing target something not to replace.
constexpr DWORD kNotReplaceable = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_READONLY;
// Attributes the new file takes over from the one it replaces.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr int kTemporaryNameTries = 16;

// A file handle, closed when the owner goes.
class Handle {
 public:
  explicit Handle(HANDLE handle) : value(handle) {}
  ~Handle() { static_cast<void>(Close()); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE Get() const { return value; }
  bool IsOpen() const { return value != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE handle) {
    static_cast<void>(Close());
    value = handle;
  }
  [[nodiscard]] bool Close() {
    if (!IsOpen()) return true;
    const BOOL closed = CloseHandle(value);
    value = INVALID_HANDLE_VALUE;
    return closed != FALSE;
  }

 private:
  HANDLE value;
};

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

ProfileRead FailedLookup(DWORD error) {
  return IsMissing(error) ? ProfileRead::Absent : ProfileRead::Unreadable;
}

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

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD wanted = bytes.size() > MAXDWORD ? MAXDWORD : static_cast<DWORD>(bytes.size());
    DWORD put = 0;
    if (!WriteFile(file, bytes.data(), wanted, &put, nullptr) || put == 0) return false;
    bytes.remove_prefix(put);
  }
  return true;
}

// Whether this user may open the existing target for writing; the open
// changes nothing.
bool IsWritable(const std::filesystem::path& target) {
  const Handle probe(CreateFileW(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  return probe.IsOpen();
}

// A file made beside the target, removed again unless it was moved over
// the target.
class TemporaryFile {
 public:
  // Creates "<target>.<process>-<thread>-<tick>-<try>.tmp" exclusively.
  explicit TemporaryFile(const std::filesystem::path& target) {
    for (int attempt = 0; attempt < kTemporaryNameTries && !handle.IsOpen(); ++attempt) {
      path = target;
      path += "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetCurrentThreadId()) +
              "-" + std::to_string(GetTickCount64()) + "-" + std::to_string(attempt) + ".tmp";
      handle.Reset(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!handle.IsOpen() && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    // A name that was not ours to create is not ours to remove.
    if (!handle.IsOpen()) path.clear();
  }
  ~TemporaryFile() {
    static_cast<void>(handle.Close());
    if (!moved && !path.empty()) DeleteFileW(path.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  HANDLE Get() const { return handle.Get(); }
  bool IsOpen() const { return handle.IsOpen(); }

  // Flushes and closes the file, gives it `attributes` and moves it over
  // `target`.
  bool MoveOver(const std::filesystem::path& target, DWORD attributes) {
    if (!FlushFileBuffers(handle.Get()) || !handle.Close()) return false;
    if (attributes != 0 && !SetFileAttributesW(path.c_str(), attributes)) return false;
    moved = MoveFileExW(path.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    return moved;
  }

 private:
  Handle handle{INVALID_HANDLE_VALUE};
  std::filesystem::path path;
  bool moved = false;
};

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
  const Handle handle(CreateFileW(file.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.IsOpen()) return FailedLookup(GetLastError());
  // The name may have come to stand for a pipe or a device since the check.
  if (GetFileType(handle.Get()) != FILE_TYPE_DISK) return ProfileRead::NotRegular;
  const ProfileRead result = ReadAll(handle.Get(), bytes);
  if (result != ProfileRead::Read) bytes->clear();
  return result;
}

bool ReplaceProfileFile(const std::filesystem::path& file, std::string_view bytes) {
  const std::optional<std::filesystem::path> target = FinalLinkTarget(file);
  if (!target) return false;
  const DWORD attributes = GetFileAttributesW(target->c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (!exists && !IsMissing(GetLastError())) return false;
  if (exists && ((attributes & kNotReplaceable) != 0 || !IsWritable(*target))) return false;
  TemporaryFile temporary(*target);
  if (!temporary.IsOpen() || !WriteAll(temporary.Get(), bytes)) return false;
  return temporary.MoveOver(*target, exists ? attributes & kKeptAttributes : 0);
}

}  // namespace varnel
