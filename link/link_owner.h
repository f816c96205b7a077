// LinkOwner: what a SerialLink needs from the program that owns it: the log,
// the progress display, the control states, the two notices, the loader
// package and the block size; and what it tells it: the handset answering,
// and how each connect and transfer ended. The main window, the command-line tool and the
// tests each implement it. The link calls every operation on the thread that
// runs the link operation (normally the worker); an implementation that
// shows a window must hand the call to its window thread and wait there.
// The owner outlives the link.
#pragma once

#include <cstdint>

#include "link/link_outcome.h"
#include "texts/log_colour.h"

namespace varnel {

class LoaderPackage;

class LinkOwner {
 public:
  virtual ~LinkOwner() = default;

  // Adds one timestamped line; a text that is blank after trimming adds none.
  virtual void AppendLog(const char* text, LogColour colour) = 0;

  // Shows the progress display for a transfer of `total` units of the
  // caller's choice, the bar moving every `unit` of them (unit is not 0);
  // `logText` may be null.
  virtual void BeginProgress(const char* logText, const char* statusText, uint32_t total, uint32_t unit,
                             LogColour colour) = 0;
  virtual void StepProgress(uint32_t done, uint32_t unit) = 0;
  // Optionally logs a line, then hides the progress display.
  virtual void EndProgress(const char* logText, LogColour colour) = 0;

  // Control states: a transfer runs; the loader is ready; the link ended.
  virtual void OnLinkBusy() = 0;
  virtual void OnLoaderReady() = 0;
  virtual void OnLinkClosed() = 0;

  // Shows the notice with text `textId` and returns when it has closed (or
  // at once when the user chose to hide it).
  virtual void ShowWarning(uint16_t textId) = 0;

  // The loader package, open for the owner's life; null or not open when
  // it could not be opened.
  virtual LoaderPackage* PackageFile() = 0;

  // The transfer block size in bytes (the transfers use its low 16 bits).
  virtual uint32_t BlockSize() = 0;

  // The boot ROM's offer has arrived: the handset answers.
  virtual void OnHandsetAnswered() {}
  // The connect command has ended, ready or not; a connect that fails so
  // that the link ends is followed by OnLinkClosed.
  virtual void OnConnectEnded(const ConnectOutcome& /*outcome*/) {}
  // A dump or flash command has ended.
  virtual void OnTransferEnded(const TransferOutcome& /*outcome*/) {}
};

}  // namespace varnel
