// varnel-bench: throughput of dumps and flashes through the simulated
// handset at line rate and the CPU they cost, the boot upload of a 64 KiB
// stage one against the line's floor, what a USB adapter's latency timer
// costs, the CPU an idle connection costs, and the peak memory of
// varnel-cli during 8 MiB transfers; with --backup instead, a whole backup
// of the handset at 460800 bit/s and what an interruption costs it. The
// handset runs as its own process (varnel-sim), so the figures are the
// program's alone.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "format/loader_package.h"
#include "format/srecord_format.h"
#include "link/serial_link.h"
#include "sim/package_builder.h"
#include "texts/code_page.h"

namespace varnel::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kMiB = 1 << 20;
constexpr uint32_t kBitsPerByte = 10;  // start, 8 data bits, stop
constexpr std::chrono::seconds kWait{300};
constexpr std::chrono::milliseconds kReconnectPause{300};
constexpr uint32_t kLargestStageOne = 0xFFFF;   // the package's 16-bit length
constexpr uint32_t kAdapterBytes = 256 * 1024;  // per transfer in the adapter table

// An owner that only counts what the worker reports.
class BenchOwner : public LinkOwner {
 public:
  void AppendLog(const char* text, LogColour colour) override {
    if (colour == kRed) std::fprintf(stderr, "  report: %s\n", text);
  }
  // Times the boot upload: from its "Sending..." bar to the bar's end.
  void BeginProgress(const char*, const char* statusText, uint32_t, uint32_t, LogColour) override {
    if (statusText == nullptr || sendingText != statusText) return;
    std::lock_guard<std::mutex> lock(mutex);
    sendingStart = Clock::now();
    sending = true;
  }
  void StepProgress(uint32_t, uint32_t) override {}
  void EndProgress(const char*, LogColour) override {
    std::lock_guard<std::mutex> lock(mutex);
    if (!sending) return;
    sending = false;
    uploadSeconds = std::chrono::duration<double>(Clock::now() - sendingStart).count();
  }
  // The last boot upload's seconds; negative before one has ended.
  double UploadSeconds() {
    std::lock_guard<std::mutex> lock(mutex);
    return uploadSeconds;
  }
  void OnLinkBusy() override {}
  void OnLoaderReady() override { Signal(&ready); }
  void OnLinkClosed() override { Signal(&closed); }
  void OnTransferEnded(const TransferOutcome& outcome) override {
    std::lock_guard<std::mutex> lock(mutex);
    lastTransfer = outcome;
    ++transfers;
    changed.notify_all();
  }
  // Waits until `count` transfers have ended; false when the link ended.
  bool WaitTransfers(int count) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, kWait, [&] { return transfers >= count || closed > 0; }) && closed == 0;
  }
  int Transfers() {
    std::lock_guard<std::mutex> lock(mutex);
    return transfers;
  }
  TransferOutcome LastTransfer() {
    std::lock_guard<std::mutex> lock(mutex);
    return lastTransfer;
  }
  void ShowWarning(uint16_t) override {}
  LoaderPackage* PackageFile() override { return &package; }
  uint32_t BlockSize() override { return blockSize; }

  bool WaitReady(int count) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, kWait, [&] { return ready >= count || closed > 0; }) && closed == 0;
  }
  LoaderPackage package;
  uint32_t blockSize = 1024;
  std::string sendingText;

 private:
  void Signal(int* counter) {
    std::lock_guard<std::mutex> lock(mutex);
    ++*counter;
    changed.notify_all();
  }
  std::mutex mutex;
  std::condition_variable changed;
  int ready = 0;
  int closed = 0;
  int transfers = 0;
  TransferOutcome lastTransfer;
  bool sending = false;
  Clock::time_point sendingStart;
  double uploadSeconds = -1;
};

// Whether a child's log (its standard error) is shown.
enum class ChildLog { Shown, Hidden };

