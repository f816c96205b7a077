// varnel-cli sessions run in this process against the simulated handset:
// the exit status says whether everything asked for was done; and backups
// through them: a dump resumed where it stopped (and only there), the
// whole handset backed up, cut off and gone on with, with a manifest that
// checks, and a restore that proves itself and sends nothing for a
// damaged backup. (How the link recovers from each line fault is the
// link's own test: tests/e2e_hostile_line_test.cpp.)
#include <array>
#include <cstdio>
#include <fstream>
#include <string>

#include "backup/backup_manifest.h"
#include "backup/file_digest.h"
#include "cli/cli_session.h"
#include "link/dump_resume.h"
#include "tests/handset_fixture.h"

namespace varnel::testing {
namespace {

class CliSessionTest : public HandsetTest {
 protected:
  // Runs a session with the package of the test's folder unless `options`
  // names one, and keeps what it printed in `printed`.
  int RunCli(cli::CliOptions options) {
    if (options.package.empty()) options.package = (dir / "Varnel.res").string();
    return RunCliAs(app, options);
  }

  // Runs a session of `runner` as the command line gives it, on the
  // handset's port unless `options` names another than the default.
  int RunCliAs(const Application& runner, cli::CliOptions options) {
    if (options.port == cli::CliOptions{}.port) options.port = handset->SlavePath();
    std::FILE* stream = std::fopen((dir / "printed.txt").c_str(), "w");
    const int exitStatus = cli::RunSession(options, runner, stream);
    std::fclose(stream);
    printed = ReadText(dir / "printed.txt");
    return exitStatus;
  }

  static cli::CliOptions Dump(const std::filesystem::path& file) {
    return {.operation = cli::Operation::Dump, .offset = kBank2Base, .size = 0x6000, .file = file.string()};
  }

