// Handset: the simulated handset behind a pseudo-terminal, for tests and for
// varnel-sim. Start() runs it on its own thread, serving one connection after
// another (boot ROM, then the loader) until Stop() or destruction. All public
// methods may be called from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "sim/fault_book.h"
#include "sim/fault_plan.h"
#include "sim/flash_image.h"
#include "sim/handset_session.h"
#include "sim/line_pacer.h"
#include "sim/pty_master.h"
#include "sim/slave_link.h"
#include "sim/transcript.h"
#include "sim/wake_pipe.h"

namespace varnel::sim {

// What a closed port does to a running loader.
enum class AfterHangUp {
  kKeepLoader,  // like a phone on an unplugged cable: the loader keeps
                // running at its speed; only 0x13 or PowerCycle() end it
  kPowerOff,    // the next connection starts at the boot ROM again
};

// Whether the transcript keeps connections after they have ended.
enum class TranscriptRetention {
  kKeepAll,      // tests: everything until ClearTranscript()
  kDropWritten,  // varnel-sim: dropped once written to the transcript file
};

struct HandsetOptions {
  std::string flashImagePath;  // empty: in-memory image with the pattern
  std::string linkPath;        // empty: no symbolic link to the slave
  std::string transcriptPath;  // empty: no file; else appended per connection
  Pacing pacing = Pacing::kOff;
  // A USB serial adapter's latency timer on the way to the program (zero:
  // bytes pass at once).
  std::chrono::milliseconds adapterLatency{0};
  AfterHangUp afterHangUp = AfterHangUp::kKeepLoader;
  TranscriptRetention retention = TranscriptRetention::kKeepAll;
  HandsetTiming timing;
  FaultPlan faults;
  // Told the slave's path at Start() and whenever a hang-up fault moves the
  // handset to a new pseudo-terminal; called on the handset's thread then.
  std::function<void(const std::string&)> onSlavePath;
};

enum class StartResult {
  kOk,
  kAlreadyStarted,  // Start() runs once per object
  kNoPty,           // no pseudo-terminal could be opened
  kImageFailed,     // the flash image file could not be opened or made
  kLinkFailed,      // the symbolic link could not be made
};

const char* StartResultText(StartResult result);

class Handset {
 public:
  explicit Handset(HandsetOptions options);
  ~Handset();  // Stop()
  Handset(const Handset&) = delete;
  Handset& operator=(const Handset&) = delete;

  // Opens the image, the pseudo-terminal and the link, then starts serving.
  // On kImageFailed, ImageResult() tells why.
  [[nodiscard]] StartResult Start();
  ImageOpenResult ImageResult() const { return imageResult; }

  // Stops serving, joins the thread, closes the line (the program sees a
  // hang-up) and removes the link. Harmless when not running.
  void Stop();

  // The device the program opens as its serial port.
  std::string SlavePath() const;

  // A copy of everything recorded so far.
  TranscriptData Transcript() const;
  void ClearTranscript();

  // Waits until `condition` holds on the transcript (it is evaluated under
  // the transcript's lock after every change; keep it short). Returns
  // whether it held within `timeout`.
  bool WaitFor(const std::function<bool(const TranscriptData&)>& condition, std::chrono::milliseconds timeout) const;

  // Replaces the fault plan, with fresh budgets, from the next event on.
  void SetFaults(const FaultPlan& plan);

  // Switches the handset off and on: whatever runs is abandoned and the
  // boot ROM starts again at 38400 bit/s.
  void PowerCycle();

  // The mode and line speed as of the handset's last completed step.
  HandsetMode Mode() const { return modeSeen.load(); }
  uint32_t LineSpeed() const { return speedSeen.load(); }

 private:
  void Run();
  bool WaitForProgram();
  LineResult ServeConnection();
  void EndConnection(LineResult result);
  void TakePowerCycle();
  void ReplacePty();
  void PublishSlavePath();
  void WriteTranscriptFile(uint32_t connection);

  HandsetOptions options;
  sim::Transcript transcript;
  FaultBook faults;
  FlashImage image;
  ImageOpenResult imageResult = ImageOpenResult::kOk;
  std::unique_ptr<PtyMaster> pty;
  SlaveLink link;
  WakePipe wake;
  HandsetState state;  // the handset's thread only, once started

  mutable std::mutex pathMutex;
  std::string slavePath;

  std::atomic<bool> stopping{false};
  std::atomic<bool> powerCycle{false};
  std::atomic<bool> interrupt{false};  // stopping or powerCycle asked
  std::atomic<HandsetMode> modeSeen{HandsetMode::kBootRom};
  std::atomic<uint32_t> speedSeen{kBootSpeed};
  bool started = false;
  std::jthread thread;
};

}  // namespace varnel::sim
