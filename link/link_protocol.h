// LinkProtocol: every operation the link makes on the line, below its
// worker, as the pieces that make it up: the line itself (port operations,
// reports, stop flags), the loader's command packets, the block sender and
// receiver, the boot upload, and dump and flash. Each piece returns a
// LinkStatus (0 = success) from its operations; a failure is reported where
// it is found, in red as "message (unit:location)", and again by each
// caller that passes it up. Each piece uses only the public faces of those
// below it. Owner, port and command outlive it.
#pragma once

#include <atomic>

#include "link/block_receiver.h"
#include "link/block_sender.h"
#include "link/boot_upload.h"
#include "link/dump_and_flash.h"
#include "link/link_command.h"
#include "link/link_line.h"
#include "link/link_owner.h"
#include "link/loader_commands.h"
#include "port/port.h"
#include "texts/application.h"

namespace varnel {

struct LinkProtocol {
  // `command` is the worker's; a stop written there ends the waits.
  LinkProtocol(const Application& application, LinkOwner& owner, Port& port, const std::atomic<LinkCommand>& command,
               LinkTiming timing = {})
      : line(application, owner, port, command),
        commands(line),
        sender(line, commands),
        receiver(line, commands),
        boot(line, owner, commands, sender, timing),
        transfers(line, commands, sender, receiver) {}
  LinkProtocol(const LinkProtocol&) = delete;
  LinkProtocol& operator=(const LinkProtocol&) = delete;

  LinkLine line;
  LoaderCommands commands;
  BlockSender sender;
  BlockReceiver receiver;
  BootUpload boot;
  DumpAndFlash transfers;
};

}  // namespace varnel
