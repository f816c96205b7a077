// The master side of a pseudo-terminal: the simulated handset's end of the
// "cable". The program under test opens SlavePath() as its serial port.
// One thread at a time may use an instance. Move-free and copy-free: the
// handset replaces the whole object when it hangs up the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace varnel::sim {

class PtyMaster {
 public:
  PtyMaster();  // opens a new pseudo-terminal; check IsOpen()
  ~PtyMaster();
  PtyMaster(const PtyMaster&) = delete;
  PtyMaster& operator=(const PtyMaster&) = delete;

  bool IsOpen() const { return fd >= 0; }
  int Descriptor() const { return fd; }
  const std::string& SlavePath() const { return slavePath; }

  // The line speed in bit/s that the program last set on the slave side
  // (Linux reports the slave's settings through the master); 0 if unknown.
  uint32_t ProgramSpeed() const;

  // Whether the slave side is currently opened by the program.
  bool SlaveOpen() const;

  // Writes all of `data` (waiting while the pty buffer is full, at most
  // `timeoutMs`); returns false if the line broke or the wait ran out.
  bool Write(const uint8_t* data, size_t count, int timeoutMs = 5000);

  // Reads what is queued, waiting up to `timeoutMs` for the first byte.
  // Returns the number of bytes read; 0 on time-out or when nobody holds the
  // slave side.
  size_t Read(uint8_t* buffer, size_t capacity, int timeoutMs);

  // Drops bytes queued in both directions, so a program that opens the port
  // next does not read what was meant for the last one.
  void Flush();

  // Closes the master: the program's port sees a hang-up.
  void Close();

 private:
  int fd = -1;
  std::string slavePath;
};

}  // namespace varnel::sim
