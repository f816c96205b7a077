// WakePipe: a self-pipe that wakes the handset's thread out of poll() when
// another thread asks it to stop or to power-cycle. Notify() from any thread;
// Drain() and ReadFd() on the handset's thread.
#pragma once

#include "files/unique_fd.h"

namespace varnel::sim {

class WakePipe {
 public:
  WakePipe();  // check Valid()
  WakePipe(const WakePipe&) = delete;
  WakePipe& operator=(const WakePipe&) = delete;

  bool Valid() const { return readEnd.Valid() && writeEnd.Valid(); }
  int ReadFd() const { return readEnd.Get(); }

  // Makes ReadFd() readable until the next Drain().
  void Notify();
  void Drain();

 private:
  UniqueFd readEnd;
  UniqueFd writeEnd;
};

}  // namespace varnel::sim
