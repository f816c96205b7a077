// TracedOwner: a LinkOwner that passes every call on to the real owner and
// records the link's log lines (with their colour) and notices in the line
// trace, in order with the bytes that TracedPort records. When a write to
// the trace's file has failed, the next log line is followed by a grey
// line saying the trace has ended (text kTraceOff).
//
// Threads: the link calls it on the thread that runs the link operation,
// which is the one that may write the trace at that moment (see
// link/line_trace.h); PackageFile and BlockSize, for any thread, only pass
// the call on.
#pragma once

#include "link/line_trace.h"
#include "link/link_owner.h"
#include "texts/application.h"

namespace varnel {

class TracedOwner : public LinkOwner {
 public:
  // `target`, `trace` and `application` outlive this owner.
  TracedOwner(LinkOwner& target, LineTrace& trace, const Application& application);
  TracedOwner(const TracedOwner&) = delete;
  TracedOwner& operator=(const TracedOwner&) = delete;

  void AppendLog(const char* text, LogColour colour) override;
  void BeginProgress(const char* logText, const char* statusText, uint32_t total, uint32_t unit,
                     LogColour colour) override;
  void StepProgress(uint32_t done, uint32_t unit) override { target.StepProgress(done, unit); }
  void EndProgress(const char* logText, LogColour colour) override;
  void OnLinkBusy() override { target.OnLinkBusy(); }
  void OnLoaderReady() override { target.OnLoaderReady(); }
  void OnLinkClosed() override { target.OnLinkClosed(); }
  void ShowWarning(uint16_t textId) override;
  LoaderPackage* PackageFile() override { return target.PackageFile(); }
  uint32_t BlockSize() override { return target.BlockSize(); }
  void OnHandsetAnswered() override { target.OnHandsetAnswered(); }
  void OnConnectEnded(const ConnectOutcome& outcome) override { target.OnConnectEnded(outcome); }
  void OnTransferEnded(const TransferOutcome& outcome) override { target.OnTransferEnded(outcome); }

 private:
  // `text` is in the program's code page; the trace is UTF-8.
  void Record(const char* text, LogColour colour);
  void ReportWriteFailure();

  LinkOwner& target;
  LineTrace& trace;
  const Application& app;
};

}  // namespace varnel
