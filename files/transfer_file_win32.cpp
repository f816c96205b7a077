// TransferFile on Win32 file handles, every name through the wide-character
// API. A name is looked at before anything is opened: a device's name
// (NUL, COM1, \\.\...) is refused from its letters, a folder or a device
// from its attributes. A file to write is opened without following a link
// there (FILE_FLAG_OPEN_REPARSE_POINT) and refused when it is one; a new
// one is made with CREATE_NEW, private. Every handle is checked to be a
// file on a disk before a byte moves.
#include "files/transfer_file.h"

#include <windows.h>

#include <filesystem>
#include <string_view>

#include "files/device_name.h"
#include "files/file_rules.h"
#include "files/narrow_path.h"
#include "files/private_security.h"
#include "files/system_message.h"
#include "files/unique_handle.h"

namespace varnel {
namespace {

using namespace file_rules;

// An ASCII text as a wide one.
std::wstring WidenAscii(std::string_view text) { return std::wstring(text.begin(), text.end()); }

constexpr char kFolder[] = "a folder";
constexpr char kDevice[] = "a device, which is not opened";
constexpr int kHalfBits = 32;
constexpr DWORD kShareNone = 0;
// A file being written may be read as it grows (a line trace looked at
// during a long session); no one writes a file beside us, and a file being
// read is not changed under the reader.
constexpr DWORD kShareReaders = FILE_SHARE_READ;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What a file is opened for.
enum class Purpose { Read, Empty, Append };

std::string Reason(const char* path, std::string_view why) { return std::string(path) + ": " + std::string(why); }

std::string LastError(const char* path) { return Reason(path, SystemMessage(GetLastError())); }

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

uint64_t Join(DWORD high, DWORD low) { return uint64_t{high} << kHalfBits | low; }

DWORD Access(Purpose purpose) {
  switch (purpose) {
    case Purpose::Read: return GENERIC_READ;
    case Purpose::Empty: return GENERIC_WRITE | FILE_READ_ATTRIBUTES;
    case Purpose::Append:
      // Without FILE_WRITE_DATA every write goes to the end.
      return FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
  }
  return 0;
}

// Why a name with these attributes is not one to open, or null.
const char* AttributeRefusal(DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return kDevice;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return kFolder;
  return nullptr;
}

bool Identity(HANDLE handle, BY_HANDLE_FILE_INFORMATION* info) { return GetFileInformationByHandle(handle, info) != 0; }

bool SameIdentity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// Opens `name` as `purpose` wants it, `flags` added; an existing file only.
UniqueHandle OpenExisting(const std::filesystem::path& name, Purpose purpose, DWORD flags) {
  return UniqueHandle(CreateFileW(name.c_str(), Access(purpose), kShareReaders, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | flags, nullptr));
}

// Checks the open `handle` of `name`: a file on a disk, not a folder. When
// writing, the handle was opened without following a reparse point: a
// link there is refused, and any other kind (a cloud drive's placeholder,
// a deduplicated file) is opened again the ordinary way, so that its
// driver serves the data, and must still be the same file. The handle to
// use, or none with the reason.
UniqueHandle Confirmed(UniqueHandle handle, const std::filesystem::path& name, const char* path, Purpose purpose,
                       std::string* reason) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(handle.Get()) != FILE_TYPE_DISK || !Identity(handle.Get(), &info)) {
    *reason = Reason(path, kNotRegular);
    return {};
  }
  if (const char* refused = AttributeRefusal(info.dwFileAttributes)) {
    *reason = Reason(path, refused);
    return {};
  }
  if (purpose == Purpose::Read || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return handle;
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!GetFileInformationByHandleEx(handle.Get(), FileAttributeTagInfo, &tag, sizeof tag) ||
      IsReparseTagNameSurrogate(tag.ReparseTag)) {
    *reason = Reason(path, kSymbolicLink);
    return {};
  }
  UniqueHandle served = OpenExisting(name, purpose, 0);
  BY_HANDLE_FILE_INFORMATION again{};
  if (!served.Valid() || GetFileType(served.Get()) != FILE_TYPE_DISK || !Identity(served.Get(), &again) ||
      !SameIdentity(info, again)) {
    *reason = Reason(path, kChanged);
    return {};
  }
  return served;
}

