// GuiOwnerBridge: the link's owner as the worker sees it. Every call that
// touches the window runs synchronously on the GUI thread: a call from
// another thread is posted there as a blocking queued call (the caller
// waits, like for a window message), a call on the GUI thread runs
// directly. Construct and shut it on the GUI thread; the rest, any thread.
#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "link/link_owner.h"

namespace varnel {

class GuiOwnerBridge : public QObject, public LinkOwner {
  Q_OBJECT

 public:
  // `target` is called on the GUI thread only; it outlives the bridge.
  explicit GuiOwnerBridge(LinkOwner& target);
  GuiOwnerBridge(const GuiOwnerBridge&) = delete;
  GuiOwnerBridge& operator=(const GuiOwnerBridge&) = delete;

  void AppendLog(const char* text, LogColour colour) override;
  void BeginProgress(const char* logText, const char* statusText, uint32_t total, uint32_t unit,
                     LogColour colour) override;
  void StepProgress(uint32_t done, uint32_t unit) override;
  void EndProgress(const char* logText, LogColour colour) override;
  void OnLinkBusy() override;
  void OnLoaderReady() override;
  void OnLinkClosed() override;
  void ShowWarning(uint16_t textId) override;
  void OnHandsetAnswered() override;
  void OnConnectEnded(const ConnectOutcome& outcome) override;
  void OnTransferEnded(const TransferOutcome& outcome) override;

  // Answered on the calling thread: the target keeps these values where
  // any thread may read them.
  LoaderPackage* PackageFile() override;
  uint32_t BlockSize() override;

  // GUI thread, before joining a worker: from now on calls from other
  // threads return at once without reaching the target, so the worker can
  // never wait for a GUI thread that waits for it. Calls already on their
  // way are served before Shut returns, except those this thread is serving
  // further up its own stack, which can only end after it returns.
  void Shut();
  // GUI thread, once no worker runs: serve calls again.
  void Reopen();

 private:
  void RunOnGuiThread(const std::function<void()>& call);
  // Runs `pending` on the GUI thread, invoked by name so that every
  // object of the hand-over is Qt's own or ours, never a functor that Qt
  // copies between the threads.
  Q_INVOKABLE void ServePendingCall();

  LinkOwner& target;
  // One call from other threads at a time; held for the whole call.
  std::mutex oneCallAtATime;
  // The call waiting for the GUI thread; written by the caller before it
  // posts the call, read by the GUI thread while the caller waits.
  const std::function<void()>* pending = nullptr;
  std::atomic<bool> shut{false};
  // Calls from other threads between their check of `shut` and their end.
  std::atomic<int> callsUnderway{0};
  // Calls being served on the GUI thread's stack (a modal dialog nests an
  // event loop inside one); GUI thread only.
  int callsInService = 0;
};

}  // namespace varnel
