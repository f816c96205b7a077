// The lines of "varnel-cli ports".
#include "cli/port_listing.h"

#include <array>
#include <vector>

#include "link/port_map.h"
#include "settings/profile_store.h"
#include "texts/visible_text.h"

namespace varnel::cli {
namespace {

constexpr char kFieldSeparator = '\t';
constexpr char kUnknown[] = "-";
constexpr char kNameSeparator[] = ",";
// A field as shown: "-" when empty; through VisibleText, since names and
// product strings are chosen by whoever made the device (a tab would shift
// the columns, an escape sequence would drive the terminal).
std::string Field(const std::string& text) { return text.empty() ? kUnknown : VisibleText(text); }

std::string Joined(const std::vector<std::string>& names) {
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : kNameSeparator) + name;
  return joined;
}

}  // namespace

std::string PortListing(const DeviceRoots& roots, const std::filesystem::path& settingsFile) {
  const Profile settings = Profile::Load(settingsFile);
  std::string listing;
  for (const SerialDevice& device : ListSerialDevices(roots)) {
    const std::string ids = device.vendorId.empty() ? "" : device.vendorId + ":" + device.productId;
    const std::array<std::string, 6> fields = {
        device.path, device.byId, ids, device.product, device.driver, Joined(PortNamesOf(device, settings, roots)),
    };
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) listing += kFieldSeparator;
      listing += Field(fields[i]);
    }
    listing += '\n';
  }
  return listing;
}

}  // namespace varnel::cli
