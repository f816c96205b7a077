// SHA-256: the message schedule and the compression of FIPS 180-4.
#include "format/sha256.h"

#include <algorithm>
#include <bit>

namespace varnel {
namespace {

constexpr std::array<uint32_t, 8> kInitialState = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
constexpr std::array<uint32_t, 64> kRoundConstants = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
constexpr uint8_t kPadStart = 0x80;
constexpr size_t kLengthBytes = 8;
constexpr unsigned kBitsPerByte = 8;

uint32_t LoadBigEndian32(const uint8_t* bytes) {
  return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

}  // namespace

Sha256::Sha256() : state(kInitialState) {}

void Sha256::Compress(const uint8_t* block) {
  std::array<uint32_t, 64> w{};
  for (size_t i = 0; i < 16; ++i) w[i] = LoadBigEndian32(block + 4 * i);
  for (size_t i = 16; i < 64; ++i) {
    const uint32_t s0 = std::rotr(w[i - 15], 7) ^ std::rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
    const uint32_t s1 = std::rotr(w[i - 2], 17) ^ std::rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  std::array<uint32_t, 8> v = state;
  for (size_t i = 0; i < 64; ++i) {
    const uint32_t s1 = std::rotr(v[4], 6) ^ std::rotr(v[4], 11) ^ std::rotr(v[4], 25);
    const uint32_t choice = (v[4] & v[5]) ^ (~v[4] & v[6]);
    const uint32_t t1 = v[7] + s1 + choice + kRoundConstants[i] + w[i];
    const uint32_t s0 = std::rotr(v[0], 2) ^ std::rotr(v[0], 13) ^ std::rotr(v[0], 22);
    const uint32_t majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
    const uint32_t t2 = s0 + majority;
    v = {t1 + t2, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
  }
  for (size_t i = 0; i < state.size(); ++i) state[i] += v[i];
}

void Sha256::Update(std::span<const uint8_t> bytes) {
  totalBytes += bytes.size();
  while (!bytes.empty()) {
    const size_t taken = std::min(bytes.size(), kBlockBytes - pendingBytes);
    std::copy_n(bytes.begin(), taken, pending.begin() + static_cast<std::ptrdiff_t>(pendingBytes));
    pendingBytes += taken;
    bytes = bytes.subspan(taken);
    if (pendingBytes == kBlockBytes) {
      Compress(pending.data());
      pendingBytes = 0;
    }
  }
}

Sha256Digest Sha256::Finish() {
  const uint64_t bits = totalBytes * kBitsPerByte;
  const uint8_t start = kPadStart;
  Update(std::span<const uint8_t>(&start, 1));
  const uint8_t zero = 0;
  while (pendingBytes != kBlockBytes - kLengthBytes) Update(std::span<const uint8_t>(&zero, 1));
  std::array<uint8_t, kLengthBytes> length{};
  for (size_t i = 0; i < kLengthBytes; ++i) length[i] = static_cast<uint8_t>(bits >> (kBitsPerByte * (7 - i)));
  Update(length);
  Sha256Digest digest{};
  for (size_t i = 0; i < state.size(); ++i) {
    for (size_t k = 0; k < 4; ++k) digest[4 * i + k] = static_cast<uint8_t>(state[i] >> (kBitsPerByte * (3 - k)));
  }
  return digest;
}

std::string HexDigest(const Sha256Digest& digest) {
  constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

}  // namespace varnel
