// Names of the transfer kinds, for transcripts and messages.
#include "sim/transfer_kind.h"

namespace varnel::sim {

const char* TransferKindName(TransferKind kind) {
  switch (kind) {
    case TransferKind::kUpload: return "upload";
    case TransferKind::kDump: return "dump";
    case TransferKind::kFlash: return "flash";
  }
  return "unknown";
}

}  // namespace varnel::sim