// A file to write where nothing is: made new (CREATE_NEW: a name that
// appeared since, a link included, is not ours to open) and private.
UniqueHandle CreateNew(const std::filesystem::path& name, const char* path, Purpose purpose, std::string* reason) {
  PrivateSecurity security;
  if (security.Attributes() == nullptr) {
    *reason = Reason(path, kNotPrivate);
    return {};
  }
  UniqueHandle handle(CreateFileW(name.c_str(), Access(purpose), kShareReaders, security.Attributes(), CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle.Valid()) {
    *reason = LastError(path);
    return {};
  }
  return Confirmed(std::move(handle), name, path, purpose, reason);
}

// Opens `path` for `purpose` by the rules above; none with the reason.
UniqueHandle Open(const char* path, Purpose purpose, std::string* reason) {
  const std::filesystem::path name = PathFromNarrow(path);
  if (IsDeviceName(name.native())) {
    *reason = Reason(path, kDevice);
    return {};
  }
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (purpose != Purpose::Read && IsMissing(GetLastError())) return CreateNew(name, path, purpose, reason);
    *reason = LastError(path);
    return {};
  }
  if (const char* refused = AttributeRefusal(attributes)) {
    *reason = Reason(path, refused);
    return {};
  }
  // Reading follows a link to the image; writing never does.
  UniqueHandle handle = OpenExisting(name, purpose, purpose == Purpose::Read ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  if (!handle.Valid()) {
    *reason = LastError(path);
    return {};
  }
  handle = Confirmed(std::move(handle), name, path, purpose, reason);
  // Emptied only now that it is known to be a file of the disk, not a link.
  if (handle.Valid() && purpose == Purpose::Empty && !SetEndOfFile(handle.Get())) {
    *reason = LastError(path);
    return {};
  }
  return handle;
}

// The folder for temporary files, with its closing backslash; empty when
// the system names none.
std::wstring TemporaryFolder() {
  std::wstring folder(MAX_PATH + 1, L'\0');
  DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  if (length > folder.size()) {
    folder.resize(length);
    length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  }
  folder.resize(length < folder.size() ? length : 0);
  return folder;
}

}  // namespace

struct TransferFile::Native {
  UniqueHandle handle;
};

TransferFile::TransferFile() : native(std::make_unique<Native>()) {}
TransferFile::~TransferFile() { Close(); }
TransferFile::TransferFile(TransferFile&&) noexcept = default;
TransferFile& TransferFile::operator=(TransferFile&& other) noexcept {
  if (this != &other) {
    Close();
    native = std::move(other.native);
    size = other.size;
  }
  return *this;
}

bool TransferFile::MayReplace(const char* path, std::string* reason) {
  const std::filesystem::path name = PathFromNarrow(path);
  if (IsDeviceName(name.native())) {
    *reason = Reason(path, kDevice);
    return false;
  }
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (IsMissing(GetLastError())) return true;  // the dump creates it
    *reason = LastError(path);
    return false;
  }
  if (const char* refused = AttributeRefusal(attributes)) {
    *reason = Reason(path, refused);
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return true;
  // Only the link itself is opened, for its attributes.
  const UniqueHandle link(CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!link.Valid() || !GetFileInformationByHandleEx(link.Get(), FileAttributeTagInfo, &tag, sizeof tag) ||
      IsReparseTagNameSurrogate(tag.ReparseTag)) {
    *reason = Reason(path, kSymbolicLink);
    return false;
  }
  return true;
}

TransferFile TransferFile::Create(const char* path, std::string* reason) {
  TransferFile file;
  file.native->handle = Open(path, Purpose::Empty, reason);
  return file;
}

TransferFile TransferFile::Append(const char* path, std::string* reason) {
  TransferFile file;
  file.native->handle = Open(path, Purpose::Append, reason);
  file.size = file.Stamp().size;
  return file;
}

TransferFile TransferFile::OpenForReading(const char* path, std::string* reason) {
  TransferFile file;
  file.native->handle = Open(path, Purpose::Read, reason);
  file.size = file.Stamp().size;
  return file;
}

