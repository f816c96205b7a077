// HandProgram: the program's side of the handset protocol spoken by hand,
// byte by byte and without retries, so tests of the simulated handset can
// drive it (and provoke it) without the real link. Test support only; one
// thread at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/slave_port.h"

namespace varnel::sim {

// Whether the program follows the handset's speed switch after
// "Download Initiated" (kForget models a program that does not).
enum class SpeedSwitch { kFollow, kForget };

class HandProgram {
 public:
  static constexpr std::chrono::milliseconds kWait{2000};

  SlavePort& Port() { return port; }

  [[nodiscard]] bool Open(const std::string& path, uint32_t speed);
  void Close() { port.Close(); }

  // Waits for 0x81, answers 0x7E, runs "AT" and "AT**3". False when an
  // expected byte or line did not come.
  [[nodiscard]] bool Handshake(SpeedSwitch speedSwitch);

  // Sends `code` as S-records (one "." awaited per line) and returns the
  // final response, or nothing when a byte did not come.
  std::optional<uint8_t> SendStageOne(const std::vector<uint8_t>& code);

  // Handshake, an empty stage one and block size `blockSize`: the loader
  // runs at 115200 bit/s afterwards. False when a step failed.
  [[nodiscard]] bool Connect(uint32_t blockSize);

  // Sends a command packet; Command() also reads its response byte.
  [[nodiscard]] bool SendPacket(uint8_t code, uint32_t first, uint32_t second);
  std::optional<uint8_t> Command(uint8_t code, uint32_t first, uint32_t second);
  std::optional<uint8_t> ReadByte(std::chrono::milliseconds timeout = kWait);

  // After a 0x14 or 0x35 packet: waits for the ready byte, sends `data` in
  // blocks of at most `blockSize` bytes, re-sending on 0x15/0x16/0x17, and
  // returns the final response (nothing when a byte did not come). `answers`
  // gets every byte read after the ready byte, the response included.
  std::optional<uint8_t> SendBlocks(const std::vector<uint8_t>& data, uint32_t blockSize,
                                    std::vector<uint8_t>* answers);

  // After a 0x34 packet: sends 0x06, reads blocks until `size` bytes have
  // been accepted, answering a bad CRC with 0x16, and returns the final
  // response. `data` gets the accepted bytes.
  std::optional<uint8_t> ReceiveDump(uint32_t size, std::vector<uint8_t>* data);

  // Reads one block from the loader as it crossed the line: 0x02, number,
  // length, data and CRC. Nothing when the first byte was not 0x02 or a
  // byte did not come in time.
  std::optional<std::vector<uint8_t>> ReadBlock();

  // Reads and drops bytes until `wanted`, for at most kWait in all. False
  // when it did not come.
  [[nodiscard]] bool SkipUntil(uint8_t wanted);

  static std::vector<uint8_t> Packet(uint8_t code, uint32_t first, uint32_t second);
  static std::vector<uint8_t> Block(uint16_t number, const std::vector<uint8_t>& data);
  // The S-record lines for `code`, each ended by LF alone.
  static std::vector<std::string> SRecords(const std::vector<uint8_t>& code);

 private:
  // Reads lines ended by CR until one reads `expected` with white space
  // trimmed (other lines, such as queued offers, are skipped), for at most
  // kWait in all.
  bool AwaitBootLine(std::string_view expected);
  // The rest of a block whose 0x02 has been read, the 0x02 put in front.
  std::optional<std::vector<uint8_t>> ReadBlockAfterStart();

  SlavePort port;
};

}  // namespace varnel::sim
