// TransferFile on POSIX descriptors. A name is examined with lstat (stat
// when reading, where a link may lead to the image) before it is opened;
// the open itself never follows a final link (O_NOFOLLOW), never waits
// (O_NONBLOCK), never takes a terminal as the controlling one (O_NOCTTY),
// and fstat then confirms that the file opened is the one examined.
#include "files/transfer_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "files/file_rules.h"

namespace varnel {
namespace {

using namespace file_rules;

constexpr int kCommonFlags = O_NOCTTY | O_CLOEXEC | O_NONBLOCK;

std::string Reason(const char* path, const char* why) { return std::string(path) + ": " + why; }

// Why `info` is not a file to use, or null when it is one.
const char* Refusal(const struct stat& info) {
  if (S_ISREG(info.st_mode)) return nullptr;
  if (S_ISLNK(info.st_mode)) return kSymbolicLink;
  if (S_ISDIR(info.st_mode)) return std::strerror(EISDIR);
  return kNotRegular;
}

FileStamp StampOf(const struct stat& info) {
  constexpr int64_t kNanosecondsPerSecond = 1000000000;
  return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino), static_cast<uint64_t>(info.st_size),
          static_cast<int64_t>(info.st_mtim.tv_sec) * kNanosecondsPerSecond + info.st_mtim.tv_nsec};
}

// How a file for writing is opened.
enum class WriteStart { Empty, AtEnd };

}  // namespace

struct TransferFile::Native {
  int fd = -1;

  // Takes `descriptor`, a regular file, for blocking use.
  void Adopt(int descriptor) {
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    fd = descriptor;
  }
};

namespace {

// Opens `path` with `flags` and keeps it only when it is the regular file
// `seen` described. -1 with the reason otherwise.
int OpenSame(const char* path, int flags, const struct stat& seen, std::string* reason) {
  const int fd = ::open(path, flags | kCommonFlags, kPrivateFileMode);
  if (fd < 0) {
    *reason = Reason(path, errno == ELOOP ? kSymbolicLink : std::strerror(errno));
    return -1;
  }
  struct stat opened {};
  if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != seen.st_dev ||
      opened.st_ino != seen.st_ino) {
    ::close(fd);
    *reason = Reason(path, kChanged);
    return -1;
  }
  return fd;
}

// A file to write: created new and private when nothing is there, else
// the regular file there (never through a link), emptied or kept.
int OpenForWriting(const char* path, WriteStart start, std::string* reason) {
  const int mode = start == WriteStart::AtEnd ? O_WRONLY | O_APPEND : O_WRONLY;
  struct stat seen {};
  if (::lstat(path, &seen) != 0) {
    if (errno != ENOENT) {
      *reason = Reason(path, std::strerror(errno));
      return -1;
    }
    // O_EXCL: a name that appeared since (a link planted meanwhile
    // included) is not ours to open.
    const int fd = ::open(path, mode | O_CREAT | O_EXCL | O_NOFOLLOW | kCommonFlags, kPrivateFileMode);
    if (fd < 0) *reason = Reason(path, std::strerror(errno));
    return fd;
  }
  if (const char* refused = Refusal(seen)) {
    *reason = Reason(path, refused);
    return -1;
  }
  const int fd = OpenSame(path, mode | O_NOFOLLOW, seen, reason);
  // Emptied only now that it is known to be the regular file looked at.
  if (fd >= 0 && start == WriteStart::Empty && ::ftruncate(fd, 0) != 0) {
    *reason = Reason(path, std::strerror(errno));
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

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
  if (::lstat(path, &info) != 0) {
    if (errno == ENOENT) return true;  // the dump creates it
    *reason = Reason(path, std::strerror(errno));
    return false;
  }
  const char* refused = Refusal(info);
  if (refused != nullptr) *reason = Reason(path, refused);
  return refused == nullptr;
}

TransferFile TransferFile::Create(const char* path, std::string* reason) {
  TransferFile file;
  const int fd = OpenForWriting(path, WriteStart::Empty, reason);
  if (fd >= 0) file.native->Adopt(fd);
  return file;
}

TransferFile TransferFile::Append(const char* path, std::string* reason) {
  TransferFile file;
  const int fd = OpenForWriting(path, WriteStart::AtEnd, reason);
  if (fd < 0) return file;
  file.native->Adopt(fd);
  file.size = file.Stamp().size;
  return file;
}

TransferFile TransferFile::OpenForReading(const char* path, std::string* reason) {
  TransferFile file;
  struct stat seen {};
  if (::stat(path, &seen) != 0) {
    *reason = Reason(path, std::strerror(errno));
    return file;
  }
  if (const char* refused = Refusal(seen)) {
    *reason = Reason(path, refused);
    return file;
  }
  const int fd = OpenSame(path, O_RDONLY, seen, reason);
  if (fd < 0) return file;
  file.native->Adopt(fd);
  file.size = static_cast<uint64_t>(seen.st_size);
  return file;
}

TransferFile TransferFile::CreateTemporary(std::string* reason) {
  TransferFile file;
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  if (error) {
    *reason = "no temporary folder: " + error.message();
    return file;
  }
  // Without a name from the start where the file system can (O_TMPFILE);
  // elsewhere a private name of our own, removed at once.
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, kPrivateFileMode);
  if (fd < 0) {
    // mkostemp fills in the last six characters.
    std::string name = (folder / (std::string(kTemporaryPrefix) + "XXXXXX")).string();
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
      *reason = Reason(folder.c_str(), std::strerror(errno));
      return file;
    }
    ::unlink(name.c_str());
  }
  file.native->fd = fd;
  return file;
}

bool TransferFile::IsOpen() const { return native && native->fd >= 0; }

FileStamp TransferFile::Stamp() const {
  struct stat info {};
  if (!IsOpen() || ::fstat(native->fd, &info) != 0) return {};
  return StampOf(info);
}

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

bool TransferFile::Rewind() { return IsOpen() && ::lseek(native->fd, 0, SEEK_SET) == 0; }

bool TransferFile::Close() {
  if (!IsOpen()) return true;
  int fd = native->fd;
  native->fd = -1;
  return ::close(fd) == 0;
}

bool SameFile(const char* first, const char* second) {
  std::error_code error;
  const std::filesystem::path a = std::filesystem::absolute(first, error).lexically_normal();
  const std::filesystem::path b = std::filesystem::absolute(second, error).lexically_normal();
  if (a == b) return true;
  struct stat one {};
  struct stat other {};
  return ::stat(first, &one) == 0 && ::stat(second, &other) == 0 && one.st_dev == other.st_dev &&
         one.st_ino == other.st_ino;
}

}  // namespace varnel