  std::string printed;
};

TEST_F(CliSessionTest, TheExitStatusSaysWhetherEverythingAskedForWasDone) {
  struct Case {
    const char* what;
    sim::FaultPlan faults;
    cli::CliOptions options;
    int exitStatus;
    const char* line;  // printed; none: not looked for
  };
  const cli::CliOptions dump = Dump(dir / "dump.bin");
  const cli::CliOptions flash = {
      .operation = cli::Operation::Flash, .offset = kBank2Base + 0x10000, .file = (dir / "image.bin").string()};
  cli::CliOptions fast = flash;
  fast.speed = 460800;
  fast.blockSize = 8192;
  cli::CliOptions verified = flash;
  verified.verify = true;
  cli::CliOptions noPackage = dump;
  noPackage.package = (dir / "missing.res").string();
  const std::array<Case, 5> kCases = {{
      {"a dump", {}, dump, cli::kExitOk, "] Phone switched to serial mode!\n"},
      {"a flash at 460800 bit/s in blocks of 8 KiB", {}, fast, cli::kExitOk, "] Flash finished!\n"},
      // With --verify the exit status also says whether the flash holds the
      // file (one that does: tests/cli_process_test.cpp).
      {"a flash into a cell that does not hold",
       {.weakFlashCell = kBank2Base + 0x21234},
       verified,
       cli::kExitFailed,
       "] Verify failed: first difference at 0x2021234, 1 bytes differ\n"},
      // The connect goes on, but the session is no success. (A transfer that
      // failed: an interrupted one in tests/cli_process_test.cpp.)
      {"a refused block size", {.commandError = {kCmdBlockSize, 0x05, 1}}, dump, cli::kExitFailed, "] Phone switched"},
      {"a missing package", {}, noPackage, cli::kExitFailed, "Can't open the loader package"},
  }};
  const std::vector<uint8_t> image(0x12000, 0xA5);  // past the first compared chunk
  WriteFile(dir / "image.bin", image);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    StartHandset(c.faults);
    EXPECT_EQ(RunCli(c.options), c.exitStatus) << printed;
    if (c.line != nullptr) EXPECT_NE(printed.find(c.line), std::string::npos) << printed;
    if (c.options.operation == cli::Operation::Dump && c.exitStatus == cli::kExitOk) {
      EXPECT_EQ(ReadFile(dir / "dump.bin"), Flash(kBank2Base, 0x6000));
    }
    if (c.options.operation == cli::Operation::Flash && c.exitStatus == cli::kExitOk) {
      EXPECT_EQ(Flash(kBank2Base + 0x10000, 0x12000), image);
    }
    const bool opened = c.options.package.find("missing") == std::string::npos;
    EXPECT_EQ(printed.find("] Com port closed\n") != std::string::npos, opened) << printed;
    if (opened) EXPECT_NE(printed.find("] Using "), std::string::npos) << printed;
    if (opened) EXPECT_TRUE(Disconnected(1)) << "the loader heard the disconnect";
    handset.reset();
  }
}

TEST_F(CliSessionTest, WithoutPackageOptionThePackageIsFoundInTheConfigurationDirectory) {
  StartHandset();
  TempDir work;
  ScopedWorkingDir cwd(work.Path());
  const std::filesystem::path configDir = dir / "config" / "varnel";
  std::filesystem::create_directories(configDir);
  std::filesystem::copy_file(dir / "Varnel.res", configDir / "Varnel.res");
  Application configured("Varnel", kUtf8CodePage, {}, configDir);
  EXPECT_EQ(RunCliAs(configured, cli::CliOptions{}), cli::kExitOk) << printed;

  // Nowhere: the note says where it was looked for.
  std::filesystem::remove(configDir / "Varnel.res");
  EXPECT_EQ(RunCliAs(configured, cli::CliOptions{}), cli::kExitFailed);
  EXPECT_NE(printed.find("Can't open the loader package Varnel.res (looked for in the working directory and in " +
                         configDir.string() + ")"),
            std::string::npos)
      << printed;
}

// ---- Failures ----

// A port map entry (from a settings file that may have come from anyone)
// that leads to no serial device is refused before anything is opened.
TEST_F(CliSessionTest, APortMapEntryThatIsNoSerialDeviceIsRefused) {
  StartHandset();
  ScopedWorkingDir cwd(dir.Path());
  for (const std::string& value : {(dir / "Varnel.res").string(), std::string("/dev/null"), (dir / "gone").string()}) {
    SCOPED_TRACE(value);
    std::ofstream(dir / "Varnel.ini") << "[Ports]\nCOM2=" << value << "\n";
    cli::CliOptions connect;
    connect.port = "COM2";
    EXPECT_EQ(RunCli(connect), cli::kExitFailed);
    EXPECT_NE(printed.find("] Can't open port (11) (Serial:142)\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("] Port map entry COM2=" + value + " ignored: no serial device there\n"), std::string::npos)
        << printed;
    EXPECT_EQ(printed.find("Com port opened"), std::string::npos) << printed;
  }
  EXPECT_TRUE(ProgramBytes().empty());
}

// ---- Backups ----

namespace fs = std::filesystem;

constexpr uint32_t kRegion = 0x6000;

class BackupTest : public CliSessionTest {
 protected:
  static cli::CliOptions Job(cli::Operation operation, const fs::path& folder) {
    return {.speed = 460800, .blockSize = 8192, .operation = operation, .file = folder.string()};
  }

  std::vector<uint8_t> Bank(size_t part) {
    return Flash(kBackupParts[part].region.offset, kBackupParts[part].region.size);
  }
};

// A resumed dump asks the loader for the rest of the region only, and only
// when the file is known to be the start of that region.
TEST_F(BackupTest, ADumpGoesOnOnlyFromAFileOfTheSameRegion) {
  struct Case {
    const char* what;
    uint32_t fileBytes;  // 0: no file
    const char* record;  // of the region beside it, or none
    int exitStatus;
    uint32_t askedFrom;  // where the loader was asked to start; 0: not asked
  };
  const std::array<Case, 6> kCases = {{
      {"no file", 0, nullptr, cli::kExitOk, kBank2Base},
      {"the first part, with its record", 0x2000, "same", cli::kExitOk, kBank2Base + 0x2000},
      {"the whole region", kRegion, nullptr, cli::kExitOk, 0},
      {"longer than the region", kRegion + 0x1000, nullptr, cli::kExitFailed, 0},
      {"a part without a record", 0x2000, nullptr, cli::kExitFailed, 0},
      {"a part of another region", 0x2000, "other", cli::kExitFailed, 0},
  }};
  StartHandset();
  const fs::path file = dir / "part.bin";
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    fs::remove(file);
    RemoveDumpRecord(file.string());
    if (c.fileBytes > 0) {
      std::vector<uint8_t> bytes = Flash(kBank2Base, std::min(c.fileBytes, kRegion));
      bytes.resize(c.fileBytes, 0);
      WriteFile(file, bytes);
    }
    if (c.record != nullptr) {
      const uint32_t at = std::string(c.record) == "same" ? kBank2Base : kBank2Base + 0x100000;
      ASSERT_TRUE(WriteDumpRecord(file.string(), {at, kRegion}));
    }
    const size_t asksBefore = handset->Transcript().Packets(kCmdDump).size();
    cli::CliOptions dump = Dump(file);
    dump.resume = true;
    EXPECT_EQ(RunCli(dump), c.exitStatus) << printed;
    const auto asks = handset->Transcript().Packets(kCmdDump);
    ASSERT_EQ(asks.size(), asksBefore + (c.askedFrom != 0 ? 1 : 0));
    if (c.askedFrom != 0) {
      EXPECT_EQ(asks.back().packet.first, c.askedFrom);
      EXPECT_EQ(asks.back().packet.second, kBank2Base + kRegion - c.askedFrom);
    }
    if (c.exitStatus == cli::kExitOk) {
      EXPECT_EQ(ReadFile(file), Flash(kBank2Base, kRegion));
      EXPECT_FALSE(fs::exists(file.string() + kDumpRecordSuffix)) << "the record goes with the last block";
    }
    handset->PowerCycle();
  }
}

// A backup cut off (the cable pulled half-way through bank 1) goes on where
// it stopped: the second run asks the loader only for what is missing, and
// ends with both banks and a manifest that checks.
TEST_F(BackupTest, ABackupCutOffGoesOnWhereItStoppedAndEndsWithAManifestThatChecks) {
  // First the loader gives up (0x14) at bank 1's third block: a part that
  // ended short is no complete part, whatever the dump's status.
  StartHandset({.abortDumpAtBlock = 3});
  const fs::path folder = dir / "backup";
  EXPECT_EQ(RunCli(Job(cli::Operation::Backup, folder)), cli::kExitFailed);
  EXPECT_FALSE(ReadManifest(folder / kManifestName)->Find("bank1.bin")->complete);
  handset->SetFaults({.hangUp = {TransferKind::Dump, 512}});  // of 1024 blocks of 8 KiB
  handset->PowerCycle();
  EXPECT_EQ(RunCli(Job(cli::Operation::Backup, folder)), cli::kExitFailed);
  const uintmax_t kept = fs::file_size(folder / "bank1.bin");
  EXPECT_GT(kept, 0u);
  EXPECT_LT(kept, kBankSize);
  EXPECT_FALSE(ReadManifest(folder / kManifestName)->Complete());

  handset->SetFaults({});
  handset->PowerCycle();
  const size_t asksBefore = handset->Transcript().Packets(kCmdDump).size();
  ASSERT_EQ(RunCli(Job(cli::Operation::Backup, folder)), cli::kExitOk) << printed;
  const auto asks = handset->Transcript().Packets(kCmdDump);
  ASSERT_EQ(asks.size(), asksBefore + 2);
  EXPECT_EQ(asks[asksBefore].packet.first, kBank1Base + kept);
  EXPECT_EQ(asks[asksBefore].packet.second, kBankSize - kept);
  const std::optional<BackupManifest> manifest = ReadManifest(folder / kManifestName);
  ASSERT_TRUE(manifest.has_value());
  EXPECT_TRUE(manifest->Complete());
  EXPECT_EQ(manifest->speed, 460800u);
  for (size_t i = 0; i < kBackupParts.size(); ++i) {
    SCOPED_TRACE(kBackupParts[i].file);
    EXPECT_EQ(ReadFile(folder / kBackupParts[i].file), Bank(i));
    EXPECT_EQ(manifest->Find(kBackupParts[i].file)->sha256, FileSha256((folder / kBackupParts[i].file).string()));
  }
  EXPECT_NE(printed.find("] All parts: time elapsed "), std::string::npos) << printed;

  cli::CliOptions check = Job(cli::Operation::Backup, folder);
  check.check = true;
  EXPECT_EQ(RunCli(check), cli::kExitOk) << printed;
  // A complete backup is kept: nothing is asked of the loader.
  handset->PowerCycle();
  const size_t asksAfter = handset->Transcript().Packets(kCmdDump).size();
  EXPECT_EQ(RunCli(Job(cli::Operation::Backup, folder)), cli::kExitFailed);
  EXPECT_NE(printed.find("holds a complete backup already"), std::string::npos) << printed;
  EXPECT_EQ(handset->Transcript().Packets(kCmdDump).size(), asksAfter);
  // A byte changed since is found, in every part.
  for (const char* name : {"bank1.bin", "bank2.bin"}) {
    std::vector<uint8_t> bytes = ReadFile(folder / name);
    bytes[0x1234] ^= 0x01;
    WriteFile(folder / name, bytes);
  }
  EXPECT_EQ(RunCli(check), cli::kExitFailed);
  EXPECT_NE(printed.find("bank1.bin has changed since the backup"), std::string::npos) << printed;
  EXPECT_NE(printed.find("bank2.bin has changed since the backup"), std::string::npos) << printed;
}

TEST_F(BackupTest, ARestoreChecksTheBackupFlashesAndVerifiesEachPart) {
  StartHandset();
  const fs::path folder = dir / "backup";
  fs::create_directory(folder);
  BackupManifest manifest;
  manifest.version = "1.0.0.0";
  for (size_t i = 0; i < kBackupParts.size(); ++i) {
    std::vector<uint8_t> bytes(kBankSize);
    for (size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<uint8_t>(k * 7 + i + k / 4096);
    WriteFile(folder / kBackupParts[i].file, bytes);
    manifest.parts.push_back(
        {kBackupParts[i].file, kBackupParts[i].region, true, *FileSha256((folder / kBackupParts[i].file).string())});
  }
  const std::string text = ManifestText(manifest);
  WriteFile(folder / kManifestName, std::vector<uint8_t>(text.begin(), text.end()));
  // A damaged part stops the restore before anything is sent.
  std::vector<uint8_t> bank1 = ReadFile(folder / "bank1.bin");
  bank1[7] ^= 0x80;
  WriteFile(folder / "bank1.bin", bank1);
  EXPECT_EQ(RunCli(Job(cli::Operation::Restore, folder)), cli::kExitFailed);
  EXPECT_NE(printed.find("Nothing was restored"), std::string::npos) << printed;
  EXPECT_TRUE(ProgramBytes().empty());

  bank1[7] ^= 0x80;
  WriteFile(folder / "bank1.bin", bank1);
  // A part that does not read back as flashed is not restored.
  handset->SetFaults({.weakFlashCell = kBank1Base + 0x100});
  EXPECT_EQ(RunCli(Job(cli::Operation::Restore, folder)), cli::kExitFailed);
  EXPECT_EQ(printed.find(": restored and verified"), std::string::npos) << printed;
  handset->SetFaults({});
  handset->PowerCycle();
  const size_t readBacksBefore = handset->Transcript().Packets(kCmdDump).size();
  ASSERT_EQ(RunCli(Job(cli::Operation::Restore, folder)), cli::kExitOk) << printed;
  for (size_t i = 0; i < kBackupParts.size(); ++i) {
    SCOPED_TRACE(kBackupParts[i].file);
    EXPECT_EQ(Bank(i), ReadFile(folder / kBackupParts[i].file));
    EXPECT_NE(printed.find(std::string("] ") + kBackupParts[i].label + ": restored and verified\n"), std::string::npos)
        << printed;
  }
  EXPECT_EQ(handset->Transcript().Packets(kCmdDump).size(), readBacksBefore + 2) << "each part read back";
}

}  // namespace
}  // namespace varnel::testing
