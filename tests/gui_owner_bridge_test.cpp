// The bridge that carries the worker's calls to the GUI thread: each call
// runs there, in order, while the caller waits; calls on the GUI thread run
// at once; after Shut, calls underway are served and later ones dropped,
// so the GUI thread can join a worker without waiting on itself.
#include <atomic>
#include <thread>

#include "gui/gui_owner_bridge.h"
#include "tests/gui_test_support.h"

namespace varnel::testing {
namespace {

// Records every call with the thread it ran on. GUI thread only, except
// PackageFile and BlockSize.
class ThreadRecordingOwner : public LinkOwner {
 public:
  struct Call {
    std::string name;
    bool onGuiThread;
  };

  void AppendLog(const char* text, LogColour) override { Record(text); }
  void BeginProgress(const char*, const char*, uint32_t, uint32_t, LogColour) override { Record("begin"); }
  void StepProgress(uint32_t, uint32_t) override { Record("step"); }
  void EndProgress(const char*, LogColour) override { Record("end"); }
  void OnLinkBusy() override { Record("busy"); }
  void OnLoaderReady() override { Record("ready"); }
  void OnLinkClosed() override { Record("closed"); }
  void ShowWarning(uint16_t textId) override {
    Record("warning " + std::to_string(textId));
    // Written here, read by the caller once the call has returned.
    warningAnswer = static_cast<int>(textId) * 10;
  }
  void OnTransferEnded(const TransferOutcome& outcome) override {
    Record(std::string("transfer ") + std::to_string(outcome.bytes));
  }
  LoaderPackage* PackageFile() override { return nullptr; }
  uint32_t BlockSize() override { return 2048; }

  std::vector<Call> calls;
  int warningAnswer = 0;

 private:
  void Record(const std::string& name) {
    calls.push_back({name, QThread::currentThread() == QCoreApplication::instance()->thread()});
  }
};

class GuiOwnerBridgeTest : public ::testing::Test {
 protected:
  ThreadRecordingOwner owner;
  GuiOwnerBridge bridge{owner};
};

TEST_F(GuiOwnerBridgeTest, AWorkersCallsRunOnTheGuiThreadInOrderWhileItWaits) {
  std::atomic<bool> done{false};
  int answerSeen = 0;
  uint32_t blockSize = 0;
  std::thread worker([&] {
    bridge.AppendLog("Thread started", kGrey);
    bridge.BeginProgress(nullptr, "Sending...", 100, 4, kGrey);
    bridge.StepProgress(50, 4);
    bridge.EndProgress(nullptr, kBlack);
    bridge.OnLinkBusy();
    bridge.OnLoaderReady();
    bridge.OnTransferEnded(TransferOutcome{TransferKind::Dump, kStatusOk, 2});
    bridge.ShowWarning(6);
    answerSeen = owner.warningAnswer;  // the call has run to its end
    blockSize = bridge.BlockSize();
    bridge.OnLinkClosed();
    done.store(true);
  });
  const bool finished = WaitUntil([&] { return done.load(); });
  worker.join();
  ASSERT_TRUE(finished);
  std::vector<std::string> names;
  for (const auto& call : owner.calls) {
    names.push_back(call.name);
    EXPECT_TRUE(call.onGuiThread) << call.name;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Thread started", "begin", "step", "end", "busy", "ready", "transfer 2",
                                             "warning 6", "closed"}));
  EXPECT_EQ(answerSeen, 60);
  EXPECT_EQ(blockSize, 2048u);
}

TEST_F(GuiOwnerBridgeTest, ACallOnTheGuiThreadRunsAtOnce) {
  bridge.AppendLog("Using COM1", kBlack);
  bridge.ShowWarning(4);
  ASSERT_EQ(owner.calls.size(), 2u);  // without serving any event
  EXPECT_TRUE(owner.calls[0].onGuiThread);
  EXPECT_EQ(owner.warningAnswer, 40);
  bridge.Shut();
  bridge.AppendLog("still direct", kBlack);  // the GUI thread never waits on itself
  EXPECT_EQ(owner.calls.size(), 3u);
}

TEST_F(GuiOwnerBridgeTest, ShutServesTheCallUnderwayAndDropsTheRest) {
  std::atomic<bool> calling{false};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    calling.store(true);
    bridge.AppendLog("underway", kGrey);
    bridge.AppendLog("after the shut", kGrey);
    bridge.ShowWarning(6);  // returns at once instead of waiting
    done.store(true);
  });
  while (!calling.load()) std::this_thread::yield();
  // Give the call time to be posted; whether it was or not, no call may be
  // lost while it waits and none may reach the owner after the shut.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(owner.calls.empty());  // this thread served no event so far
  bridge.Shut();
  worker.join();  // would hang if the worker waited for this thread
  EXPECT_TRUE(done.load());
  QCoreApplication::processEvents();
  ASSERT_LE(owner.calls.size(), 1u);
  if (!owner.calls.empty()) {
    EXPECT_EQ(owner.calls[0].name, "underway");
  }

  // Reopened, the bridge serves a new worker again.
  bridge.Reopen();
  const size_t before = owner.calls.size();
  std::atomic<bool> again{false};
  std::thread next([&] {
    bridge.OnLinkClosed();
    again.store(true);
  });
  const bool served = WaitUntil([&] { return again.load(); });
  next.join();
  ASSERT_TRUE(served);
  ASSERT_EQ(owner.calls.size(), before + 1);
  EXPECT_EQ(owner.calls.back().name, "closed");
}

}  // namespace
}  // namespace varnel::testing
