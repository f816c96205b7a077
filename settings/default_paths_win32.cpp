// Default paths on Windows: the dump file at the root of drive C, where
// users of the handset's tools have always found it.
#include "settings/default_paths.h"

namespace varnel {

std::string DefaultDumpFileName() { return "c:\\dump.bin"; }

}  // namespace varnel
