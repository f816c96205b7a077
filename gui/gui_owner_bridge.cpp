// GuiOwnerBridge: blocking queued calls with explicit happens-before edges,
// and the shut-down hand-shake that lets the GUI thread join a worker.
#include "gui/gui_owner_bridge.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <thread>

#include "gui/tsan_annotations.h"

namespace varnel {
namespace {

constexpr char kServeMethod[] = "ServePendingCall";

}  // namespace

GuiOwnerBridge::GuiOwnerBridge(LinkOwner& owner) : target(owner) {}

void GuiOwnerBridge::RunOnGuiThread(const std::function<void()>& call) {
  if (QThread::currentThread() == thread()) {
    call();
    return;
  }
  // Counted before `shut` is read, and Shut() sets `shut` before it reads
  // the count (both sequentially consistent): either this call sees the
  // shut, or Shut() sees this call underway and serves it.
  callsUnderway.fetch_add(1);
  if (!shut.load()) {
    const std::lock_guard<std::mutex> one(oneCallAtATime);
    pending = &call;
    // Everything this thread did so far, the call's arguments included,
    // happens before the call runs; everything the call did happens
    // before this thread goes on.
    TsanRelease(&pending);
    QMetaObject::invokeMethod(this, kServeMethod, Qt::BlockingQueuedConnection);
    TsanAcquire(&pending);
  }
  callsUnderway.fetch_sub(1);
}

void GuiOwnerBridge::ServePendingCall() {
  TsanAcquire(&pending);
  ++callsInService;
  (*pending)();
  --callsInService;
  TsanRelease(&pending);
}

void GuiOwnerBridge::Shut() {
  shut.store(true);
  while (callsUnderway.load() > callsInService) {
    // A call counted but not yet posted shows up on a later turn.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    std::this_thread::yield();
  }
}

void GuiOwnerBridge::Reopen() { shut.store(false); }

void GuiOwnerBridge::AppendLog(const char* text, LogColour colour) {
  RunOnGuiThread([&] { target.AppendLog(text, colour); });
}

void GuiOwnerBridge::BeginProgress(const char* logText, const char* statusText, uint32_t total, uint32_t unit,
                                   LogColour colour) {
  RunOnGuiThread([&] { target.BeginProgress(logText, statusText, total, unit, colour); });
}

void GuiOwnerBridge::StepProgress(uint32_t done, uint32_t unit) {
  RunOnGuiThread([&] { target.StepProgress(done, unit); });
}

void GuiOwnerBridge::EndProgress(const char* logText, LogColour colour) {
  RunOnGuiThread([&] { target.EndProgress(logText, colour); });
}

void GuiOwnerBridge::OnLinkBusy() {
  RunOnGuiThread([&] { target.OnLinkBusy(); });
}

void GuiOwnerBridge::OnLoaderReady() {
  RunOnGuiThread([&] { target.OnLoaderReady(); });
}

void GuiOwnerBridge::OnLinkClosed() {
  RunOnGuiThread([&] { target.OnLinkClosed(); });
}

void GuiOwnerBridge::ShowWarning(uint16_t textId) {
  RunOnGuiThread([&] { target.ShowWarning(textId); });
}

void GuiOwnerBridge::OnHandsetAnswered() {
  RunOnGuiThread([&] { target.OnHandsetAnswered(); });
}

void GuiOwnerBridge::OnConnectEnded(const ConnectOutcome& outcome) {
  RunOnGuiThread([&] { target.OnConnectEnded(outcome); });
}

void GuiOwnerBridge::OnTransferEnded(const TransferOutcome& outcome) {
  RunOnGuiThread([&] { target.OnTransferEnded(outcome); });
}

LoaderPackage* GuiOwnerBridge::PackageFile() { return target.PackageFile(); }

uint32_t GuiOwnerBridge::BlockSize() { return target.BlockSize(); }

}  // namespace varnel
