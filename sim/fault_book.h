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

 private:
  static bool Spend(uint32_t* times);

  mutable std::mutex mutex;
  FaultPlan plan;
  std::map<uint32_t, uint32_t> crcSends;  // corrupted sends per block
  bool abortSpent = false;
  bool hangUpSpent = false;
};

}  // namespace varnel::sim
