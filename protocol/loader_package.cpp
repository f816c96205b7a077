// LoaderPackage on the C library's buffered files.
#include "protocol/loader_package.h"

#include <system_error>

namespace varnel {

LoaderPackage::~LoaderPackage() {
  if (file != nullptr) std::fclose(file);
}

bool LoaderPackage::Open(const std::filesystem::path& path) {
  if (file != nullptr) std::fclose(file);
  file = nullptr;
  // Opening a FIFO for reading waits for a writer: only a regular file is
  // taken for the package.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  file = std::fopen(path.string().c_str(), "rb");
  return file != nullptr;
}

bool LoaderPackage::SeekFromStart(uint32_t offset) {
  return file != nullptr && std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
}

bool LoaderPackage::Skip(uint32_t count) {
  return file != nullptr && std::fseek(file, static_cast<long>(count), SEEK_CUR) == 0;
}

bool LoaderPackage::Read(uint8_t* buffer, uint32_t count, uint32_t* got) {
  *got = 0;
  if (file == nullptr) return false;
  size_t n = std::fread(buffer, 1, count, file);
  *got = static_cast<uint32_t>(n);
  return n == count || !std::ferror(file);
}

}  // namespace varnel
