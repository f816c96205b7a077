// DumpAndFlash: reading a flash region into a file and writing a file into
// flash (unit Serial_XM), with the stop rules that protect the handset: a
// dump stops between blocks; a flash whose blocks are going out holds the
// user's first stop and runs to its end, and a second stop aborts it after
// the block under way.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>
#include <utility>

#include "files/transfer_file.h"
#include "link/block_receiver.h"
#include "link/block_sender.h"
#include "link/link_line.h"
#include "link/link_outcome.h"
#include "link/loader_commands.h"

namespace varnel {

// The image file a flash read, still open, and its stamp when the flash
// opened it.
struct FlashedImage {
  TransferFile file;
  FileStamp stamp;
};

class DumpAndFlash {
 public:
  DumpAndFlash(LinkLine& line, LoaderCommands& commands, BlockSender& sender, BlockReceiver& receiver);

  // Reads `length` bytes of flash from `start` into the file `path`, of
  // which the first `kept` are there already (a resumed dump: the loader
  // is asked for the rest, which is appended to the file, whose length
  // must still be `kept`). A record of the region lies beside the file
  // until it holds the whole region (link/dump_resume.h). The loader's
  // response, or the failure before it; `outcome` (not clean: the worker
  // judges that) tells what moved, its bytes counting `kept`.
  [[nodiscard]] LinkStatus DumpToFile(const char* path, uint32_t start, uint32_t length, TransferOutcome* outcome,
                                      uint32_t kept = 0);
  // The same into `file`, open for writing, which stays open.
  [[nodiscard]] LinkStatus DumpIntoFile(TransferFile& file, uint32_t start, uint32_t length, TransferOutcome* outcome);
  // Writes the file `path` into flash from `start`, in blocks that never
  // cross a sector boundary; as DumpToFile. When `image` is given, it gets
  // the file as it was opened (kept open) and its stamp then, so that what
  // was flashed can be read again and any change to it seen.
  [[nodiscard]] LinkStatus FlashFromFile(const char* path, uint32_t start, TransferOutcome* outcome,
                                         FlashedImage* image = nullptr);

  // Any thread: holds the user's stop when it is the first during a flash
  // under way (its blocks going out), which then runs to its end; true
  // when held. A second stop is not held and aborts the flash after the
  // block under way.
  bool HoldStopForFlash();
  // Worker: whether the last flash held a stop, which is to take effect
  // now that the flash (and its verify) is over; asking clears it.
  bool TakeHeldStop() { return std::exchange(stopHeld, false); }

 private:
  // While it lives, the user's first stop is held (flashStops counts from
  // 0); Release (or the end) ends that and notes whether a stop was held.
  class HeldStops {
   public:
    explicit HeldStops(DumpAndFlash& transfers);
    ~HeldStops();
    HeldStops(const HeldStops&) = delete;
    HeldStops& operator=(const HeldStops&) = delete;
    bool Held() const;
    void Release();

   private:
    DumpAndFlash& transfers;
  };

  // A dump into the file `path`, created (or, with `kept` bytes there,
  // appended to) once the loader has taken the command, or else into
  // `openFile`.
  LinkStatus Dump(const char* path, TransferFile* openFile, uint32_t start, uint32_t length, uint32_t kept,
                  TransferOutcome* outcome);
  // "Time elapsed" since `first`, then, when `bytes` moved, their average
  // rate since the tick `firstTick`.
  void LogElapsed(std::time_t first, uint32_t firstTick, uint32_t bytes);

  LinkLine& line;
  LoaderCommands& commands;
  BlockSender& sender;
  BlockReceiver& receiver;
  // The stops a flash under way has seen, kNoFlashUnderWay between flashes;
  // whether the last flash held one.
  static constexpr int kNoFlashUnderWay = -1;
  std::atomic<int> flashStops{kNoFlashUnderWay};
  bool stopHeld = false;
  std::unique_ptr<uint8_t[]> flashBlock;  // a block's bytes read from the image
};

}  // namespace varnel
