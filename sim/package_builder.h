// Builds loader packages of our own for tests and demos: the package layout
// (9-byte header, stage one with its 16-bit length, then length and chunk
// pairs) around made-up stand-in code. Pure functions, any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnel::sim {

// Our header: recognisably ours, 9 bytes, never interpreted by the program.
inline constexpr char kPackageTag[] = "VARNELSIM";
static_assert(sizeof kPackageTag - 1 == 9);

struct PackageContents {
  std::vector<uint8_t> header;  // exactly 9 bytes in a valid package
  std::vector<uint8_t> stageOne;
  std::vector<std::vector<uint8_t>> chunks;
};

enum class PackageResult {
  kOk,
  kTooLong,    // stage one or a chunk over 65535 bytes, or a bad header
  kTruncated,  // the bytes end inside a length field or a part
  kCannotRead,
  kCannotWrite,
};

const char* PackageResultText(PackageResult result);

// Stand-in code: deterministic pseudo-random bytes from `seed`, the stage
// one and each chunk of the sizes given, under kPackageTag.
PackageContents MakeStandInPackage(uint32_t stageOneBytes, const std::vector<uint32_t>& chunkBytes, uint32_t seed);

// The file's bytes. kTooLong when a part does not fit its length field.
[[nodiscard]] PackageResult EncodePackage(const PackageContents& contents, std::vector<uint8_t>* bytes);

// Splits a package's bytes into its parts.
[[nodiscard]] PackageResult DecodePackage(const std::vector<uint8_t>& bytes, PackageContents* contents);

[[nodiscard]] PackageResult WritePackageFile(const std::string& path, const PackageContents& contents);
[[nodiscard]] PackageResult ReadPackageFile(const std::string& path, PackageContents* contents);

}  // namespace varnel::sim
