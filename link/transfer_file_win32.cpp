// TransferFile on Win32 file handles. Anything that is not a file on a disk
// (a console, a COM port, a pipe, NUL) is refused by its file type before
// any byte moves.
#include "link/transfer_file.h"

#include <windows.h>

namespace varnel {
namespace {

constexpr char kNotRegular[] = "not a regular file";

std::string Reason(const char* path, const char* why) { return std::string(path) + ": " + why; }

std::string SystemReason(const char* path, DWORD error) {
  char message[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                 message, sizeof message, nullptr);
  // The system's messages end in a line break.
  std::string text = Reason(path, message);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// Appending needs the file's attributes too, for its size and type.
constexpr DWORD kAppendAccess = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

// Writing replaces the file, appending keeps it, reading needs it there.
DWORD Disposition(DWORD access) {
  if (access == GENERIC_WRITE) return CREATE_ALWAYS;
  return access == kAppendAccess ? OPEN_ALWAYS : OPEN_EXISTING;
}

bool IsDiskFile(HANDLE handle) { return GetFileType(handle) == FILE_TYPE_DISK; }

}  // namespace

struct TransferFile::Native {
  HANDLE handle = INVALID_HANDLE_VALUE;
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
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return true;  // the dump creates it
    *reason = SystemReason(path, error);
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    *reason = Reason(path, kNotRegular);
    return false;
  }
  // Devices answer to names too ("NUL", "COM1"); only their type tells.
  HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return true;  // the create reports it
  bool disk = IsDiskFile(handle);
  CloseHandle(handle);
  if (!disk) *reason = Reason(path, kNotRegular);
  return disk;
}

TransferFile TransferFile::Create(const char* path, std::string* reason) {
  return OpenRegular(path, GENERIC_WRITE, reason);
}

TransferFile TransferFile::Append(const char* path, std::string* reason) {
  return OpenRegular(path, kAppendAccess, reason);
}

TransferFile TransferFile::OpenForReading(const char* path, std::string* reason) {
  return OpenRegular(path, GENERIC_READ, reason);
}

TransferFile TransferFile::OpenRegular(const char* path, uint32_t access, std::string* reason) {
  TransferFile file;
  const bool write = access != GENERIC_READ;
  // A file being written may be read meanwhile, as it grows (a line trace
  // looked at during a long session); a file being read is not changed
  // under the reader.
  const DWORD share = write ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
  HANDLE handle = CreateFileA(path, access, share, nullptr, Disposition(access), FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    *reason = SystemReason(path, GetLastError());
    return file;
  }
  LARGE_INTEGER length{};
  if (!IsDiskFile(handle) || !GetFileSizeEx(handle, &length)) {
    CloseHandle(handle);
    *reason = Reason(path, kNotRegular);
    return file;
  }
  file.native->handle = handle;
  file.size = static_cast<uint64_t>(length.QuadPart);
  return file;
}

bool TransferFile::IsOpen() const { return native && native->handle != INVALID_HANDLE_VALUE; }

bool TransferFile::Write(const uint8_t* data, uint32_t count) {
  if (!IsOpen()) return false;
  DWORD written = 0;
  return WriteFile(native->handle, data, count, &written, nullptr) != 0 && written == count;
}

bool TransferFile::Read(uint8_t* buffer, uint32_t count, uint32_t* got) {
  *got = 0;
  if (!IsOpen()) return false;
  while (*got < count) {
    DWORD n = 0;
    if (!ReadFile(native->handle, buffer + *got, count - *got, &n, nullptr)) return false;
    if (n == 0) break;  // the end of the file
    *got += n;
  }
  return true;
}

bool TransferFile::Close() {
  if (!IsOpen()) return true;
  HANDLE handle = native->handle;
  native->handle = INVALID_HANDLE_VALUE;
  return CloseHandle(handle) != 0;
}

}  // namespace varnel
