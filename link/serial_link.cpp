// SerialLink's public face: connect, transfer requests, stop.
#include "link/serial_link.h"

#include "port/serial_port.h"
#include "texts/code_page.h"

namespace varnel {

SerialLink::SerialLink(const Application& application, LinkOwner& linkOwner, LinkTiming timing,
                       std::unique_ptr<Port> linePort)
    : app(application),
      owner(linkOwner),
      port(linePort ? std::move(linePort) : std::make_unique<SerialPort>(app)),
      protocol(application, linkOwner, *port, command, timing) {}

SerialLink::~SerialLink() {
  if (worker.joinable()) {
    Stop();
    Join();
  }
  Close();
}

LinkStatus SerialLink::Connect(const ConnectRequest& connect) {
  Join();  // a previous connection's worker has ended
  const std::string portName = NarrowToCodePage(connect.portName, app.CodePage());
  owner.AppendLog(protocol.line
                      .FormatText(text::kUsingPort, portName.c_str(), static_cast<int>(connect.speed),
                                  static_cast<int>(owner.BlockSize()))
                      .c_str(),
                  kBlack);
  protocol.sender.UseBlockSize(owner.BlockSize());
  const LinkStatus opened = protocol.line.OpenPort(connect.portName.c_str(), kQueueBytes, kQueueBytes);
  if (opened != kStatusOk) return opened;
  owner.ShowWarning(text::kConnectInstructions);
  speed = connect.speed;
  command.store(LinkCommand::Connect);
  worker = std::thread([this] { WorkerLoop(); });
  return kStatusOk;
}

bool SerialLink::IsReady() const { return protocol.line.LoaderActive() && command.load() == LinkCommand::Idle; }

TransferRequestResult SerialLink::RequestTransfer(const TransferRequest& transfer) {
  if (!IsReady()) return TransferRequestResult::NotReady;
  if (transfer.fileName.size() >= kFileNameBytes) return TransferRequestResult::NameTooLong;
  request = transfer;
  // Last: the worker takes the request when it sees the command.
  command.store(transfer.kind == TransferKind::Dump ? LinkCommand::Dump : LinkCommand::Flash);
  port->Wake();
  return TransferRequestResult::Started;
}

void SerialLink::Stop() {
  // A flash, once its blocks are going out, runs to its end unless the
  // user insists: the first stop waits for that end.
  if (!protocol.transfers.HoldStopForFlash()) command.store(LinkCommand::Stop);
  port->Wake();  // a wait under way ends at once
}

void SerialLink::Join() {
  if (worker.joinable() && worker.get_id() != std::this_thread::get_id()) worker.join();
}

void SerialLink::Close() { protocol.commands.ClosePort(); }

}  // namespace varnel
