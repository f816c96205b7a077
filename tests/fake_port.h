// FakePort: a Port in memory on a virtual clock, for tests of the line
// protocol's time-outs and retries that run in microseconds. Time passes
// only when the link sleeps on the port (or the test advances it); bytes
// the test schedules arrive at their time; a byte stream (noise, babble)
// keeps arriving one byte per interval; what the link writes is kept and
// handed to a reply function that may schedule the other end's answer.
// One thread.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "port/port.h"

namespace varnel::testing {

class FakePort : public Port {
 public:
  // Called with every write; may schedule the answer with Arrive.
  using Reply = std::function<void(FakePort& port, const std::vector<uint8_t>& written)>;

  FakePort() { Open("fake", nullptr); }

  // `bytes` arrive `afterMs` from now (in order with earlier ones).
  void Arrive(const std::vector<uint8_t>& bytes, uint32_t afterMs = 0);
  // From now on the bytes of `pattern`, over and over, one every
  // `everyMs`, until StopStream.
  void Stream(const std::vector<uint8_t>& pattern, uint32_t everyMs);
  void StopStream() { streamPattern.clear(); }

  Reply reply;
  // Speeds CanRunAt says yes to (any standard one when empty).
  std::vector<uint32_t> speedsTheDriverTakes;
  // The device refuses the line settings of an open.
  bool refuseLineDefaults = false;

  const std::vector<uint8_t>& Written() const { return written; }
  uint32_t Now() const { return now; }
  uint32_t Baud() const { return format.baud; }

  // ---- Port ----
  bool IsOpen() const override { return open; }
  bool Open(const std::string& /*device*/, std::string* /*reason*/) override { return open = true; }
  bool SetQueueSizes(uint32_t, uint32_t) override { return true; }
  bool ClearEventMask() override { return true; }
  bool ReadTimeouts() override { return true; }
  bool SetNonBlockingTimeouts() override { return true; }
  bool ApplyLineDefaults(uint32_t baud, std::string* reason) override {
    if (refuseLineDefaults)
      *reason = "refused";
    else
      format.baud = baud;
    return !refuseLineDefaults;
  }
  bool CanRunAt(uint32_t baud) override;
  bool GetLineFormat(LineFormat* line) override;
  bool SetLineFormat(const LineFormat& line) override;
  bool Write(const uint8_t* data, uint32_t count, uint32_t* done) override;
  bool Read(uint8_t* buffer, uint32_t count, uint32_t* got) override;
  bool QueuedCount(uint32_t* count) override;
  bool HungUp() const override { return false; }
  void Close() override { open = false; }
  // Moves the clock on to the next arrival, or by `timeoutMs`; at once when
  // bytes became due since the last look.
  void WaitForInput(uint32_t timeoutMs) override;
  void Wake() override { woken = true; }
  uint32_t TickCount() override { return now; }
  void Sleep(uint32_t milliseconds) override { now += milliseconds; }
  // How many waits for input there were: a link that polls makes many.
  uint32_t Waits() const { return waits; }

 private:
  struct Scheduled {
    uint32_t at;
    std::vector<uint8_t> bytes;
  };
  // Moves what is due by now into the queue.
  void Deliver();

  bool open = false;
  uint32_t now = 0;
  LineFormat format;
  std::deque<Scheduled> scheduled;
  std::deque<uint8_t> queue;
  std::vector<uint8_t> streamPattern;
  uint32_t streamEvery = 1;
  uint32_t streamNext = 0;  // when the stream's next byte arrives
  size_t streamAt = 0;      // the next byte of the pattern
  std::vector<uint8_t> written;
  bool woken = false;
  uint32_t waits = 0;
};

}  // namespace varnel::testing
