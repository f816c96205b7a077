// The manifest of a backup of the whole handset, DIR/backup.txt: a plain
// text file a person can read and a program can check. It names the
// program's version, when and through which port and speed the backup was
// taken, and each part: its file, the flash address and size it came from,
// whether it is complete and, once it is, its SHA-256 (as sha256sum prints
// it). Pure; any thread.
//
//   # Varnel backup of the whole handset
//   version 1.0.0.0
//   date 2026-12-07 18:40:05
//   port COM1
//   speed 460800
//   part bank1.bin 0x1000000 0x800000 complete 3f7a...e1
//   part bank2.bin 0x2000000 0x800000 incomplete -
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/flash_bank.h"
#include "format/wire_format.h"

namespace varnel {

inline constexpr char kManifestName[] = "backup.txt";

// One part of a backup: a file of the backup's folder and the region of
// flash it holds.
struct BackupPart {
  const char* file;   // its name in the folder
  const char* label;  // how the log names it
  FlashRegion region;
};

// The parts of a backup: both banks, whole.
inline constexpr std::array<BackupPart, 2> kBackupParts = {{
    {"bank1.bin", "bank 1", {kBank1Base, kBankSize}},
    {"bank2.bin", "bank 2", {kBank2Base, kBankSize}},
}};

struct ManifestPart {
  std::string file;
  FlashRegion region{};
  bool complete = false;
  std::string sha256;  // empty until complete

  bool operator==(const ManifestPart&) const = default;
};

struct BackupManifest {
  std::string version;
  std::string date;  // local time, "YYYY-MM-DD HH:MM:SS"
  std::string port;
  uint32_t speed = 0;
  std::vector<ManifestPart> parts;

  bool operator==(const BackupManifest&) const = default;
  // The entry for `file`, or null.
  const ManifestPart* Find(std::string_view file) const;
  // Whether every part of kBackupParts is there and complete.
  bool Complete() const;
};

std::string ManifestText(const BackupManifest& manifest);
// The manifest of the file `path`; none when it is missing, can't be read,
// is larger than a manifest ever is, or does not read as one.
std::optional<BackupManifest> ReadManifest(const std::filesystem::path& path);
// The manifest `text` holds; none when it is not one (no first line, a
// part line that does not read). Lines it does not know are passed over.
std::optional<BackupManifest> ParseManifest(std::string_view text);

}  // namespace varnel
