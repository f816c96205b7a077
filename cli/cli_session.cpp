// A command-line session on the link and its worker: the outcome of the
// connect and of the transfer, as the link tells them, decide the exit
// status.
#include "cli/cli_session.h"

#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "backup/backup_job.h"
#include "backup/restore_job.h"
#include "cli/cli_owner.h"
#include "cli/terminal.h"
#include "files/narrow_path.h"
#include "files/transfer_file.h"
#include "format/loader_package.h"
#include "link/line_trace.h"
#include "link/serial_link.h"
#include "link/traced_owner.h"
#include "link/traced_port.h"
#include "port/serial_port.h"
#include "texts/code_page.h"

namespace varnel::cli {
namespace {

constexpr int64_t kMillisecondsPerSecond = 1000;

// How the connect ended; none when the port did not open, the handset did
// not answer in time or the link ended.
std::optional<ConnectOutcome> Connect(SerialLink& link, CliOwner& owner, const CliOptions& options,
                                      const Application& app) {
  if (link.Connect({options.port, options.speed}) != kStatusOk) return std::nullopt;
  const int64_t waitMs =
      options.waitSeconds < 0 ? CliOwner::kNoTimeLimit : int64_t{options.waitSeconds} * kMillisecondsPerSecond;
  // Wait for the boot ROM's offer only as long as asked, whatever else
  // arrives meanwhile; the connect itself is bounded by the protocol's own
  // time-outs.
  auto answered = [](const CliOwner::Events& e) { return e.closed || e.answered; };
  if (!answered(owner.WaitUntil(answered, waitMs))) {
    char line[text::kTextCapacity + 1];
    std::snprintf(line, sizeof line, app.Text(text::kNoAnswerWithin).c_str(), options.waitSeconds);
    owner.Note(line);
    return std::nullopt;
  }
  auto settled = [](const CliOwner::Events& e) { return e.closed || e.connect.has_value(); };
  const CliOwner::Events events = owner.WaitUntil(settled, CliOwner::kNoTimeLimit);
  if (events.closed) return std::nullopt;
  return events.connect;
}

bool RunTransfer(SerialLink& link, CliOwner& owner, const CliOptions& options, const Application& app) {
  uint64_t expected = options.size;
  if (options.operation == Operation::Flash) {
    // Read as the link reads it. A size that can't be read can't be
    // checked: such a flash is no success.
    std::string reason;
    const TransferFile image = TransferFile::OpenForReading(options.file.c_str(), &reason);
    expected = image.IsOpen() ? image.Size() : std::numeric_limits<uint64_t>::max();
  }
  const TransferKind kind = options.operation == Operation::Dump ? TransferKind::Dump : TransferKind::Flash;
  switch (link.RequestTransfer({kind, options.offset, options.size, options.file, options.verify, options.resume})) {
    case TransferRequestResult::Started: break;
    case TransferRequestResult::NameTooLong: owner.Note(app.Text(text::kFileNameTooLong)); return false;
    case TransferRequestResult::NotReady: return false;
  }
  auto finished = [](const CliOwner::Events& e) { return e.closed || e.transfer.has_value(); };
  const CliOwner::Events events = owner.WaitUntil(finished, CliOwner::kNoTimeLimit);
  // The link may have ended right after the transfer (a stop that waited
  // for a flash): the transfer's outcome is what counts.
  if (!events.transfer) return false;
  const TransferOutcome& outcome = *events.transfer;
  const bool verified = !options.verify || outcome.verify == VerifyResult::Match;
  return outcome.status == kStatusOk && outcome.confirmed && outcome.clean && outcome.bytes >= expected && verified;
}

// The line that the package could not be opened, saying where it was
// looked for when the command line named none.
std::string PackageNotOpened(const CliOptions& options, const Application& app) {
  if (!options.package.empty()) return app.TextWithName(text::kPackageNotOpened, options.package);
  char where[text::kTextCapacity + 1];
  std::snprintf(where, sizeof where, "%s", kLoaderPackageName);
  if (!app.ConfigDir().empty()) {
    std::snprintf(where, sizeof where, app.Text(text::kPackageLookedFor).c_str(), kLoaderPackageName,
                  NarrowToCodePage(NarrowFromPath(app.ConfigDir()), app.CodePage()).c_str());
  }
  char line[text::kTextCapacity + 1];
  std::snprintf(line, sizeof line, app.Text(text::kPackageNotOpened).c_str(), where);
  return line;
}

// Opens the trace the command line asks for, fresh, and names it in full.
// kExitOk when there is none or it is open. A name that is not a trace's
// to take (a symbolic link, a device, a folder; the file the session reads
// or writes, which the trace would eat) is a bad command line: kExitUsage.
// A file that can't be written: kExitFailed. Each reported in red (text
// kTraceOff or kTraceIsProgramFile), the system's reason in grey.
int OpenTrace(LineTrace& trace, CliOwner& owner, const CliOptions& options, const Application& app,
              const std::filesystem::path& package) {
  if (options.trace.empty()) return kExitOk;
  const bool transfers = options.operation == Operation::Dump || options.operation == Operation::Flash;
  for (const std::string& input :
       {transfers ? options.file : std::string(), NarrowFromPath(package), NarrowFromPath(app.SettingsPath())}) {
    if (input.empty() || !SameFile(options.trace.c_str(), input.c_str())) continue;
    owner.AppendLog(app.TextWithName(text::kTraceIsProgramFile, options.trace).c_str(), kRed);
    return kExitUsage;
  }
  std::string reason;
  const bool refused = !TransferFile::MayReplace(options.trace.c_str(), &reason);
  if (!refused && trace.Open(options.trace, TraceStart::Fresh, options.port, &reason)) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(PathFromNarrow(options.trace), error);
    owner.AppendLog(app.TextWithName(text::kTraceFileIs, NarrowFromPath(full)).c_str(), kGrey);
    return kExitOk;
  }
  owner.AppendLog(app.TextWithName(text::kTraceOff, options.trace).c_str(), kRed);
  owner.AppendLog(NarrowToCodePage(reason, app.CodePage()).c_str(), kGrey);
  return refused ? kExitUsage : kExitFailed;
}

// The job of a backup or a restore; none for the other operations.
std::unique_ptr<TransferJob> MakeJob(const CliOptions& options, const Application& app, CliOwner& owner) {
  if (options.operation == Operation::Backup) {
    return std::make_unique<BackupJob>(app, owner, options.file, BackupLine{options.port, options.speed},
                                       options.force ? StartAnew::Yes : StartAnew::No);
  }
  if (options.operation == Operation::Restore) return std::make_unique<RestoreJob>(app, owner, options.file);
  return nullptr;
}

// Runs each transfer of `job` in turn, with one progress line over all of
// them; true when all of it was done.
bool RunJob(SerialLink& link, CliOwner& owner, TransferJob& job) {
  owner.StartJob(static_cast<uint32_t>(job.TotalBytes()));
  bool ok = true;
  while (ok) {
    const std::optional<TransferRequest> next = job.Next();
    if (!next) break;
    const uint32_t endedBefore = owner.Snapshot().transfersEnded;
    if (link.RequestTransfer(*next) != TransferRequestResult::Started) {
      ok = false;
      break;
    }
    auto ended = [&](const CliOwner::Events& e) { return e.closed || e.transfersEnded > endedBefore; };
    const CliOwner::Events events = owner.WaitUntil(ended, CliOwner::kNoTimeLimit);
    ok = events.transfersEnded > endedBefore && job.PartEnded(*events.transfer);
  }
  owner.EndJob();
  return job.Finish() && ok;
}

}  // namespace