TransferFile TransferFile::CreateTemporary(std::string* reason) {
  TransferFile file;
  const std::wstring folder = TemporaryFolder();
  if (folder.empty()) {
    *reason = "no temporary folder: " + SystemMessage(GetLastError());
    return file;
  }
  const std::string shown = NarrowFromPath(folder);
  PrivateSecurity security;
  if (security.Attributes() == nullptr) {
    *reason = Reason(shown.c_str(), kNotPrivate);
    return file;
  }
  // A name of our own, CREATE_NEW so never another's file; shared with no
  // one, and deleted by the system when the handle closes, which it does
  // however the process ends.
  const std::wstring stem = folder + WidenAscii(kTemporaryPrefix) + std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(GetCurrentThreadId()) + L"-" + std::to_wstring(GetTickCount64()) + L"-";
  if (IsDeviceName(stem)) {
    *reason = Reason(shown.c_str(), kDevice);
    return file;
  }
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < kTemporaryNameTries && error == ERROR_FILE_EXISTS; ++attempt) {
    const std::wstring name = stem + std::to_wstring(attempt) + WidenAscii(kTemporarySuffix);
    file.native->handle.Reset(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, kShareNone, security.Attributes(),
                                          CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    error = file.IsOpen() ? ERROR_SUCCESS : GetLastError();
  }
  if (!file.IsOpen()) {
    *reason = Reason(shown.c_str(), SystemMessage(error));
  } else if (GetFileType(file.native->handle.Get()) != FILE_TYPE_DISK) {
    file.Close();
    *reason = Reason(shown.c_str(), kNotRegular);
  }
  return file;
}

bool TransferFile::IsOpen() const { return native && native->handle.Valid(); }

FileStamp TransferFile::Stamp() const {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!IsOpen() || !Identity(native->handle.Get(), &info)) return {};
  return {info.dwVolumeSerialNumber, Join(info.nFileIndexHigh, info.nFileIndexLow),
          Join(info.nFileSizeHigh, info.nFileSizeLow),
          static_cast<int64_t>(Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime))};
}

bool TransferFile::Write(const uint8_t* data, uint32_t count) {
  if (!IsOpen()) return false;
  uint32_t done = 0;
  while (done < count) {
    DWORD written = 0;
    if (!WriteFile(native->handle.Get(), data + done, count - done, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

bool TransferFile::Read(uint8_t* buffer, uint32_t count, uint32_t* got) {
  *got = 0;
  if (!IsOpen()) return false;
  while (*got < count) {
    DWORD n = 0;
    if (!ReadFile(native->handle.Get(), buffer + *got, count - *got, &n, nullptr)) return false;
    if (n == 0) break;  // the end of the file
    *got += n;
  }
  return true;
}

bool TransferFile::Rewind() {
  return IsOpen() && SetFilePointerEx(native->handle.Get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN) != 0;
}

bool TransferFile::Close() { return !native || native->handle.Close(); }

namespace {

// `name` made absolute and normal by the system's rules; empty when it
// can't be.
std::wstring FullPath(const std::filesystem::path& name) {
  std::wstring full(MAX_PATH, L'\0');
  DWORD length = GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length);
    length = GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  full.resize(length < full.size() ? length : 0);
  return full;
}

// The identity of the existing regular file `name` (through a link), read
// on a handle that may do nothing but read attributes; false for anything
// else, which is not opened when its name or attributes tell.
bool FileIdentity(const std::filesystem::path& name, BY_HANDLE_FILE_INFORMATION* info) {
  if (IsDeviceName(name.native())) return false;
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || AttributeRefusal(attributes) != nullptr) return false;
  const UniqueHandle handle(
      CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
  return handle.Valid() && GetFileType(handle.Get()) == FILE_TYPE_DISK && Identity(handle.Get(), info);
}

}  // namespace

bool SameFile(const char* first, const char* second) {
  const std::filesystem::path a = PathFromNarrow(first);
  const std::filesystem::path b = PathFromNarrow(second);
  const std::wstring fullA = FullPath(a);
  const std::wstring fullB = FullPath(b);
  // File names on Windows are the same in any letter case.
  if (!fullA.empty() && CompareStringOrdinal(fullA.data(), static_cast<int>(fullA.size()), fullB.data(),
                                             static_cast<int>(fullB.size()), TRUE) == CSTR_EQUAL) {
    return true;
  }
  BY_HANDLE_FILE_INFORMATION one{};
  BY_HANDLE_FILE_INFORMATION other{};
  return FileIdentity(a, &one) && FileIdentity(b, &other) && SameIdentity(one, other);
}

}  // namespace varnel
