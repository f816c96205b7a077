// A deliberate data race beside the bridge, for the ThreadSanitizer build
// only: proves that the happens-before hints of the bridge and the
// suppressions for Qt's internals still let a real race in our code be
// reported. Like the link's worker, the racing thread is started from a Qt
// slot; it writes a plain int after its last bridge call, and the GUI thread
// reads it from a timer, through Qt's event dispatch, with no ordering
// between the two. Qt frames are thus on every stack of the report, as they
// are for our real races. CTest expects the sanitizer's report.
#include <QTimer>

#include <atomic>
#include <thread>

#include "gui/gui_owner_bridge.h"
#include "tests/gui_test_support.h"

namespace varnel::testing {
namespace {

class SilentOwner : public LinkOwner {
 public:
  void AppendLog(const char*, LogColour) override {}
  void BeginProgress(const char*, const char*, uint32_t, uint32_t, LogColour) override {}
  void StepProgress(uint32_t, uint32_t) override {}
  void EndProgress(const char*, LogColour) override {}
  void OnLinkBusy() override {}
  void OnLoaderReady() override {}
  void OnLinkClosed() override {}
  void ShowWarning(uint16_t) override {}
  LoaderPackage* PackageFile() override { return nullptr; }
  uint32_t BlockSize() override { return 0; }
};

TEST(TsanCanaryTest, ARaceBesideTheBridgeIsReported) {
  SilentOwner owner;
  GuiOwnerBridge bridge(owner);
  int unprotected = 0;
  // Relaxed on purpose: it tells this thread when to look, without
  // ordering the write before the read.
  std::atomic<bool> written{false};
  std::thread worker;
  QTimer::singleShot(0, [&] {
    worker = std::thread([&] {
      bridge.AppendLog("handed over properly", kGrey);
      unprotected = 1;
      written.store(true, std::memory_order_relaxed);
    });
  });
  ASSERT_TRUE(WaitUntil([&] { return written.load(std::memory_order_relaxed); }));
  int seen = 0;
  QTimer::singleShot(0, [&] { seen = unprotected; });
  ASSERT_TRUE(WaitUntil([&] { return seen == 1; }));
  worker.join();
}

}  // namespace
}  // namespace varnel::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
