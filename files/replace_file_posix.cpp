// Replacing a file on POSIX: openat(O_EXCL|O_NOFOLLOW), fchmod, fsync and
// renameat, all on the folder's descriptor.
#include "files/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "files/file_rules.h"
#include "files/unique_fd.h"

namespace varnel {
namespace {

using namespace file_rules;

constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;
constexpr mode_t kPermissionBits = 07777;  // with set-id and sticky bits

bool Fail(std::string* reason, const std::filesystem::path& file, const char* why) {
  *reason = file.string() + ": " + why;
  return false;
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

// A new file in the folder `dir`, removed again unless renamed over the
// target.
class TemporaryFile {
 public:
  // Creates "<name>.<pid>-<thread>-<clock>-<try>.tmp" exclusively with
  // `mode`: the name is new or the open fails, so two writers never share
  // a file, and a link planted under that name is never followed.
  TemporaryFile(int folder, const std::string& name, mode_t mode) : dir(folder) {
    const size_t thread = std::hash<std::thread::id>()(std::this_thread::get_id());
    for (int attempt = 0; attempt < kTemporaryNameTries && !fd.Valid(); ++attempt) {
      const auto clock = std::chrono::steady_clock::now().time_since_epoch().count();
      path = name + "." + std::to_string(::getpid()) + "-" + std::to_string(thread) + "-" + std::to_string(clock) +
             "-" + std::to_string(attempt) + kTemporarySuffix;
      fd.Reset(::openat(dir, path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
      if (!fd.Valid() && errno != EEXIST) break;
    }
    // A name that was not ours to create is not ours to remove.
    if (!fd.Valid()) path.clear();
  }
  ~TemporaryFile() {
    static_cast<void>(fd.Close());
    if (!renamed && !path.empty()) ::unlinkat(dir, path.c_str(), 0);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  int Get() const { return fd.Get(); }
  bool IsOpen() const { return fd.Valid(); }

  // Gives the file `mode` exactly (the umask narrowed it at creation) and,
  // if allowed, `info`'s owner. The owner comes first: changing it may
  // clear set-id bits that the mode then puts back.
  bool TakeAttributes(mode_t mode, const struct stat* owner) {
    // Only the superuser may give a file away; others keep their own.
    if (owner != nullptr) static_cast<void>(::fchown(fd.Get(), owner->st_uid, owner->st_gid));
    return ::fchmod(fd.Get(), mode) == 0;
  }

  // Flushes, closes and renames the file over `name`.
  bool RenameOver(const std::string& name) {
    if (::fsync(fd.Get()) != 0 || !fd.Close()) return false;
    renamed = ::renameat(dir, path.c_str(), dir, name.c_str()) == 0;
    if (renamed) static_cast<void>(::fsync(dir));  // the new name on disk too
    return renamed;
  }

 private:
  int dir;
  UniqueFd fd;
  std::string path;
  bool renamed = false;
};

// Whether a folder refused a new file (where the file itself may still be
// written).
bool FolderRefused(int error) { return error == EACCES || error == EPERM || error == EROFS; }

// Writes `bytes` over the regular file `name` of the folder `dir` that
// `seen` describes, from its start, then cuts it to their length and
// flushes it: the way settings files were always written, for a folder
// that takes no new file.
bool WriteInPlace(int dir, const std::string& name, const struct stat& seen, std::string_view bytes) {
  const UniqueFd fd(::openat(dir, name.c_str(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  struct stat opened {};
  if (!fd.Valid() || ::fstat(fd.Get(), &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != seen.st_dev ||
      opened.st_ino != seen.st_ino) {
    return false;
  }
  return WriteAll(fd.Get(), bytes) && ::ftruncate(fd.Get(), static_cast<off_t>(bytes.size())) == 0 &&
         ::fsync(fd.Get()) == 0;
}

}  // namespace

bool ReplaceFile(const std::filesystem::path& file, std::string_view bytes, std::string* reason) {
  const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
  const std::string name = file.filename().string();
  const UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.Valid()) return Fail(reason, folder, std::strerror(errno));
  struct stat info {};
  const bool exists = ::fstatat(dir.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
  if (!exists && errno != ENOENT) return Fail(reason, file, std::strerror(errno));
  if (exists && S_ISLNK(info.st_mode)) return Fail(reason, file, kSymbolicLink);
  if (exists && !S_ISREG(info.st_mode)) return Fail(reason, file, kNotRegular);
  // The bits are tested too because access() says yes to the superuser
  // whatever they are.
  if (exists && ((info.st_mode & kAnyWrite) == 0 ||
                 ::faccessat(dir.Get(), name.c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0)) {
    return Fail(reason, file, kReadOnly);
  }
  const mode_t mode = exists ? info.st_mode & kPermissionBits : kPrivateFileMode;
  TemporaryFile temporary(dir.Get(), name, mode & kPrivateFileMode);
  if (!temporary.IsOpen()) {
    const int error = errno;
    // A folder that takes no new file still lets its files be written.
    if (exists && FolderRefused(error) && WriteInPlace(dir.Get(), name, info, bytes)) return true;
    return Fail(reason, folder, std::strerror(error));
  }
  if (!temporary.TakeAttributes(mode, exists ? &info : nullptr) || !WriteAll(temporary.Get(), bytes) ||
      !temporary.RenameOver(name)) {
    return Fail(reason, file, std::strerror(errno));
  }
  return true;
}

}  // namespace varnel
