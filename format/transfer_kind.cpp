// Names of the transfer kinds.
#include "format/transfer_kind.h"

namespace varnel {

const char* TransferKindName(TransferKind kind) {
  switch (kind) {
    case TransferKind::Upload: return "upload";
    case TransferKind::Dump: return "dump";
    case TransferKind::Flash: return "flash";
  }
  return "unknown";
}

}  // namespace varnel
