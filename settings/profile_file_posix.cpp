// Reading the settings file on POSIX: stat before open, and a non-blocking
// open checked again with fstat.
#include "settings/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/unique_fd.h"

namespace varnel {
namespace {

constexpr size_t kReadChunk = 4096;

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

}  // namespace

ProfileRead ReadProfileFile(const std::filesystem::path& file, std::string* bytes) {
  bytes->clear();
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) return FailedLookup(errno);
  if (const ProfileRead allowed = Readability(info); allowed != ProfileRead::Read) return allowed;
  // O_NONBLOCK: if the name now stands for a FIFO, the open returns at once
  // and fstat tells; O_NOCTTY: a terminal never becomes ours.
  UniqueFd fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.Valid()) return FailedLookup(errno);
  if (::fstat(fd.Get(), &info) != 0) return ProfileRead::Unreadable;
  ProfileRead result = Readability(info);
  if (result == ProfileRead::Read) result = ReadAll(fd.Get(), bytes);
  if (result != ProfileRead::Read) bytes->clear();
  return result;
}

}  // namespace varnel
