// LoaderPackage: read access to the loader package file ("Varnel.res"):
// a 9-byte header, stage one's 16-bit length and bytes, then length and
// chunk pairs up to the end of the file. Opened once and kept open; the
// upload seeks to absolute positions, so it can run on every connection.
// One thread at a time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>

namespace varnel {

// The loader package's file name.
inline constexpr char kLoaderPackageName[] = "Varnel.res";
// The largest loader package that is opened.
inline constexpr uintmax_t kLoaderPackageMaxBytes = uintmax_t{4} << 20;  // 4 MiB

class LoaderPackage {
 public:
  LoaderPackage() = default;
  LoaderPackage(const LoaderPackage&) = delete;
  LoaderPackage& operator=(const LoaderPackage&) = delete;

  // Opens an existing regular file for reading; false (and not open) when
  // it can't, when `path` names a FIFO, a device or a folder, or when the
  // file is larger than kLoaderPackageMaxBytes.
  bool Open(const std::filesystem::path& path);
  bool IsOpen() const { return file.is_open(); }

  bool SeekFromStart(uint32_t offset);
  bool Skip(uint32_t count);

  // Reads up to `count` bytes; false when the read call failed. `got`
  // receives the number of bytes read (fewer at the end of the file).
  bool Read(uint8_t* buffer, uint32_t count, uint32_t* got);

 private:
  std::ifstream file;
};

}  // namespace varnel
