// What the link asks for and what it reports back as values: the front
// ends' requests (a connect, a dump or flash of a region with a file) and
// the outcomes of the connect and of each transfer, which the owner is told
// when the command has ended.
#pragma once

#include <cstdint>
#include <string>

#include "format/transfer_kind.h"
#include "link/link_status.h"

namespace varnel {

// A connection: the port as the user named it ("COM1" or a device path)
// and the line speed for the loader after the boot upload.
struct ConnectRequest {
  std::string portName;
  uint32_t speed = 0;
};

// A dump reads `size` bytes of flash from `offset` into `fileName`, with
// `resume` going on from where a file cut off earlier ends (see
// link/dump_resume.h); a flash writes the file `fileName` from `offset`
// (its `size` is only logged) and, with `verify`, reads the region back
// after a flash that succeeded and compares it with the file. The file
// name is in the system's narrow encoding.
struct TransferRequest {
  TransferKind kind = TransferKind::Dump;
  uint32_t offset = 0;
  uint32_t size = 0;
  std::string fileName;
  bool verify = false;
  bool resume = false;
};

// What the read-back after a flash found.
enum class VerifyResult {
  NotRun,      // not asked for, or the flash itself failed
  Match,       // the region holds what the file holds
  Mismatch,    // some bytes differ
  Incomplete,  // the region could not be read back, or the file not read
};

// How a connect command ended.
struct ConnectOutcome {
  bool ready = false;  // the loader runs and takes commands
  bool clean = false;  // no failure was reported on the way (a block sent again is none)
};

// How a dump or flash command ended.
struct TransferOutcome {
  TransferKind kind = TransferKind::Dump;
  // The block transfer's own status, before the loader's closing response:
  // 0 when every block it took on was accepted.
  LinkStatus status = kStatusOk;
  uint32_t bytes = 0;                          // the bytes that got through (a dump's file: all of the region it holds)
  bool confirmed = false;                      // the loader's closing response was 0
  bool clean = false;                          // no failure was reported on the way (a block received again is none)
  VerifyResult verify = VerifyResult::NotRun;  // a flash's read-back
};

}  // namespace varnel
