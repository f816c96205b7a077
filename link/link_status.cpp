// The status message table.
#include "link/link_status.h"

#include <array>

namespace varnel {
namespace {

struct StatusEntry {
  LinkStatus status;
  const char* message;
};

constexpr std::array<StatusEntry, 13> kMessages = {{
    {kStatusTimeout, "Timeout (%d)"},
    {kStatusWrite, "Write (%d)"},
    {kStatusRead, "Read (%d)"},
    {kStatusQueueSizes, "Setup comm port (%d)"},
    {kStatusAlreadyOpen, "Port already open (%d)"},
    {kStatusCantOpenPort, "Can't open port (%d)"},
    {kStatusCantOpenFile, "Can't open file (%d)"},
    {kStatusReadNull, "Read NULL (%d)"},
    {kStatusWriteNull, "Write NULL (%d)"},
    {kStatusRegionPastBank, "File is too big or Address wrong (%d)"},
    {kStatusRegionBelowBanks, "File is too big or Address wrong (%d)"},
    {kStatusCrcMismatch, "XM CRC Error (%d)"},
    {kStatusNotImplemented, "Command not implemented (%d)"},
}};

constexpr const char* kGenericMessage = "Error (%d)";

}  // namespace

const char* StatusMessage(LinkStatus status) {
  for (const StatusEntry& entry : kMessages) {
    if (entry.status == status) return entry.message;
  }
  return kGenericMessage;
}

}  // namespace varnel
