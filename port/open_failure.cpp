// The advice on a missing device, the same on every system, and the
// texts the advice is made of.
#include "port/open_failure.h"

namespace varnel {

std::string AdviceText(const Application& app, uint16_t id, std::initializer_list<std::string_view> args) {
  const std::string pattern = app.ToDisplay(app.Text(id, text::kLongTextCapacity));
  std::string filled;
  auto next = args.begin();
  for (size_t at = 0; at < pattern.size(); ++at) {
    if (pattern.compare(at, 2, "%s") == 0 && next != args.end()) {
      filled += *next++;
      ++at;
      continue;
    }
    filled += pattern[at];
  }
  return filled;
}

std::string PresentDevicesText(std::span<const SerialDevice> devices, const Application& app) {
  if (devices.empty()) return AdviceText(app, text::kNoSerialDevice);
  std::string list;
  for (size_t i = 0; i < devices.size(); ++i) {
    if (i > 0) list += ", ";
    list += devices[i].path;
    if (!devices[i].product.empty()) list += " (" + devices[i].product + ")";
  }
  return AdviceText(app, text::kDevicesPresent, {list});
}

}  // namespace varnel
