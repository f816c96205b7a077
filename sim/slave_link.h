// SlaveLink: a symbolic link kept pointing at the handset's current slave
// device, so a settings file can name a stable port. Removed again when the
// owner goes (if it still points where we left it). Move-only; one thread.
#pragma once

#include <string>

namespace varnel::sim {

enum class LinkResult {
  kOk,
  kOccupied,  // something that is not a symbolic link is in the way
  kFailed,    // the link could not be made
};

class SlaveLink {
 public:
  SlaveLink() = default;
  explicit SlaveLink(std::string linkPath) : path(std::move(linkPath)) {}
  ~SlaveLink();
  SlaveLink(const SlaveLink&) = delete;
  SlaveLink& operator=(const SlaveLink&) = delete;
  SlaveLink(SlaveLink&& other) noexcept;
  SlaveLink& operator=(SlaveLink&& other) noexcept;

  // Points the link at `target`, replacing an older link atomically. A path
  // that is empty does nothing and succeeds.
  [[nodiscard]] LinkResult PointAt(const std::string& target);

  // Removes the link if it still points at the last target.
  void Remove();

 private:
  std::string path;
  std::string target;  // empty while no link of ours exists
};

}  // namespace varnel::sim
