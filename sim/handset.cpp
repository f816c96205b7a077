// The handset's thread: waits for the program to open the port, runs the
// boot ROM or the loader on each connection, and applies what a hang-up,
// a power cycle or a dropped line does to the handset's state.
#include "sim/handset.h"

#include <poll.h>

#include <fstream>

#include "sim/boot_rom.h"
#include "sim/loader.h"

namespace varnel::sim {

namespace {

// How often an idle handset looks whether the program opened the port.
constexpr auto kOpenPollInterval = std::chrono::milliseconds(5);
// How often the switched-off handset wakes while the port stays open.
constexpr Millis kOffSlice{1000};

}  // namespace

const char* StartResultText(StartResult result) {
  switch (result) {
    case StartResult::kOk: return "ok";
    case StartResult::kAlreadyStarted: return "the handset was started before";
    case StartResult::kNoPty: return "can't open a pseudo-terminal";
    case StartResult::kImageFailed: return "can't use the flash image file";
    case StartResult::kLinkFailed: return "can't make the link to the port";
  }
  return "unknown";
}

const char* HandsetModeName(HandsetMode mode) {
  switch (mode) {
    case HandsetMode::kBootRom: return "boot ROM";
    case HandsetMode::kLoader: return "loader";
    case HandsetMode::kOff: return "off";
  }
  return "unknown";
}

Handset::Handset(HandsetOptions chosen) : options(std::move(chosen)), link(options.linkPath) {}

Handset::~Handset() { Stop(); }

StartResult Handset::Start() {
  if (started) return StartResult::kAlreadyStarted;
  if (!options.flashImagePath.empty()) {
    imageResult = FlashImage::OpenFile(options.flashImagePath, &image);
    if (imageResult != ImageOpenResult::kOk) return StartResult::kImageFailed;
  }
  pty = std::make_unique<PtyMaster>();
  if (!pty->IsOpen() || !wake.Valid()) return StartResult::kNoPty;
  if (link.PointAt(pty->SlavePath()) != LinkResult::kOk) {
    return StartResult::kLinkFailed;
  }
  faults.Set(options.faults);
  started = true;
  PublishSlavePath();
  thread = std::jthread([this] { Run(); });
  return StartResult::kOk;
}

void Handset::Stop() {
  if (!thread.joinable()) return;
  stopping = true;
  interrupt = true;
  wake.Notify();
  thread.join();
  link.Remove();
  pty->Close();
}

std::string Handset::SlavePath() const {
  std::lock_guard lock(pathMutex);
  return slavePath;
}

TranscriptData Handset::Transcript() const { return transcript.Snapshot(); }

void Handset::ClearTranscript() { transcript.Clear(); }

bool Handset::WaitFor(const std::function<bool(const TranscriptData&)>& condition,
                      std::chrono::milliseconds timeout) const {
  return transcript.WaitFor(condition, timeout);
}

void Handset::SetFaults(const FaultPlan& plan) { faults.Set(plan); }

void Handset::PowerCycle() {
  powerCycle = true;
  interrupt = true;
  wake.Notify();
}

void Handset::Run() {
  while (WaitForProgram()) {
    EndConnection(ServeConnection());
  }
}

bool Handset::WaitForProgram() {
  while (!stopping.load()) {
    TakePowerCycle();
    if (pty->SlaveOpen()) return true;
    pollfd wakeUp{wake.ReadFd(), POLLIN, 0};
    ::poll(&wakeUp, 1, static_cast<int>(kOpenPollInterval.count()));
  }
  return false;
}

void Handset::TakePowerCycle() {
  // Drain first: a request arriving after the drain leaves the pipe
  // readable and the flag set, so it is never lost.
  wake.Drain();
  interrupt = stopping.load();
  if (powerCycle.exchange(false)) {
    state = HandsetState{};
    modeSeen = state.mode;
    speedSeen = state.speed;
  }
}

LineResult Handset::ServeConnection() {
  transcript.Update([](TranscriptData& d) { ++d.stats.connections; });
  HandsetLine line(*pty, wake.ReadFd(), interrupt, transcript, options.pacing, state.speed, options.adapterLatency);
  line.MirrorSpeedInto(&speedSeen);
  HandsetSession session{line, state, faults, transcript, image, options.timing};
  LineResult result = LineResult::kOk;
  while (result == LineResult::kOk) {
    switch (state.mode) {
      case HandsetMode::kBootRom: result = RunBootRom(session); break;
      case HandsetMode::kLoader: result = RunLoader(session); break;
      case HandsetMode::kOff:
        // A program that closes the port and opens it again at once may do
        // so between two polls, unseen as a hang-up; its port's return to
        // the boot speed tells the handset it was switched on again.
        if (pty->ProgramSpeed() == kBootSpeed && state.speed != kBootSpeed) {
          state = HandsetState{};
          line.SetSpeed(state.speed);
          break;
        }
        line.SetPhase(Phase::kOff);
        result = line.WaitForInput(kOffSlice);
        if (result == LineResult::kOk) line.DiscardInput();
        break;
    }
    // A program that went quiet mid-dialogue, or stopped reading: the boot
    // ROM starts over, the loader waits for the next packet.
    if (result == LineResult::kTimeout) result = LineResult::kOk;
    modeSeen = state.mode;
    speedSeen = state.speed;
    if (result == LineResult::kInterrupted && !stopping.load()) {
      TakePowerCycle();
      result = LineResult::kOk;
    }
  }
  return result;
}

void Handset::EndConnection(LineResult result) {
  uint32_t connection = transcript.Snapshot().stats.connections;
  if (result == LineResult::kHungUp) {
    // Drop what either side left queued before the program can reopen
    // the port and write again.
    pty->Flush();
    transcript.Update([](TranscriptData& d) { ++d.stats.programHangUps; });
    bool keep = state.mode == HandsetMode::kLoader && options.afterHangUp == AfterHangUp::kKeepLoader;
    if (!keep) state = HandsetState{};
  } else if (result == LineResult::kDropped) {
    state = HandsetState{};
    ReplacePty();
    // Counted once the new device is in place, for those who wait on it.
    transcript.Update([](TranscriptData& d) { ++d.stats.lineDrops; });
  }
  modeSeen = state.mode;
  speedSeen = state.speed;
  WriteTranscriptFile(connection);
}

void Handset::ReplacePty() {
  // The new pseudo-terminal is opened while the old one still holds its
  // number, so the two never share a device name. Closing the old master
  // is what the program sees as the hang-up.
  auto fresh = std::make_unique<PtyMaster>();
  pty->Close();
  pty = std::move(fresh);
  if (pty->IsOpen()) {
    [[maybe_unused]] LinkResult linked = link.PointAt(pty->SlavePath());
  }
  PublishSlavePath();
}

void Handset::PublishSlavePath() {
  std::string path = pty->SlavePath();
  {
    std::lock_guard lock(pathMutex);
    slavePath = path;
  }
  if (options.onSlavePath) options.onSlavePath(path);
}

void Handset::WriteTranscriptFile(uint32_t connection) {
  if (options.transcriptPath.empty()) return;
  {
    std::ofstream out(options.transcriptPath, std::ios::app);
    out << FormatTranscript(transcript.Snapshot(), connection);
  }
  if (options.retention == TranscriptRetention::kDropWritten) {
    transcript.Clear();
  }
}

}  // namespace varnel::sim
