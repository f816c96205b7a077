// The settings file's bytes on POSIX: stat before open, a non-blocking open
// checked again with fstat, and a replacement made with open(O_EXCL),
// fsync and rename.
#include "settings/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include "settings/link_target.h"

namespace varnel {
namespace {

constexpr size_t kReadChunk = 4096;
// A new file gets these permissions less the umask, as any editor's would.
constexpr mode_t kNewFileMode = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;
constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;
constexpr mode_t kPermissionBits = 07777;  // with set-id and sticky bits
constexpr int kTemporaryNameTries = 16;

// A file descriptor, closed when the owner goes.
class Descriptor {
 public:
  explicit Descriptor(int descriptor) : fd(descriptor) {}
  ~Descriptor() { static_cast<void>(Close()); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int Get() const { return fd; }
  bool IsOpen() const { return fd >= 0; }
  // Takes `descriptor` in place of the one held, which is closed.
  void Reset(int descriptor) {
    static_cast<void>(Close());
    fd = descriptor;
  }
  // Closes now; false when close reports an error, which for a written
  // file can mean the data did not reach the disk.
  [[nodiscard]] bool Close() {
    if (fd < 0) return true;
    const int result = ::close(fd);
    fd = -1;
    return result == 0;
  }

 private:
  int fd;
};

ProfileRead FailedLookup(int error) {
  return error == ENOENT || error == ENOTDIR ? ProfileRead::Absent : ProfileRead::Unreadable;
}

// What the file's attributes allow: Read when it may be opened and read.
ProfileRead Readability(const struct stat& info) {
  if (!S_ISREG(info.st_mode)) return ProfileRead::NotRegular;
  if (static_cast<uintmax_t>(info.st_size) > kProfileFileMaxBytes) return ProfileRead::TooLarge;
  return ProfileRead::Read;
}

// Reads to the end, giving up past kProfileFileMaxBytes (a file that grew).
ProfileRead ReadAll(int fd, std::string* bytes) {
  char chunk[kReadChunk];
  for (;;) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return ProfileRead::Unreadable;
    if (got == 0) return ProfileRead::Read;
    bytes->append(chunk, static_cast<size_t>(got));
    if (bytes->size() > kProfileFileMaxBytes) return ProfileRead::TooLarge;
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(put));
  }
  return true;
}

// Whether an existing target may be replaced: a regular file that has a
// write permission bit and that this user may write. The bits are tested
// too because access() says yes to the superuser whatever they are.
bool IsReplaceable(const std::filesystem::path& target, const struct stat& info) {
  if (!S_ISREG(info.st_mode) || (info.st_mode & kAnyWrite) == 0) return false;
  return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0;
}

// A file made beside the target, removed again unless it was renamed over
// the target.
class TemporaryFile {
 public:
  // Creates "<target>.<pid>-<thread>-<clock>-<try>.tmp" exclusively; the
  // name is new or the open fails, so two writers never share a file.
  explicit TemporaryFile(const std::filesystem::path& target) {
    const size_t thread = std::hash<std::thread::id>()(std::this_thread::get_id());
    for (int attempt = 0; attempt < kTemporaryNameTries && !fd.IsOpen(); ++attempt) {
      const auto clock = std::chrono::steady_clock::now().time_since_epoch().count();
      path = target;
      path += "." + std::to_string(::getpid()) + "-" + std::to_string(thread) + "-" +
              std::to_string(clock) + "-" + std::to_string(attempt) + ".tmp";
      fd.Reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode));
      if (!fd.IsOpen() && errno != EEXIST) break;
    }
    // A name that was not ours to create is not ours to remove.
    if (!fd.IsOpen()) path.clear();
  }
  ~TemporaryFile() {
    static_cast<void>(fd.Close());
    if (!renamed && !path.empty()) ::unlink(path.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  int Get() const { return fd.Get(); }
  bool IsOpen() const { return fd.IsOpen(); }

  // Gives the file the permissions (and, if allowed, the owner) of the
  // file it replaces. The owner comes first: changing it may clear set-id
  // bits that the mode then puts back.
  bool TakeAttributesOf(const struct stat& info) {
    // Only the superuser may give a file away; others keep their own.
    static_cast<void>(::fchown(fd.Get(), info.st_uid, info.st_gid));
    return ::fchmod(fd.Get(), info.st_mode & kPermissionBits) == 0;
  }

  // Flushes, closes and renames the file over `target`.
  bool RenameOver(const std::filesystem::path& target) {
    if (::fsync(fd.Get()) != 0 || !fd.Close()) return false;
    renamed = ::rename(path.c_str(), target.c_str()) == 0;
    return renamed;
  }

 private:
  Descriptor fd{-1};
  std::filesystem::path path;
  bool renamed = false;
};

}  // namespace

ProfileRead ReadProfileFile(const std::filesystem::path& file, std::string* bytes) {
  bytes->clear();
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) return FailedLookup(errno);
  if (const ProfileRead allowed = Readability(info); allowed != ProfileRead::Read) return allowed;
  // O_NONBLOCK: if the name now stands for a FIFO, the open returns at once
  // and fstat tells; O_NOCTTY: a terminal never becomes ours.
  Descriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.IsOpen()) return FailedLookup(errno);
  if (::fstat(fd.Get(), &info) != 0) return ProfileRead::Unreadable;
  ProfileRead result = Readability(info);
  if (result == ProfileRead::Read) result = ReadAll(fd.Get(), bytes);
  if (result != ProfileRead::Read) bytes->clear();
  return result;
}

bool ReplaceProfileFile(const std::filesystem::path& file, std::string_view bytes) {
  const std::optional<std::filesystem::path> target = FinalLinkTarget(file);
  if (!target) return false;
  struct stat info {};
  const bool exists = ::lstat(target->c_str(), &info) == 0;
  if (!exists && errno != ENOENT) return false;
  if (exists && !IsReplaceable(*target, info)) return false;
  TemporaryFile temporary(*target);
  if (!temporary.IsOpen() || !WriteAll(temporary.Get(), bytes)) return false;
  if (exists && !temporary.TakeAttributesOf(info)) return false;
  return temporary.RenameOver(*target);
}

}  // namespace varnel
