// Loader package encoding and decoding, and the stand-in code generator.
#include "sim/package_builder.h"

#include <fstream>
#include <iterator>
#include <limits>

#include "format/wire_format.h"

namespace varnel::sim {

namespace {

constexpr uint32_t kMaxPartBytes = std::numeric_limits<uint16_t>::max();

// xorshift32: cheap, deterministic, never stuck at zero for a non-zero state.
class StandInBytes {
 public:
  explicit StandInBytes(uint32_t seed) : state(seed == 0 ? 0x9E3779B9u : seed) {}
  std::vector<uint8_t> Take(uint32_t count) {
    std::vector<uint8_t> bytes(count);
    for (uint8_t& byte : bytes) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      byte = static_cast<uint8_t>(state >> 24);
    }
    return bytes;
  }

 private:
  uint32_t state;
};

void AppendPart(const std::vector<uint8_t>& part, std::vector<uint8_t>* out) {
  uint32_t length = static_cast<uint32_t>(part.size());
  out->push_back(static_cast<uint8_t>(length));
  out->push_back(static_cast<uint8_t>(length >> 8));
  out->insert(out->end(), part.begin(), part.end());
}

// Reads one length-prefixed part at `*at`. False when the bytes end first.
bool TakePart(const std::vector<uint8_t>& bytes, size_t* at, std::vector<uint8_t>* part) {
  if (bytes.size() - *at < kPackageLengthBytes) return false;
  size_t length = bytes[*at] | (size_t{bytes[*at + 1]} << 8);
  *at += kPackageLengthBytes;
  if (bytes.size() - *at < length) return false;
  part->assign(bytes.begin() + static_cast<std::ptrdiff_t>(*at),
               bytes.begin() + static_cast<std::ptrdiff_t>(*at + length));
  *at += length;
  return true;
}

}  // namespace

const char* PackageResultText(PackageResult result) {
  switch (result) {
    case PackageResult::kOk: return "ok";
    case PackageResult::kTooLong: return "a part does not fit its length field";
    case PackageResult::kTruncated: return "the package ends inside a part";
    case PackageResult::kCannotRead: return "can't read the package file";
    case PackageResult::kCannotWrite: return "can't write the package file";
  }
  return "unknown";
}

PackageContents MakeStandInPackage(uint32_t stageOneBytes, const std::vector<uint32_t>& chunkBytes, uint32_t seed) {
  StandInBytes source(seed);
  PackageContents contents;
  contents.header.assign(kPackageTag, kPackageTag + kPackageHeaderBytes);
  contents.stageOne = source.Take(stageOneBytes);
  for (uint32_t size : chunkBytes) contents.chunks.push_back(source.Take(size));
  return contents;
}

PackageResult EncodePackage(const PackageContents& contents, std::vector<uint8_t>* bytes) {
  if (contents.header.size() != kPackageHeaderBytes || contents.stageOne.size() > kMaxPartBytes) {
    return PackageResult::kTooLong;
  }
  for (const std::vector<uint8_t>& chunk : contents.chunks) {
    if (chunk.size() > kMaxPartBytes) return PackageResult::kTooLong;
  }
  bytes->assign(contents.header.begin(), contents.header.end());
  AppendPart(contents.stageOne, bytes);
  for (const std::vector<uint8_t>& chunk : contents.chunks) {
    AppendPart(chunk, bytes);
  }
  return PackageResult::kOk;
}

PackageResult DecodePackage(const std::vector<uint8_t>& bytes, PackageContents* contents) {
  if (bytes.size() < kPackageHeaderBytes) return PackageResult::kTruncated;
  PackageContents parts;
  parts.header.assign(bytes.begin(), bytes.begin() + kPackageHeaderBytes);
  size_t at = kPackageHeaderBytes;
  if (!TakePart(bytes, &at, &parts.stageOne)) return PackageResult::kTruncated;
  while (at < bytes.size()) {
    std::vector<uint8_t> chunk;
    if (!TakePart(bytes, &at, &chunk)) return PackageResult::kTruncated;
    parts.chunks.push_back(std::move(chunk));
  }
  *contents = std::move(parts);
  return PackageResult::kOk;
}

PackageResult WritePackageFile(const std::string& path, const PackageContents& contents) {
  std::vector<uint8_t> bytes;
  PackageResult result = EncodePackage(contents, &bytes);
  if (result != PackageResult::kOk) return result;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return out ? PackageResult::kOk : PackageResult::kCannotWrite;
}

PackageResult ReadPackageFile(const std::string& path, PackageContents* contents) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return PackageResult::kCannotRead;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return PackageResult::kCannotRead;
  return DecodePackage(bytes, contents);
}

}  // namespace varnel::sim
