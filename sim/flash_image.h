// FlashImage: the handset's 16 MiB of flash, both banks, bank 1 first.
// Backed by an image file (read and written in place, never held in memory)
// or, without a file, by the fresh pattern plus an overlay of written pages.
// One thread at a time (the handset's thread).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "files/unique_fd.h"

namespace varnel::sim {

enum class ImageOpenResult {
  kOk,
  kCannotOpen,    // the file can't be opened or created
  kWrongSize,     // an existing file that is not exactly 16 MiB: left alone
  kCannotCreate,  // writing the pattern into a new file failed
};

// Text for a result, for the program's messages.
const char* ImageOpenResultText(ImageOpenResult result);

class FlashImage {
 public:
  // An image in memory, filled with the pattern.
  FlashImage() = default;
  FlashImage(const FlashImage&) = delete;
  FlashImage& operator=(const FlashImage&) = delete;
  FlashImage(FlashImage&&) = default;
  FlashImage& operator=(FlashImage&&) = default;

  // Opens the image file at `path`; a missing file is created and filled with
  // the pattern. On failure `image` is left as it was.
  [[nodiscard]] static ImageOpenResult OpenFile(const std::string& path, FlashImage* image);

  // Copies `count` bytes from absolute flash `address` into `out`. False when
  // the range is not inside one bank or the file read failed.
  [[nodiscard]] bool Read(uint32_t address, uint8_t* out, uint32_t count) const;

  // Stores `count` bytes at absolute flash `address` (file: written through
  // at once). False when the range is not inside one bank or the write failed.
  [[nodiscard]] bool Write(uint32_t address, const uint8_t* data, uint32_t count);

 private:
  bool ReadFile(uint32_t offset, uint8_t* out, uint32_t count) const;
  bool WriteFile(uint32_t offset, const uint8_t* data, uint32_t count);
  void ReadMemory(uint32_t offset, uint8_t* out, uint32_t count) const;
  void WriteMemory(uint32_t offset, const uint8_t* data, uint32_t count);

  UniqueFd file;  // invalid: the in-memory image
  // In memory: the pages written so far, by page index; the rest is pattern.
  std::unordered_map<uint32_t, std::vector<uint8_t>> pages;
};

// The pattern byte at image-file `offset` (bank 1 first), as a fresh image
// holds it.
uint8_t PatternAtOffset(uint32_t offset);

}  // namespace varnel::sim
