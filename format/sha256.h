// SHA-256 (FIPS 180-4), for the manifest of a backup: a digest a user can
// check with any tool (sha256sum). Fed in pieces, so a file is never held
// whole. Pure; one thread per object.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace varnel {

inline constexpr size_t kSha256Bytes = 32;
using Sha256Digest = std::array<uint8_t, kSha256Bytes>;

class Sha256 {
 public:
  Sha256();
  // Adds `bytes` to the message.
  void Update(std::span<const uint8_t> bytes);
  // The digest of everything added; the object is spent afterwards.
  Sha256Digest Finish();

 private:
  static constexpr size_t kBlockBytes = 64;
  void Compress(const uint8_t* block);

  std::array<uint32_t, 8> state;
  std::array<uint8_t, kBlockBytes> pending{};
  size_t pendingBytes = 0;
  uint64_t totalBytes = 0;
};

// The digest as 64 lower-case hexadecimal digits, as sha256sum prints it.
std::string HexDigest(const Sha256Digest& digest);

}  // namespace varnel
