// Hashing a file in chunks.
#include "backup/file_digest.h"

#include <memory>

#include "files/transfer_file.h"
#include "format/sha256.h"

namespace varnel {
namespace {

constexpr uint32_t kChunkBytes = 64 * 1024;

}  // namespace

std::optional<std::string> FileSha256(const std::string& path) {
  std::string reason;
  TransferFile file = TransferFile::OpenForReading(path.c_str(), &reason);
  if (!file.IsOpen()) return std::nullopt;
  const auto chunk = std::make_unique<uint8_t[]>(kChunkBytes);
  Sha256 hash;
  for (;;) {
    uint32_t got = 0;
    if (!file.Read(chunk.get(), kChunkBytes, &got)) return std::nullopt;
    if (got == 0) break;
    hash.Update(std::span<const uint8_t>(chunk.get(), got));
  }
  return HexDigest(hash.Finish());
}

}  // namespace varnel
