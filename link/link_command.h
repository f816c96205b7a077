// LinkCommand: what the worker does next. The link writes it (after the
// transfer's parameters, for a dump or flash); the worker reads it once per
// loop turn.
#pragma once

#include <cstdint>

namespace varnel {

enum class LinkCommand : uint32_t {
  Connect = 1,  // wait for the handset's first byte, then connect
  Dump = 2,
  Flash = 3,
  Stop = 6,  // end the worker and close the port
  Idle = 7,  // read and drop what arrives
};

}  // namespace varnel
