// FaultBook: the handset's running copy of its FaultPlan. Each query both
// asks whether a fault fires now and spends it. Thread-safe: tests replace
// the plan while the handset's thread spends it.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

#include "sim/fault_plan.h"

namespace varnel::sim {

class FaultBook {
 public:
  // Replaces the plan and restores every budget.
  void Set(const FaultPlan& plan);
  FaultPlan Plan() const;

  // Dump: whether this send of block `block` gets a wrong CRC.
  bool CorruptCrc(uint32_t block);
  // Upload or flash: the forced answer to block `block`, if any.
  std::optional<uint8_t> BlockAnswer(TransferKind kind, uint32_t block);
  bool SilenceCommand(uint8_t code);
  bool SilenceBlock(TransferKind kind, uint32_t block);
  bool AbortDumpAt(uint32_t block);
  std::optional<uint8_t> CommandError(uint8_t code);
  bool HangUpAfter(TransferKind kind, uint32_t block);

  // Dump: whether the program's 0x06 to block `block` is taken as lost.
  bool LoseAck(uint32_t block);
  // Dump: how many noise bytes go before block `block` (once; 0: none).
  uint32_t NoiseBefore(uint32_t block);
  // Dump: whether endless noise takes the place of block `block` (once).
  bool EndlessNoiseAt(uint32_t block);
  // Dump: the stall for this send of block `block`, if any.
  std::optional<StallBlockFault> StallBlock(uint32_t block);
  // Dump: the extra bytes of the last block (once; 0: none).
  uint32_t OversizeLastBlock();
  // Dump: the number this send of block `block` carries instead of its own.
  std::optional<uint16_t> WrongNumber(uint32_t block);
  // The flash address whose byte is stored inverted; 0: none.
  uint32_t WeakFlashCell();

 private:
  static bool Spend(uint32_t* times);
  // Spend(times) when `block` is the `wanted` one (0: the fault is off).
  static bool SpendAt(uint32_t wanted, uint32_t block, uint32_t* times);
  // For faults that fire once: true the first time `block` is `wanted`.
  static bool FireOnceAt(uint32_t wanted, uint32_t block, bool* spent);

  mutable std::mutex mutex;
  FaultPlan plan;
  std::map<uint32_t, uint32_t> crcSends;  // corrupted sends per block
  bool abortSpent = false;
  bool hangUpSpent = false;
  bool noiseSpent = false;
  bool endlessNoiseSpent = false;
  bool oversizeSpent = false;
};

}  // namespace varnel::sim
