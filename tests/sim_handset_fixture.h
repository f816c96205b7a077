// SimHandsetTest: the fixture of the simulated handset's own tests. A
// handset with short time-outs, the program's side spoken by hand over its
// pseudo-terminal, a temporary directory for its image, link and transcript
// files, and the blocks a fresh flash image gives a dump.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "format/wire_format.h"
#include "sim/flash_layout.h"
#include "sim/hand_program.h"
#include "sim/handset.h"
#include "tests/test_support.h"

namespace varnel::sim {

inline constexpr std::chrono::milliseconds kQuiet{300};    // long enough to tell "nothing came"
inline constexpr std::chrono::milliseconds kSettle{2000};  // bound of every wait on the handset

class SimHandsetTest : public ::testing::Test {
 protected:
  SimHandsetTest() {
    options.timing.offerInterval = std::chrono::milliseconds(100);
    options.timing.answerTimeout = std::chrono::milliseconds(1000);
    options.timing.lineTimeout = std::chrono::milliseconds(2000);
  }
  ~SimHandsetTest() override {
    program.Close();
    handset.reset();  // removes its link before the directory goes
  }

  // Starts a handset with `options` and `faults` (ending one started
  // before) and opens the program's side at the boot speed.
  void Start(const FaultPlan& faults = {}) {
    program.Close();
    handset.reset();
    options.faults = faults;
    handset = std::make_unique<Handset>(options);
    ASSERT_EQ(handset->Start(), StartResult::kOk);
    ASSERT_TRUE(program.Open(handset->SlavePath(), kBootSpeed));
  }

  void StartConnected(const FaultPlan& faults, uint32_t blockSize) {
    Start(faults);
    ASSERT_TRUE(program.Connect(blockSize));
  }

  bool Write(const std::vector<uint8_t>& bytes) { return program.Port().Write(bytes); }
  std::optional<uint8_t> Next(std::chrono::milliseconds wait = kSettle) { return program.ReadByte(wait); }
  bool Await(const std::function<bool(const TranscriptData&)>& condition) {
    return handset->WaitFor(condition, kSettle);
  }

  TransferRecord LastTransfer() {
    std::vector<TransferRecord> transfers = handset->Transcript().transfers;
    return transfers.empty() ? TransferRecord{} : transfers.back();
  }

  HandsetOptions options;  // timing, files and faults, for Start
  varnel::testing::TempDir dir;
  std::unique_ptr<Handset> handset;
  HandProgram program;
};

// A fault plan with one fault: `With(&FaultPlan::lostAck, {3, 1})`.
template <typename T>
FaultPlan With(T FaultPlan::*fault, std::type_identity_t<T> value) {
  FaultPlan plan;
  plan.*fault = value;
  return plan;
}

inline std::vector<uint8_t> Data(size_t count, uint8_t seed) {
  std::vector<uint8_t> bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
  return bytes;
}

// `count` bytes of a fresh image's flash from `address`.
inline std::vector<uint8_t> FreshBytes(uint32_t address, uint32_t count) {
  std::vector<uint8_t> bytes;
  for (uint32_t i = 0; i < count; ++i) bytes.push_back(PatternByte(address + i));
  return bytes;
}

// A block as the loader sends it from a fresh image: `count` flash bytes
// from `address` under `number`, with their CRC.
inline std::vector<uint8_t> FreshBlock(uint16_t number, uint32_t address, uint32_t count) {
  return HandProgram::Block(number, FreshBytes(address, count));
}

}  // namespace varnel::sim
