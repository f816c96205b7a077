// Symbolic link upkeep: made under a temporary name and renamed over the
// old one, so a program opening the path never finds it missing.
#include "sim/slave_link.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <utility>

namespace varnel::sim {

namespace {

std::string LinkTarget(const std::string& path) {
  std::array<char, 4096> buffer{};
  ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size() - 1);
  return n > 0 ? std::string(buffer.data(), static_cast<size_t>(n)) : std::string();
}

}  // namespace

SlaveLink::~SlaveLink() { Remove(); }

SlaveLink::SlaveLink(SlaveLink&& other) noexcept
    : path(std::move(other.path)), target(std::exchange(other.target, {})) {}

SlaveLink& SlaveLink::operator=(SlaveLink&& other) noexcept {
  if (this != &other) {
    Remove();
    path = std::move(other.path);
    target = std::exchange(other.target, {});
  }
  return *this;
}

LinkResult SlaveLink::PointAt(const std::string& newTarget) {
  if (path.empty()) return LinkResult::kOk;
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
    return LinkResult::kOccupied;
  }
  std::string temporary = path + ".new";
  ::unlink(temporary.c_str());
  if (::symlink(newTarget.c_str(), temporary.c_str()) != 0) {
    return LinkResult::kFailed;
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return LinkResult::kFailed;
  }
  target = newTarget;
  return LinkResult::kOk;
}

void SlaveLink::Remove() {
  if (path.empty() || target.empty()) return;
  if (LinkTarget(path) == target) ::unlink(path.c_str());
  target.clear();
}

}  // namespace varnel::sim
