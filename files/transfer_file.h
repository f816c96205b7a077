// TransferFile: every file a transfer or the line trace reads or writes,
// opened by the rules for files that come from outside. Only a regular file
// is ever used, and what a name stands for is looked at before it is
// opened, so a FIFO, a directory or a device is refused without being
// opened (opening some devices does something: a watchdog starts). A file
// the program writes is never reached through a symbolic link, a new one
// is private to its owner (0600), and the file opened must be the one that
// was looked at (same device and inode), so a name swapped in between is
// caught. Sizes are 64-bit. Move-only; closes in the destructor. One thread
// at a time.
//
// Names are narrow strings as the system passes them: bytes on POSIX, UTF-8
// on Windows (converted to the wide-character API there).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace varnel {

// What tells one file from another, and whether it has changed: the
// device and the file's number on it (Windows: volume serial and file
// index), its size and when it was last modified (in the system's units).
struct FileStamp {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t size = 0;
  int64_t modified = 0;

  bool SameFile(const FileStamp& other) const { return device == other.device && inode == other.inode; }
  bool operator==(const FileStamp&) const = default;
};

class TransferFile {
 public:
  TransferFile();
  ~TransferFile();
  TransferFile(TransferFile&&) noexcept;
  TransferFile& operator=(TransferFile&&) noexcept;
  TransferFile(const TransferFile&) = delete;
  TransferFile& operator=(const TransferFile&) = delete;

  // Whether a dump may create or replace `path`: true when nothing is there
  // or a regular file is. False, with the reason, for a symbolic link and
  // anything that is not a regular file (also when the name can't be
  // examined). Touches nothing.
  static bool MayReplace(const char* path, std::string* reason);

  // Creates `path` (0600, less the umask) or empties the regular file
  // there, for writing. Not open on failure, with the reason in `reason`.
  static TransferFile Create(const char* path, std::string* reason);
  // Opens `path` for writing at its end, creating it (0600) when nothing is
  // there; every write goes to the end. Not open on failure, with the
  // reason.
  static TransferFile Append(const char* path, std::string* reason);
  // Opens the existing regular file `path` for reading from its start; a
  // symbolic link to one is followed. Not open on failure, with the reason.
  static TransferFile OpenForReading(const char* path, std::string* reason);
  // A new, empty file for reading and writing that has no name: in the
  // system's temporary folder, private, and gone when it is closed or the
  // process ends in any way (a crash or a kill included). Not open on
  // failure, with the reason.
  static TransferFile CreateTemporary(std::string* reason);

  bool IsOpen() const;
  // The size of the file when it was opened.
  uint64_t Size() const { return size; }
  // The open file's stamp as it is now; all zero when it can't be read.
  FileStamp Stamp() const;

  // Writes all `count` bytes; false when the file refused some.
  bool Write(const uint8_t* data, uint32_t count);
  // Reads up to `count` bytes; `got` receives how many (fewer at the end
  // of the file). False when the read failed.
  bool Read(uint8_t* buffer, uint32_t count, uint32_t* got);
  // Reads and writes go on from the file's start.
  bool Rewind();
  // Closes the file; false when the data written may not have reached it.
  // Harmless when not open.
  bool Close();

 private:
  struct Native;  // the platform's handle
  std::unique_ptr<Native> native;
  uint64_t size = 0;
};

// Whether `first` and `second` name the same file: the same path once made
// absolute and normal (whether or not the file exists), or two names of
// one existing file (a link, another spelling). Neither is opened.
bool SameFile(const char* first, const char* second);

}  // namespace varnel
