// The backup manifest as text, and back.
#include "backup/backup_manifest.h"

#include <cinttypes>
#include <cstdio>
#include <sstream>

#include "files/narrow_path.h"
#include "files/transfer_file.h"
namespace varnel {
namespace {

constexpr char kHeader[] = "# Varnel backup of the whole handset";
constexpr char kComplete[] = "complete";
constexpr char kIncomplete[] = "incomplete";
constexpr char kNoDigest[] = "-";
// A manifest is a few hundred bytes.
constexpr uint32_t kManifestMaxBytes = 64 * 1024;

}  // namespace

const ManifestPart* BackupManifest::Find(std::string_view file) const {
  for (const ManifestPart& part : parts) {
    if (part.file == file) return &part;
  }
  return nullptr;
}

bool BackupManifest::Complete() const {
  for (const BackupPart& part : kBackupParts) {
    const ManifestPart* entry = Find(part.file);
    if (entry == nullptr || !entry->complete || entry->region.offset != part.region.offset ||
        entry->region.size != part.region.size) {
      return false;
    }
  }
  return true;
}

std::string ManifestText(const BackupManifest& manifest) {
  std::string text = std::string(kHeader) + "\n";
  text += "version " + manifest.version + "\n";
  text += "date " + manifest.date + "\n";
  text += "port " + manifest.port + "\n";
  text += "speed " + std::to_string(manifest.speed) + "\n";
  for (const ManifestPart& part : manifest.parts) {
    char region[48];
    std::snprintf(region, sizeof region, " 0x%" PRIx32 " 0x%" PRIx32 " ", part.region.offset, part.region.size);
    text += "part " + part.file + region + (part.complete ? kComplete : kIncomplete) + " " +
            (part.sha256.empty() ? kNoDigest : part.sha256) + "\n";
  }
  return text;
}

std::optional<BackupManifest> ReadManifest(const std::filesystem::path& path) {
  std::string reason;
  TransferFile file = TransferFile::OpenForReading(NarrowFromPath(path).c_str(), &reason);
  std::string text(kManifestMaxBytes + 1, '\0');
  uint32_t got = 0;
  if (!file.IsOpen() || !file.Read(reinterpret_cast<uint8_t*>(text.data()), kManifestMaxBytes + 1, &got) ||
      got > kManifestMaxBytes) {
    return std::nullopt;
  }
  text.resize(got);
  return ParseManifest(text);
}

std::optional<BackupManifest> ParseManifest(std::string_view text) {
  std::istringstream lines{std::string(text)};
  std::string line;
  if (!std::getline(lines, line) || line != kHeader) return std::nullopt;
  BackupManifest manifest;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string key;
    words >> key;
    if (key == "version" || key == "date" || key == "port") {
      std::string value;
      std::getline(words >> std::ws, value);
      (key == "version" ? manifest.version : key == "date" ? manifest.date : manifest.port) = value;
    } else if (key == "speed") {
      words >> manifest.speed;
    } else if (key == "part") {
      ManifestPart part;
      std::string offset, size, state, digest;
      if (!(words >> part.file >> offset >> size >> state >> digest) ||
          std::sscanf(offset.c_str(), "0x%" SCNx32, &part.region.offset) != 1 ||
          std::sscanf(size.c_str(), "0x%" SCNx32, &part.region.size) != 1 ||
          (state != kComplete && state != kIncomplete)) {
        return std::nullopt;
      }
      part.complete = state == kComplete;
      if (digest != kNoDigest) part.sha256 = digest;
      manifest.parts.push_back(part);
    }
  }
  return manifest;
}

}  // namespace varnel
