// SerialLinkTestAccess: puts a SerialLink into the states its worker would
// leave it in, for the window's tests that run without a handset or worker.
#pragma once

#include "link/serial_link.h"

namespace varnel {

class SerialLinkTestAccess {
 public:
  // The loader runs (or not) and the worker idles, as after a connect.
  static void SetState(SerialLink& link, bool loaderActive, LinkCommand command) {
    link.protocol.line.SetLoaderActive(loaderActive);
    link.command.store(command);
  }
  // The worker takes up the command it was handed.
  static void TakeCommand(SerialLink& link) { link.command.store(LinkCommand::Idle); }
};

}  // namespace varnel
