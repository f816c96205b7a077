// LoaderPackage on a standard file stream, which takes the path as the
// system names files (wide characters on Windows), so a package whose name
// is outside ASCII opens on every system.
#include "format/loader_package.h"

#include <system_error>

namespace varnel {

bool LoaderPackage::Open(const std::filesystem::path& path) {
  file.close();
  file.clear();
  // Opening a FIFO for reading waits for a writer: only a regular file is
  // taken for the package.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  // A package is tens of KiB; a file far larger is not one.
  if (std::filesystem::file_size(path, error) > kLoaderPackageMaxBytes || error) return false;
  file.open(path, std::ios::binary);
  return file.is_open();
}

bool LoaderPackage::SeekFromStart(uint32_t offset) {
  if (!IsOpen()) return false;
  file.clear();
  return static_cast<bool>(file.seekg(offset, std::ios::beg));
}

bool LoaderPackage::Skip(uint32_t count) {
  if (!IsOpen()) return false;
  file.clear();
  return static_cast<bool>(file.seekg(count, std::ios::cur));
}

bool LoaderPackage::Read(uint8_t* buffer, uint32_t count, uint32_t* got) {
  *got = 0;
  if (!IsOpen()) return false;
  file.clear();
  file.read(reinterpret_cast<char*>(buffer), count);
  *got = static_cast<uint32_t>(file.gcount());
  // Reaching the end of the file is no failure; a read error is.
  return !file.bad();
}

}  // namespace varnel
