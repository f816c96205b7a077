// TransferFile on POSIX descriptors. Files are opened non-blocking, so a
// FIFO or a device that would wait for a peer answers at once, and then
// checked with fstat before any byte moves.
#include "link/transfer_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace varnel {
namespace {

constexpr mode_t kNewFileMode = 0666;  // less the user's umask
constexpr char kNotRegular[] = "not a regular file";

std::string Reason(const char* path, const char* why) { return std::string(path) + ": " + why; }

}  // namespace

struct TransferFile::Native {
  int fd = -1;
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
  struct stat info {};
  if (::stat(path, &info) != 0) {
    if (errno == ENOENT) return true;  // the dump creates it
    *reason = Reason(path, std::strerror(errno));
    return false;
  }
  if (S_ISREG(info.st_mode)) return true;
  *reason = Reason(path, S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : kNotRegular);
  return false;
}

TransferFile TransferFile::Create(const char* path, std::string* reason) {
  // O_TRUNC empties only what fstat then confirms to be a regular file:
  // a FIFO and a device ignore it, and are refused.
  return OpenRegular(path, O_WRONLY | O_CREAT | O_TRUNC, reason);
}

TransferFile TransferFile::Append(const char* path, std::string* reason) {
  return OpenRegular(path, O_WRONLY | O_CREAT | O_APPEND, reason);
}

TransferFile TransferFile::OpenForReading(const char* path, std::string* reason) {
  return OpenRegular(path, O_RDONLY, reason);
}

TransferFile TransferFile::OpenRegular(const char* path, uint32_t flags, std::string* reason) {
  TransferFile file;
  int fd = ::open(path, static_cast<int>(flags) | O_NONBLOCK | O_CLOEXEC, kNewFileMode);
  if (fd < 0) {
    *reason = Reason(path, std::strerror(errno));
    return file;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    *reason = Reason(path, S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : kNotRegular);
    return file;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  file.native->fd = fd;
  file.size = static_cast<uint64_t>(info.st_size);
  return file;
}

bool TransferFile::IsOpen() const { return native && native->fd >= 0; }

bool TransferFile::Write(const uint8_t* data, uint32_t count) {
  if (!IsOpen()) return false;
  uint32_t done = 0;
  while (done < count) {
    ssize_t n = ::write(native->fd, data + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<uint32_t>(n);
  }
  return true;
}

bool TransferFile::Read(uint8_t* buffer, uint32_t count, uint32_t* got) {
  *got = 0;
  if (!IsOpen()) return false;
  while (*got < count) {
    ssize_t n = ::read(native->fd, buffer + *got, count - *got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;  // the end of the file
    *got += static_cast<uint32_t>(n);
  }
  return true;
}

bool TransferFile::Close() {
  if (!IsOpen()) return true;
  int fd = native->fd;
  native->fd = -1;
  return ::close(fd) == 0;
}

}  // namespace varnel
