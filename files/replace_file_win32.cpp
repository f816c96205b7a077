// Replacing a file on Windows: the target examined on a handle that does
// not follow a link, a new file made beside it with CREATE_NEW, given the
// target's access rules (a new target: private) and kept attributes,
// flushed with FlushFileBuffers and moved over the target by MoveFileExW.
#include "files/replace_file.h"

#include <windows.h>
#include <aclapi.h>

#include <memory>

#include "files/device_name.h"
#include "files/file_rules.h"
#include "files/narrow_path.h"
#include "files/private_security.h"
#include "files/system_message.h"
#include "files/unique_handle.h"

// <windows.h> names its own file replacement ReplaceFile (ReplaceFileA in
// a narrow build); ours is meant here.
#undef ReplaceFile

namespace varnel {
namespace {

using namespace file_rules;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Attributes the new file takes over from the one it replaces.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool Fail(std::string* reason, const std::filesystem::path& file, std::string_view why) {
  *reason = NarrowFromPath(file) + ": " + std::string(why);
  return false;
}

bool FailWithError(std::string* reason, const std::filesystem::path& file, DWORD error) {
  return Fail(reason, file, SystemMessage(error));
}

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD wanted = bytes.size() > MAXDWORD ? MAXDWORD : static_cast<DWORD>(bytes.size());
    DWORD put = 0;
    if (!WriteFile(file, bytes.data(), wanted, &put, nullptr) || put == 0) return false;
    bytes.remove_prefix(put);
  }
  return true;
}

// A security descriptor the system allocated, freed with it.
struct LocalFreer {
  void operator()(void* memory) const { LocalFree(memory); }
};
using SystemDescriptor = std::unique_ptr<void, LocalFreer>;

// The access rules of an existing file, to be given to its replacement.
struct AccessRules {
  SystemDescriptor descriptor;
  PACL dacl = nullptr;       // inside `descriptor`
  bool isProtected = false;  // not inheriting from the folder
};

