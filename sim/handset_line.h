// HandsetLine: the handset's end of the cable during one connection. Reads
// and writes the pseudo-terminal master with the handset's own line speed:
// bytes crossing while the program's port runs at another speed are garbled
// both ways. Paces bytes at line rate when asked, records every byte in the
// transcript under the current phase, and notices the program hanging up
// and requests to stop. Used by the handset's thread only.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/line_pacer.h"
#include "sim/pty_master.h"
#include "sim/receive_queue.h"
#include "sim/transcript.h"

namespace varnel::sim {

enum class LineResult {
  kOk,
  kTimeout,      // nothing (or not enough) arrived in time
  kHungUp,       // the program closed its port
  kInterrupted,  // Stop() or PowerCycle() on the handset
  kDropped,      // the handset hangs up itself (fault plan); never returned
                 // by HandsetLine, only by the loader above it
};

using Millis = std::chrono::milliseconds;

// The bytes a USB serial adapter passes to the host in one packet (a
// 64-byte packet less its two status bytes).
inline constexpr size_t kAdapterPacketBytes = 62;

class HandsetLine {
 public:
  // `master`, `record` and `interrupted` outlive the line; `wakeUpFd`
  // becomes readable when `interrupted` is set.
  // `adapterLatency` models a USB serial adapter between the handset and
  // the program: bytes to the program are held until a USB packet's worth
  // has gathered or they have waited that long (zero: no adapter).
  HandsetLine(PtyMaster& master, int wakeUpFd, const std::atomic<bool>& interrupted, Transcript& record, Pacing pacing,
              uint32_t startSpeed, Millis adapterLatency = Millis::zero());
  HandsetLine(const HandsetLine&) = delete;
  HandsetLine& operator=(const HandsetLine&) = delete;

  uint32_t Speed() const { return speed; }
  void SetSpeed(uint32_t bitsPerSecond) {
    speed = bitsPerSecond;
    if (speedMirror != nullptr) speedMirror->store(bitsPerSecond);
  }
  // Keeps `mirror` (which outlives the line) equal to the line speed, for
  // readers on other threads.
  void MirrorSpeedInto(std::atomic<uint32_t>* mirror) { speedMirror = mirror; }
  void SetPhase(Phase newPhase) { phase = newPhase; }

  // Waits until at least one byte is queued, at most `timeout`.
  LineResult WaitForInput(Millis timeout);

  // Reads exactly `count` bytes, all within `timeout`. On kTimeout nothing is
  // taken: the bytes that did arrive stay queued.
  LineResult ReadExact(uint8_t* out, size_t count, Millis timeout);
  LineResult ReadByte(uint8_t* out, Millis timeout);

  // Reads up to and including `terminator`; `line` gets the bytes before it.
  // kTimeout when no terminator arrives in time or within `maxBytes`; the
  // bytes read so far are then dropped (and recorded).
  LineResult ReadLine(uint8_t terminator, size_t maxBytes, Millis timeout, std::string* line);

  // Drops every byte queued now (recorded in the transcript).
  void DiscardInput();

  // Writes all bytes: garbled when the speeds differ, at line rate when
  // pacing. kTimeout when the program does not drain its port for seconds.
  LineResult Write(const uint8_t* data, size_t count);
  LineResult WriteByte(uint8_t byte);

  // Writes like Write but never waits for the program to read: bytes its
  // port has no room for now are lost, as a receiver that is not read loses
  // them, and only the bytes that went out are recorded. `sent` gets their
  // count. For streams without end, which must not stall on a program that
  // stopped reading. kHungUp or kInterrupted as Write; never kTimeout.
  LineResult Spill(const uint8_t* data, size_t count, size_t* sent);

  // Sleeps `duration` unless interrupted; wakes early only for interrupts.
  LineResult Sleep(PaceClock::duration duration);

  // Keeps the line quiet for `duration`: bytes from the program queue up
  // unread. Returns early with kHungUp when the program closes its port,
  // kInterrupted on Stop() or PowerCycle(); kOk otherwise.
  LineResult Pause(PaceClock::duration duration);

 private:
  // Reads what the master holds into the queue, waiting until `deadline`
  // for the first byte.
  LineResult Fill(PaceClock::time_point deadline);
  LineResult WaitUntilDue(size_t index);
  LineResult WriteNow(const uint8_t* data, size_t count);
  // Bytes already recorded and garbled, to the program now.
  LineResult Push(const uint8_t* bytes, size_t count);
  // Sends what the adapter holds once its latency has passed (or at once
  // with `now`); kOk when nothing is due.
  LineResult FlushAdapter(bool now = false);
  // The earlier of `deadline` and the instant the adapter's bytes are due.
  PaceClock::time_point NextWake(PaceClock::time_point deadline) const;
  // `data` as the program receives it (garbled when the speeds differ),
  // and how it arrives.
  Arrival Outgoing(const uint8_t* data, size_t count, uint32_t programSpeed, std::vector<uint8_t>* bytes) const;
  void Take(size_t count, uint8_t* out);

  PtyMaster& pty;
  int wakeFd;
  const std::atomic<bool>& interrupt;
  Transcript& transcript;
  LinePacer pacer;
  ReceiveQueue queue;
  std::vector<uint8_t> readBuffer;  // one read() from the master
  uint32_t speed;
  std::atomic<uint32_t>* speedMirror = nullptr;
  Phase phase = Phase::kBootWait;
  Millis latency;
  std::vector<uint8_t> held;  // in the adapter, on the way to the program
  PaceClock::time_point heldDue{};
};

}  // namespace varnel::sim