int RunSession(const CliOptions& options, const Application& app, std::FILE* stream) {
  DrawProgress draw = IsTerminal(stream) ? DrawProgress::Yes : DrawProgress::No;
  CliOwner owner(app, stream, draw, options.blockSize);
  if (options.operation == Operation::Backup && options.check) {
    return CheckBackup(app, owner, options.file) ? kExitOk : kExitFailed;
  }

  // The argument names the file as the system passes narrow strings.
  const std::filesystem::path package =
      options.package.empty() ? app.ConfigFile(kLoaderPackageName) : PathFromNarrow(options.package);
  // Before the port is touched: a trace asked for and not possible ends
  // the session.
  LineTrace trace;
  if (const int status = OpenTrace(trace, owner, options, app, package); status != kExitOk) return status;
  TracedOwner tracedOwner(owner, trace, app);
  if (!owner.package.Open(package)) {
    owner.Note(PackageNotOpened(options, app));
    return kExitFailed;
  }
  // A job checks what it can before the port is touched.
  const std::unique_ptr<TransferJob> job = MakeJob(options, app, owner);
  if (job && !job->Begin()) {
    if (options.operation == Operation::Backup) owner.Note(app.Text(text::kForceStartsAnew));
    return kExitFailed;
  }
  bool ok = false;
  {
    SerialLink link(app, tracedOwner, {}, std::make_unique<TracedPort>(std::make_unique<SerialPort>(app), trace));
    // Each interrupt stops the link like "Disconnect": a dump is cancelled
    // after its current block, then the loader is disconnected; a flash
    // runs to its end unless interrupted again.
    int stops = 0;
    owner.onTick = [&] {
      for (const int interrupts = InterruptCount(); stops < interrupts; ++stops) {
        if (stops == 0) {
          // The process may not have long (a closed console on Windows):
          // the trace goes to the disk as it is made from now on.
          trace.RequestWriteThrough();
          owner.Note(app.Text(text::kInterrupted));
        }
        link.Stop();
      }
    };
    // A connect that reported a failure on its way (a refused block size,
    // say) still runs the operation, but the session is no success.
    const std::optional<ConnectOutcome> connected = Connect(link, owner, options, app);
    ok = connected && connected->ready;
    const bool transfers = options.operation == Operation::Dump || options.operation == Operation::Flash;
    if (ok && transfers) ok = RunTransfer(link, owner, options, app);
    if (ok && job) ok = RunJob(link, owner, *job);
    ok = ok && connected->clean;
    owner.onTick = nullptr;
    link.Stop();
    link.Join();
    // The worker closes the port as it ends; should it not have, the
    // loader still hears the disconnect.
    link.Close();
  }
  return ok ? kExitOk : kExitFailed;
}

}  // namespace varnel::cli