// The target, opened without following a link and for writing, so that a
// read-only file is told before anything is made: its attributes and
// access rules. False with the reason when it is a link or not a file.
bool ExamineTarget(const std::filesystem::path& file, DWORD* attributes, AccessRules* rules, std::string* reason) {
  const UniqueHandle target(CreateFileW(file.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES | READ_CONTROL, kShareAll,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!target.Valid()) {
    const DWORD error = GetLastError();
    return error == ERROR_ACCESS_DENIED ? Fail(reason, file, kReadOnly) : FailWithError(reason, file, error);
  }
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (GetFileType(target.Get()) != FILE_TYPE_DISK ||
      !GetFileInformationByHandleEx(target.Get(), FileAttributeTagInfo, &tag, sizeof tag)) {
    return Fail(reason, file, kNotRegular);
  }
  if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(tag.ReparseTag)) {
    return Fail(reason, file, kSymbolicLink);
  }
  if ((tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Fail(reason, file, kNotRegular);
  *attributes = tag.FileAttributes;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = GetSecurityInfo(target.Get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                      &rules->dacl, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) return FailWithError(reason, file, error);
  rules->descriptor.reset(descriptor);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  rules->isProtected =
      GetSecurityDescriptorControl(descriptor, &control, &revision) != 0 && (control & SE_DACL_PROTECTED) != 0;
  return true;
}

// A file made beside the target, removed again unless it was moved over
// the target.
class TemporaryFile {
 public:
  // Creates "<target>.<process>-<thread>-<tick>-<try>.tmp" exclusively,
  // with `security` (null: the folder's rules).
  TemporaryFile(const std::filesystem::path& target, SECURITY_ATTRIBUTES* security) {
    for (int attempt = 0; attempt < kTemporaryNameTries && !handle.Valid(); ++attempt) {
      path = target;
      path += "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetCurrentThreadId()) + "-" +
              std::to_string(GetTickCount64()) + "-" + std::to_string(attempt) + kTemporarySuffix;
      handle.Reset(CreateFileW(path.c_str(), GENERIC_WRITE | WRITE_DAC, 0, security, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
      error = handle.Valid() ? ERROR_SUCCESS : GetLastError();
      if (error != ERROR_FILE_EXISTS) break;
    }
    // A name that was not ours to create is not ours to remove.
    if (!handle.Valid()) path.clear();
  }
  ~TemporaryFile() {
    static_cast<void>(handle.Close());
    if (!moved && !path.empty()) DeleteFileW(path.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  HANDLE Get() const { return handle.Get(); }
  bool IsOpen() const { return handle.Valid(); }
  // Why the last step failed.
  DWORD Error() const { return error; }

  // Gives the file the replaced file's access rules.
  bool TakeRules(const AccessRules& rules) {
    const SECURITY_INFORMATION what =
        DACL_SECURITY_INFORMATION |
        (rules.isProtected ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
    error = SetSecurityInfo(handle.Get(), SE_FILE_OBJECT, what, nullptr, nullptr, rules.dacl, nullptr);
    return error == ERROR_SUCCESS;
  }

  bool Write(std::string_view bytes) { return Succeeded(WriteAll(handle.Get(), bytes)); }

  // Flushes and closes the file, gives it `attributes` and moves it over
  // `target` (a link put there meanwhile is replaced, not followed).
  bool MoveOver(const std::filesystem::path& target, DWORD attributes) {
    if (!Succeeded(FlushFileBuffers(handle.Get()) != 0) || !Succeeded(handle.Close())) return false;
    if (attributes != 0 && !Succeeded(SetFileAttributesW(path.c_str(), attributes) != 0)) return false;
    moved =
        Succeeded(MoveFileExW(path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0);
    return moved;
  }

 private:
  bool Succeeded(bool done) {
    error = done ? ERROR_SUCCESS : GetLastError();
    return done;
  }

  UniqueHandle handle;
  std::filesystem::path path;
  DWORD error = ERROR_SUCCESS;
  bool moved = false;
};

// Writes `bytes` over the existing file from its start, cuts it there and
// flushes it (never through a link): for a folder that takes no new file.
bool WriteInPlace(const std::filesystem::path& file, std::string_view bytes) {
  const UniqueHandle target(CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  FILE_ATTRIBUTE_TAG_INFO tag{};
  return target.Valid() && GetFileType(target.Get()) == FILE_TYPE_DISK &&
         GetFileInformationByHandleEx(target.Get(), FileAttributeTagInfo, &tag, sizeof tag) &&
         (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 && WriteAll(target.Get(), bytes) &&
         SetEndOfFile(target.Get()) && FlushFileBuffers(target.Get());
}

}  // namespace

bool ReplaceFile(const std::filesystem::path& file, std::string_view bytes, std::string* reason) {
  if (IsDeviceName(file.native())) return Fail(reason, file, kNotRegular);
  const DWORD attributes = GetFileAttributesW(file.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  const DWORD lookup = exists ? ERROR_SUCCESS : GetLastError();
  if (!exists && !IsMissing(lookup)) return FailWithError(reason, file, lookup);
  if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    return Fail(reason, file, kNotRegular);
  }
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0) return Fail(reason, file, kReadOnly);
  DWORD kept = 0;
  AccessRules rules;
  if (exists && !ExamineTarget(file, &kept, &rules, reason)) return false;
  PrivateSecurity security;
  if (!exists && security.Attributes() == nullptr) return Fail(reason, file, kNotPrivate);
  TemporaryFile temporary(file, exists ? nullptr : security.Attributes());
  const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
  if (!temporary.IsOpen()) {
    // A folder that takes no new file still lets its files be written.
    if (exists && temporary.Error() == ERROR_ACCESS_DENIED && WriteInPlace(file, bytes)) return true;
    return FailWithError(reason, folder, temporary.Error());
  }
  if ((exists && !temporary.TakeRules(rules)) || !temporary.Write(bytes) ||
      !temporary.MoveOver(file, kept & kKeptAttributes)) {
    return FailWithError(reason, file, temporary.Error());
  }
  return true;
}

}  // namespace varnel