// A child process, killed and reaped when the object goes.
class Child {
 public:
  explicit Child(const std::vector<std::string>& args, ChildLog log = ChildLog::Shown) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (log == ChildLog::Hidden) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  void Interrupt() { ::kill(pid, SIGINT); }
  ~Child() {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  // Waits for the end; returns the exit status and the peak resident size.
  int Wait(long* maxResidentKiB) {
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    pid = -1;
    *maxResidentKiB = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid = -1;
};

bool WaitForPath(const std::filesystem::path& path) {
  for (int i = 0; i < 500 && !std::filesystem::exists(path); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return std::filesystem::exists(path);
}

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Session {
  Session(const Application& app, const std::filesystem::path& device, const std::filesystem::path& package,
          uint32_t speed, uint32_t blockSize)
      : link(app, owner) {
    owner.package.Open(package);
    owner.blockSize = blockSize;
    owner.sendingText = app.Text(text::kSending);
    const auto start = Clock::now();
    ok = link.Connect({device.string(), speed}) == kStatusOk && owner.WaitReady(1);
    connectSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  }
  ~Session() {
    link.Stop();
    link.Join();
    // Like a user switching the phone on again: give the handset a moment
    // to see the disconnect before the next session opens the port.
    std::this_thread::sleep_for(kReconnectPause);
  }
  // Runs a dump or flash; returns its seconds, or a negative value, and
  // sets `cpuShare` to the CPU this process used meanwhile, in cores.
  double Run(TransferKind kind, uint32_t offset, uint32_t size, const std::string& file, double* cpuShare = nullptr) {
    if (!ok) return -1;
    const int transfers = owner.Transfers();
    const double cpuBefore = CpuSeconds();
    auto start = Clock::now();
    if (link.RequestTransfer({kind, offset, size, file}) != TransferRequestResult::Started) return -1;
    const bool ended = owner.WaitTransfers(transfers + 1);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (cpuShare != nullptr) *cpuShare = (CpuSeconds() - cpuBefore) / seconds;
    const TransferOutcome outcome = owner.LastTransfer();
    if (!ended || outcome.status != kStatusOk || !outcome.confirmed || outcome.bytes < size) return -1;
    return seconds;
  }

  BenchOwner owner;
  SerialLink link;
  bool ok = false;
  double connectSeconds = -1;
};

// A paced handset of its own on `dir`/`name`, with `extra` switches.
std::vector<std::string> SimArgs(const std::filesystem::path& dir, const std::string& name,
                                 std::vector<std::string> extra) {
  std::vector<std::string> args = {VARNEL_SIM_PATH,       "--flash", (dir / (name + ".img")).string(), "--link",
                                   (dir / name).string(), "--pace"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// The shortest the boot upload of `stageOne` can take at 115200 bit/s:
// every record as sent (ended by a bare LF), one "." for each, and the
// response byte, at line rate.
double UploadFloorSeconds(const std::vector<uint8_t>& stageOne) {
  std::vector<char> text(SRecordTextLength(static_cast<uint32_t>(stageOne.size())));
  const uint32_t length = FormatSRecords(stageOne.data(), text.data(), static_cast<uint32_t>(stageOne.size()));
  uint64_t bytes = 1;  // the response
  for (uint32_t i = 0; i < length; ++i) {
    if (text[i] == '\r' && i + 1 < length && text[i + 1] == '\n') continue;  // sent as LF only
    bytes += text[i] == '\n' ? 2 : 1;  // the LF, and the "." that answers the record
  }
  return static_cast<double>(bytes) * kBitsPerByte / kUploadSpeed;
}

double Ratio(double floor, double measured) { return measured > 0 ? floor / measured : 0.0; }

// The seconds `varnel-cli backup` takes into `folder` at 460800 bit/s with
// 8 KiB blocks against the paced handset at `tty`; with `cutAt`, the run
// is interrupted once bank1.bin holds that many bytes and started again,
// and the seconds are those of both runs. Negative when a run failed.
double BackupSeconds(const std::filesystem::path& tty, const std::filesystem::path& package,
                     const std::filesystem::path& folder, uintmax_t cutAt = 0) {
  const std::vector<std::string> args = {VARNEL_CLI_PATH,  "--port",  tty.string(),   "--package",
                                         package.string(), "--speed", "460800",       "--block",
                                         "8192",           "backup",  folder.string()};
  const auto start = Clock::now();
  long peak = 0;
  if (cutAt > 0) {
    Child cut(args, ChildLog::Hidden);
    std::error_code error;
    while (std::filesystem::file_size(folder / "bank1.bin", error) < cutAt || error) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    cut.Interrupt();
    if (cut.Wait(&peak) != 1) return -1;
    // The handset is switched off and on again by the disconnect.
    std::this_thread::sleep_for(kReconnectPause);
  }
  Child run(args, ChildLog::Hidden);
  if (run.Wait(&peak) != 0) return -1;
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A whole backup at 460800 bit/s against the line's limit, and what an
// interruption half-way through bank 1 costs the backup that goes on.
int BackupFigures(const std::filesystem::path& dir, const std::filesystem::path& package) {
  constexpr double kBackupBytes = 16.0 * kMiB;
  const double floor = kBackupBytes * kBitsPerByte / 460800;
  Child sim(SimArgs(dir, "ttyB", {}), ChildLog::Hidden);
  if (!WaitForPath(dir / "ttyB")) return 1;
  const double whole = BackupSeconds(dir / "ttyB", package, dir / "whole");
  std::printf("Whole backup (16 MiB) at 460800 bit/s: %.1f s, floor %.1f s, efficiency %.3f\n", whole, floor,
              Ratio(floor, whole));
  std::fflush(stdout);
  const double resumed = BackupSeconds(dir / "ttyB", package, dir / "resumed", 4 * kMiB);
  std::printf("Interrupted at half of bank 1 and gone on with: %.1f s, %.2f%% over the whole backup\n", resumed,
              whole > 0 && resumed > 0 ? (resumed / whole - 1) * 100 : 0.0);
  return 0;
}

int Main(int argc, char** argv) {
  const bool backupOnly = argc > 1 && std::strcmp(argv[1], "--backup") == 0;
  uint32_t size = kMiB;
  if (argc > 1 && !backupOnly) size = static_cast<uint32_t>(std::stoul(argv[1], nullptr, 0));
  std::filesystem::path dir = std::filesystem::temp_directory_path() / ("varnel-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::path package = dir / "Varnel.res";
  std::filesystem::path largePackage = dir / "Varnel64.res";
  const sim::PackageContents large = sim::MakeStandInPackage(kLargestStageOne, {3000}, 1);
  if (sim::WritePackageFile(package.string(), sim::MakeStandInPackage(600, {3000}, 1)) != sim::PackageResult::kOk ||
      sim::WritePackageFile(largePackage.string(), large) != sim::PackageResult::kOk) {
    return 1;
  }
  if (backupOnly) {
    const int result = BackupFigures(dir, package);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return result;
  }
  std::vector<uint8_t> image(std::max(size, 8 * kMiB));
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 13 + (i >> 11));
  std::ofstream(dir / "image.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(size));
  std::ofstream(dir / "image8.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(8 * kMiB));
  Application app("Varnel", kUtf8CodePage, {});

  std::printf("| speed (bit/s) | block (bytes) | dump efficiency | flash efficiency | dump CPU | flash CPU |\n");
  std::printf("| --- | --- | --- | --- | --- | --- |\n");
  {
    Child sim(SimArgs(dir, "tty", {}));
    if (!WaitForPath(dir / "tty")) return 1;
    for (uint32_t speed : {115200u, 460800u}) {
      for (uint32_t block : {1024u, 2048u, 4096u, 8192u}) {
        Session session(app, dir / "tty", package, speed, block);
        double rate = speed / static_cast<double>(kBitsPerByte);
        double dumpCpu = 0;
        double flashCpu = 0;
        double dump = session.Run(TransferKind::Dump, kBank1Base, size, (dir / "dump.bin").string(), &dumpCpu);
        double flash = session.Run(TransferKind::Flash, kBank2Base, size, (dir / "image.bin").string(), &flashCpu);
        std::printf("| %u | %u | %.3f | %.3f | %.2f%% | %.2f%% |\n", speed, block, dump > 0 ? size / dump / rate : 0.0,
                    flash > 0 ? size / flash / rate : 0.0, dumpCpu * 100, flashCpu * 100);
        std::fflush(stdout);
      }
    }
    Session idle(app, dir / "tty", package, 460800, 8192);
    double before = CpuSeconds();
    auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    double cpu = (CpuSeconds() - before) / std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("\nIdle connection: %.2f%% of one core\n", cpu * 100);
  }
  {
    Child sim(SimArgs(dir, "tty64", {}));
    if (!WaitForPath(dir / "tty64")) return 1;
    Session session(app, dir / "tty64", largePackage, kUploadSpeed, 1024);
    const double floor = UploadFloorSeconds(large.stageOne);
    const double upload = session.ok ? session.owner.UploadSeconds() : -1;
    std::printf("Boot upload of a %u-byte stage one at 115200 bit/s: %.2f s, floor %.2f s, efficiency %.3f\n",
                kLargestStageOne, upload, floor, Ratio(floor, upload));
    std::fflush(stdout);
  }
  std::printf(
      "\n| adapter latency | connect, 64 KiB stage one (s) | boot upload efficiency | "
      "dump efficiency, 1 KiB blocks, 460800 | flash efficiency |\n");
  std::printf("| --- | --- | --- | --- | --- |\n");
  // A flash writes its whole file: the adapter table's has its own size.
  const uint32_t adapterBytes = std::min(size, kAdapterBytes);
  std::ofstream(dir / "imageA.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(adapterBytes));
  for (uint32_t latency : {0u, 1u, 16u}) {
    const std::string name = "ttyA" + std::to_string(latency);
    Child sim(SimArgs(dir, name, {"--adapter-latency", std::to_string(latency)}));
    if (!WaitForPath(dir / name)) return 1;
    double upload = -1;
    double connect = -1;
    {
      Session session(app, dir / name, largePackage, kUploadSpeed, 1024);
      upload = session.ok ? session.owner.UploadSeconds() : -1;
      connect = session.ok ? session.connectSeconds : -1;
    }
    Session session(app, dir / name, package, 460800, 1024);
    const double rate = 460800 / static_cast<double>(kBitsPerByte);
    const double dump = session.Run(TransferKind::Dump, kBank1Base, adapterBytes, (dir / "dumpA.bin").string());
    const double flash = session.Run(TransferKind::Flash, kBank2Base, adapterBytes, (dir / "imageA.bin").string());
    std::printf("| %s | %.1f | %.3f | %.3f | %.3f |\n",
                latency == 0 ? "none" : (std::to_string(latency) + " ms").c_str(), connect,
                Ratio(UploadFloorSeconds(large.stageOne), upload), dump > 0 ? adapterBytes / dump / rate : 0.0,
                flash > 0 ? adapterBytes / flash / rate : 0.0);
    std::fflush(stdout);
  }
  {
    // Peak memory of the command-line tool, with the handset unpaced.
    Child sim({VARNEL_SIM_PATH, "--flash", (dir / "flash2.img").string(), "--link", (dir / "tty2").string()});
    if (!WaitForPath(dir / "tty2")) return 1;
    for (const char* operation : {"dump", "flash"}) {
      std::vector<std::string> args = {VARNEL_CLI_PATH, "--port",         (dir / "tty2").string(),
                                       "--package",     package.string(), "--speed",
                                       "460800",        "--block",        "8192"};
      if (std::strcmp(operation, "dump") == 0) {
        args.insert(args.end(), {"dump", "system", (dir / "dump8.bin").string()});
      } else {
        args.insert(args.end(), {"flash", "0x1000000", (dir / "image8.bin").string()});
      }
      Child cli(args);
      long maxKiB = 0;
      int exitStatus = cli.Wait(&maxKiB);
      std::printf("varnel-cli 8 MiB %s: exit %d, peak memory %.1f MiB\n", operation, exitStatus,
                  static_cast<double>(maxKiB) / 1024);
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return 0;
}

}  // namespace
}  // namespace varnel::bench

int main(int argc, char** argv) { return varnel::bench::Main(argc, argv); }
