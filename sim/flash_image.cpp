// FlashImage: pread/pwrite on the image file, or pattern plus written pages.
#include "sim/flash_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "format/wire_format.h"
#include "sim/flash_layout.h"

namespace varnel::sim {

namespace {

constexpr uint32_t kPageBytes = 4096;        // overlay granule in memory
constexpr uint32_t kFillChunkBytes = 65536;  // pattern written per call

uint32_t AddressOfOffset(uint32_t offset) {
  uint32_t bank = offset / kBankSize;
  return (bank == 0 ? kBank1Base : kBank2Base) + offset % kBankSize;
}

bool FillWithPattern(int fd) {
  std::vector<uint8_t> chunk(kFillChunkBytes);
  for (uint32_t offset = 0; offset < kImageBytes; offset += kFillChunkBytes) {
    for (uint32_t i = 0; i < kFillChunkBytes; ++i) {
      chunk[i] = PatternAtOffset(offset + i);
    }
    ssize_t written = ::pwrite(fd, chunk.data(), chunk.size(), offset);
    if (written != static_cast<ssize_t>(chunk.size())) return false;
  }
  return true;
}

}  // namespace

uint8_t PatternAtOffset(uint32_t offset) { return PatternByte(AddressOfOffset(offset)); }

const char* ImageOpenResultText(ImageOpenResult result) {
  switch (result) {
    case ImageOpenResult::kOk: return "ok";
    case ImageOpenResult::kCannotOpen: return "can't open the image file";
    case ImageOpenResult::kWrongSize: return "the image file is not 16 MiB";
    case ImageOpenResult::kCannotCreate: return "can't write a new image file";
  }
  return "unknown";
}

ImageOpenResult FlashImage::OpenFile(const std::string& path, FlashImage* image) {
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
  if (fd.Valid()) {
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) return ImageOpenResult::kCannotOpen;
    if (info.st_size != static_cast<off_t>(kImageBytes)) {
      return ImageOpenResult::kWrongSize;
    }
  } else {
    if (errno != ENOENT) return ImageOpenResult::kCannotOpen;
    // Create under a temporary name so an interrupted fill never leaves a
    // short file that a later run would refuse.
    std::string temporary = path + ".partial";
    fd = UniqueFd(::open(temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd.Valid()) return ImageOpenResult::kCannotOpen;
    if (!FillWithPattern(fd.Get()) || ::rename(temporary.c_str(), path.c_str()) != 0) {
      ::unlink(temporary.c_str());
      return ImageOpenResult::kCannotCreate;
    }
  }
  image->file = std::move(fd);
  image->pages.clear();
  return ImageOpenResult::kOk;
}

bool FlashImage::Read(uint32_t address, uint8_t* out, uint32_t count) const {
  if (!RegionInsideBank(address, count)) return false;
  if (count == 0) return true;
  uint32_t offset = ImageOffset(address);
  if (file.Valid()) return ReadFile(offset, out, count);
  ReadMemory(offset, out, count);
  return true;
}

bool FlashImage::Write(uint32_t address, const uint8_t* data, uint32_t count) {
  if (!RegionInsideBank(address, count)) return false;
  if (count == 0) return true;
  uint32_t offset = ImageOffset(address);
  if (file.Valid()) return WriteFile(offset, data, count);
  WriteMemory(offset, data, count);
  return true;
}

bool FlashImage::ReadFile(uint32_t offset, uint8_t* out, uint32_t count) const {
  uint32_t done = 0;
  while (done < count) {
    ssize_t n = ::pread(file.Get(), out + done, count - done, offset + done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<uint32_t>(n);
  }
  return true;
}

bool FlashImage::WriteFile(uint32_t offset, const uint8_t* data, uint32_t count) {
  uint32_t done = 0;
  while (done < count) {
    ssize_t n = ::pwrite(file.Get(), data + done, count - done, offset + done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<uint32_t>(n);
  }
  return true;
}

void FlashImage::ReadMemory(uint32_t offset, uint8_t* out, uint32_t count) const {
  for (uint32_t done = 0; done < count;) {
    uint32_t at = offset + done;
    uint32_t inPage = at % kPageBytes;
    uint32_t n = std::min(count - done, kPageBytes - inPage);
    auto page = pages.find(at / kPageBytes);
    for (uint32_t i = 0; i < n; ++i) {
      out[done + i] = page != pages.end() ? page->second[inPage + i] : PatternAtOffset(at + i);
    }
    done += n;
  }
}

void FlashImage::WriteMemory(uint32_t offset, const uint8_t* data, uint32_t count) {
  for (uint32_t done = 0; done < count;) {
    uint32_t at = offset + done;
    uint32_t inPage = at % kPageBytes;
    uint32_t n = std::min(count - done, kPageBytes - inPage);
    std::vector<uint8_t>& page = pages[at / kPageBytes];
    if (page.empty()) {
      page.resize(kPageBytes);
      uint32_t start = at - inPage;
      for (uint32_t i = 0; i < kPageBytes; ++i) {
        page[i] = PatternAtOffset(start + i);
      }
    }
    std::copy(data + done, data + done + n, page.begin() + inPage);
    done += n;
  }
}

}  // namespace varnel::sim
