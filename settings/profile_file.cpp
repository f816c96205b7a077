// Replacing the settings file: its chain of links resolved once, then the
// file at its end replaced.
#include "settings/profile_file.h"

#include <optional>

#include "files/narrow_path.h"
#include "files/replace_file.h"
#include "settings/link_target.h"

namespace varnel {
namespace {

constexpr char kLinkRefused[] = ": a symbolic link that is not followed (a loop, unreadable, or not safe to follow)";

}  // namespace

bool ReplaceProfileFile(const std::filesystem::path& file, std::string_view bytes, std::string* reason) {
  std::string why;
  const std::optional<std::filesystem::path> target = FinalLinkTarget(file);
  const bool replaced = target ? ReplaceFile(*target, bytes, &why) : false;
  if (!target) why = NarrowFromPath(file) + kLinkRefused;
  if (reason != nullptr) *reason = why;
  return replaced;
}

}  // namespace varnel
