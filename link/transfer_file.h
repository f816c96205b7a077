// TransferFile: the file a dump writes or a flash reads, and the line trace's
// file (link/line_trace.h). Only a regular file
// is ever used: a FIFO, a directory or a device is refused, and opening never
// blocks (a FIFO without a reader would hold the worker for ever). Sizes are
// 64-bit, so no file is mistaken for a smaller one. Move-only; closes in the
// destructor. One thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace varnel {

class TransferFile {
 public:
  TransferFile();
  ~TransferFile();
  TransferFile(TransferFile&&) noexcept;
  TransferFile& operator=(TransferFile&&) noexcept;
  TransferFile(const TransferFile&) = delete;
  TransferFile& operator=(const TransferFile&) = delete;

  // Whether a dump may create or replace `path`: true when nothing is there
  // or a regular file is. False, with the reason, for anything else (also
  // when the name can't be examined). Touches nothing.
  static bool MayReplace(const char* path, std::string* reason);

  // Creates `path`, or empties the regular file there, for writing. Not
  // open on failure, with the reason in `reason`.
  static TransferFile Create(const char* path, std::string* reason);
  // Opens `path` for writing at its end, creating it when nothing is
  // there; every write goes to the end. Not open on failure, with the
  // reason.
  static TransferFile Append(const char* path, std::string* reason);
  // Opens the existing regular file `path` for reading from its start. Not
  // open on failure, with the reason.
  static TransferFile OpenForReading(const char* path, std::string* reason);

  bool IsOpen() const;
  // The size of a file opened for reading, when it was opened.
  uint64_t Size() const { return size; }

  // Writes all `count` bytes; false when the file refused some.
  bool Write(const uint8_t* data, uint32_t count);
  // Reads up to `count` bytes; `got` receives how many (fewer at the end
  // of the file). False when the read failed.
  bool Read(uint8_t* buffer, uint32_t count, uint32_t* got);
  // Closes the file; false when the data written may not have reached it.
  // Harmless when not open.
  bool Close();

 private:
  // Opens `path` with the platform's `access` flags; only a regular file
  // is kept open, its size noted.
  static TransferFile OpenRegular(const char* path, uint32_t access, std::string* reason);

  struct Native;  // the platform's handle
  std::unique_ptr<Native> native;
  uint64_t size = 0;
};

}  // namespace varnel
