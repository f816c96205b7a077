// A command-line session on the link and its worker.
#include "cli/cli_session.h"

#include <cstring>
#include <filesystem>
#include <limits>

#include "texts/code_page.h"
#include "format/working_dir_file.h"
#include "cli/cli_owner.h"
#include "cli/terminal.h"
#include "link/serial_link.h"
#include "link/transfer_file.h"

namespace varnel::cli {
namespace {

constexpr char kPackageName[] = "Varnel.res";
constexpr int64_t kMillisecondsPerSecond = 1000;

// Command-machine report sites after which the connect command ends without
// the loader becoming ready (the link stays open but unusable).
bool EndsConnect(int location) { return location == 111 || location == 117 || location == 124; }
// Flash report sites after which the controls stay locked.
bool EndsFlash(int location) { return location == 228 || location == 232; }

bool Connect(SerialLink& link, CliOwner& owner, const CliOptions& options) {
  link.command.store(kCommandConnect);
  link.StartWorker();
  const int64_t waitMs = options.waitSeconds < 0 ? CliOwner::kNoTimeLimit
                                                 : int64_t{options.waitSeconds} * kMillisecondsPerSecond;
  // Wait for the boot ROM's offer only as long as asked, whatever else
  // arrives meanwhile; the connect itself is bounded by the protocol's own
  // time-outs.
  auto answered = [&](const CliOwner::Events& e) { return e.closed || link.handsetAnswered.load(); };
  owner.WaitUntil(answered, waitMs);
  if (!link.handsetAnswered.load() && !owner.Snapshot().closed) {
    owner.Note("No answer from the handset within " + std::to_string(options.waitSeconds) + " s");
    return false;
  }
  auto settled = [](const CliOwner::Events& e) {
    return e.closed || e.readyCount > 0 || EndsConnect(e.lastBaseLocation);
  };
  CliOwner::Events events = owner.WaitUntil(settled, CliOwner::kNoTimeLimit);
  return events.readyCount > 0 && !events.closed;
}

bool RunTransfer(SerialLink& link, CliOwner& owner, const CliOptions& options) {
  uint64_t expected = options.size;
  if (options.operation == Operation::Flash) {
    // Read as the link reads it. A size that can't be read can't be
    // checked: such a flash is no success.
    std::string reason;
    const TransferFile image = TransferFile::OpenForReading(options.file.c_str(), &reason);
    expected = image.IsOpen() ? image.Size() : std::numeric_limits<uint64_t>::max();
  }
  if (options.file.size() >= kFileNameBytes) {
    owner.Note("The file name is too long");
    return false;
  }
  std::strncpy(link.fileName.get(), options.file.c_str(), kFileNameBytes - 1);
  link.offset = options.offset;
  link.size = options.size;
  int readyBefore = owner.Snapshot().readyCount;
  link.command.store(options.operation == Operation::Dump ? kCommandDump : kCommandFlash);
  auto finished = [&](const CliOwner::Events& e) {
    return e.closed || e.readyCount > readyBefore ||
           (options.operation == Operation::Flash && EndsFlash(e.lastBaseLocation));
  };
  CliOwner::Events events = owner.WaitUntil(finished, CliOwner::kNoTimeLimit);
  return !events.closed && events.readyCount > readyBefore && link.transferStatus == kStatusOk &&
         link.transferredBytes >= expected;
}

}  // namespace

int RunSession(const CliOptions& options, const Application& app, std::FILE* stream) {
  DrawProgress draw = IsTerminal(stream) ? DrawProgress::Yes : DrawProgress::No;
  CliOwner owner(app, stream, draw, options.blockSize);
  // The argument names the file as the system passes narrow strings.
  const std::filesystem::path package =
      options.package.empty() ? WorkingDirFile(kPackageName) : PathFromNarrow(options.package);
  if (!owner.package.Open(package)) {
    const std::string name = options.package.empty() ? kPackageName : options.package;
    owner.Note("Can't open the loader package " + NarrowToCodePage(name, app.CodePage()));
    return kExitFailed;
  }
  bool ok = false;
  {
    SerialLink link(app);
    link.owner = &owner;
    // An interrupt stops the link like "Disconnect": a dump is cancelled
    // after its current block, then the loader is disconnected.
    bool interrupted = false;
    owner.onTick = [&] {
      if (!interrupted && InterruptRequested()) {
        interrupted = true;
        owner.Note("Interrupted");
        link.command.store(kCommandStop);
      }
    };
    link.speed = options.speed;
    owner.AppendLog(link.FormatText(text::kUsingPort, options.port.c_str(),
                                    static_cast<int>(options.speed),
                                    static_cast<int>(options.blockSize)).c_str(), kBlack);
    if (link.OpenPort(options.port.c_str(), kQueueBytes, kQueueBytes) != kStatusOk) {
      return kExitFailed;
    }
    owner.ShowWarning(text::kConnectInstructions);
    ok = Connect(link, owner, options);
    if (ok && options.operation != Operation::Connect) ok = RunTransfer(link, owner, options);
    owner.onTick = nullptr;
    link.command.store(kCommandStop);
    link.JoinWorker();
    if (!owner.Snapshot().closed) {
      // The worker may have ended by itself without closing (it never
      // does today); make sure the loader hears the disconnect.
      link.ClosePort();
    }
  }
  ok = ok && !owner.Snapshot().failed;
  return ok ? kExitOk : kExitFailed;
}

}  // namespace varnel::cli
