// A link and its worker against the simulated handset on a pseudo-terminal:
// the fixture of the end-to-end tests. Each test gets its own handset,
// flash image file and loader package in a temporary directory.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "link/serial_link.h"
#include "sim/handset.h"
#include "sim/package_builder.h"
#include "tests/test_support.h"
#include "texts/code_page.h"

namespace varnel::testing {

inline constexpr std::chrono::seconds kSessionTimeout{60};
// A stop ends every wait within a fraction of a second; this bound is far
// above that and only keeps a wait that ignores the stop from passing.
inline constexpr std::chrono::seconds kStopBound{5};
inline constexpr uint32_t kImageBankBytes = 0x800000;

class HandsetTest : public ::testing::Test {
 protected:
  HandsetTest() : app("Varnel", kUtf8CodePage, {}) {}
  ~HandsetTest() override { StopLink(); }

  // Writes a package of our own and starts the handset, after ending the
  // link and handset of a session before (a table's previous case) and
  // forgetting what the owner recorded.
  void StartHandset(const sim::FaultPlan& faults = {}, uint32_t stageOne = 600,
                    std::vector<uint32_t> chunks = {5000, 1200}) {
    StopLink();
    handset.reset();
    owner.Clear();
    package = sim::MakeStandInPackage(stageOne, chunks, 7);
    ASSERT_EQ(sim::WritePackageFile((dir / "Varnel.res").string(), package), sim::PackageResult::kOk);
    ASSERT_TRUE(owner.package.Open(dir / "Varnel.res"));
    sim::HandsetOptions options;
    options.flashImagePath = (dir / "flash.img").string();
    options.faults = faults;
    options.timing = timing;
    options.pacing = pacing;
    options.adapterLatency = adapterLatency;
    handset = std::make_unique<sim::Handset>(options);
    ASSERT_EQ(handset->Start(), sim::StartResult::kOk);
  }

  // Opens the port and starts the worker with the connect command.
  void StartLink(uint32_t speed = kUploadSpeed, uint32_t blockSize = 1024) {
    owner.blockSize = blockSize;
    link = std::make_unique<SerialLink>(app, owner, LinkTiming{bootStepLimitMs});
    ASSERT_EQ(link->Connect({handset->SlavePath(), speed}), kStatusOk);
  }

  // Connects and waits until the connect command has ended with its notice
  // (or the link ended).
  void Connect(uint32_t speed = kUploadSpeed, uint32_t blockSize = 1024) {
    int notices = owner.Count("warning 6");
    int closed = owner.Count("closed");
    StartLink(speed, blockSize);
    ASSERT_TRUE(owner.WaitFor("warning 6", notices + 1, kSessionTimeout, closed));
    ASSERT_EQ(owner.Count("closed"), closed) << "the connect failed";
  }

  // Starts a dump or flash and waits until it has ended.
  void Run(TransferKind kind, uint32_t offset, uint32_t size, const std::filesystem::path& file, bool verify = false) {
    int transfers = owner.Count("transfer");
    int closed = owner.Count("closed");
    ASSERT_EQ(link->RequestTransfer({kind, offset, size, file.string(), verify}), TransferRequestResult::Started);
    ASSERT_TRUE(owner.WaitFor("transfer", transfers + 1, kSessionTimeout, closed));
  }

  // Starts a dump or flash without waiting for it.
  void Start(TransferKind kind, uint32_t offset, uint32_t size, const std::filesystem::path& file,
             bool verify = false) {
    ASSERT_EQ(link->RequestTransfer({kind, offset, size, file.string(), verify}), TransferRequestResult::Started);
  }

  void StopLink() {
    if (!link) return;
    link->Stop();
    link->Join();
    link.reset();
  }

  // Flash contents as the handset's image file holds them.
  std::vector<uint8_t> Flash(uint32_t address, uint32_t count) {
    uint32_t offset = address >= kBank2Base ? kImageBankBytes + (address - kBank2Base) : address - kBank1Base;
    std::ifstream image(dir / "flash.img", std::ios::binary);
    image.seekg(offset);
    std::vector<uint8_t> bytes(count);
    image.read(reinterpret_cast<char*>(bytes.data()), count);
    return bytes;
  }

  static std::vector<uint8_t> ReadFile(const std::filesystem::path& path) { return ReadBytes(path); }

  static void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    WriteBytes(path, bytes);
  }

  // The log's texts from the first line equal to `from` on.
  std::vector<std::string> LogFrom(const std::string& from) {
    std::vector<std::string> texts = owner.Texts();
    auto it = std::find(texts.begin(), texts.end(), from);
    return std::vector<std::string>(it, texts.end());
  }

  // Every byte the program sent, in order.
  std::vector<uint8_t> ProgramBytes() {
    std::vector<uint8_t> all;
    for (const sim::LineChunk& chunk : handset->Transcript().chunks) {
      if (chunk.direction == sim::Direction::kFromProgram) {
        all.insert(all.end(), chunk.bytes.begin(), chunk.bytes.end());
      }
    }
    return all;
  }

  // Whether the handset saw `count` disconnects within kStopBound.
  bool Disconnected(uint32_t count = 1) {
    return handset->WaitFor([count](const sim::TranscriptData& d) { return d.stats.disconnects == count; }, kStopBound);
  }

  // Whether the last `kind` transfer on the line got to `blocks` blocks
  // within `limit`.
  bool BlocksUnderWay(TransferKind kind, size_t blocks, std::chrono::milliseconds limit = kSessionTimeout) {
    return handset->WaitFor(
        [=](const sim::TranscriptData& d) {
          const std::vector<sim::TransferRecord> transfers = d.Transfers(kind);
          return !transfers.empty() && transfers.back().blocks.size() >= blocks;
        },
        limit);
  }

  // Waits until the link has closed within `limit`, then for its worker.
  void AwaitClosed(std::chrono::milliseconds limit = kSessionTimeout) {
    ASSERT_TRUE(owner.WaitFor("closed", 1, limit));
    link->Join();
  }

  bool Logged(const std::string& text) { return !LogFrom(text).empty(); }

  TempDir dir;
  Application app;
  RecordingOwner owner;  // outlives the link
  sim::PackageContents package;
  sim::HandsetTiming timing;                    // the handset's patience, for StartHandset
  sim::Pacing pacing = sim::Pacing::kOff;       // line rate, for StartHandset
  std::chrono::milliseconds adapterLatency{0};  // a USB adapter, for StartHandset
  uint32_t bootStepLimitMs = kBootStepLimitMs;  // for StartLink
  std::unique_ptr<sim::Handset> handset;
  std::unique_ptr<SerialLink> link;
};

}  // namespace varnel::testing
