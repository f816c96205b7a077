// Spending the fault plan: budgets per fault, per block for CRC faults,
// and faults that fire once.
#include "sim/fault_book.h"

namespace varnel::sim {

namespace {

bool Watches(ReceivedBlocks in, TransferKind kind) {
  switch (in) {
    case ReceivedBlocks::kUploadAndFlash: return kind != TransferKind::Dump;
    case ReceivedBlocks::kUploadOnly: return kind == TransferKind::Upload;
    case ReceivedBlocks::kFlashOnly: return kind == TransferKind::Flash;
  }
  return false;
}

}  // namespace

bool FaultBook::Spend(uint32_t* times) {
  if (*times == 0) return false;
  if (*times != kEveryTime) --*times;
  return true;
}

bool FaultBook::SpendAt(uint32_t wanted, uint32_t block, uint32_t* times) {
  return wanted != 0 && wanted == block && Spend(times);
}

bool FaultBook::FireOnceAt(uint32_t wanted, uint32_t block, bool* spent) {
  if (*spent || wanted == 0 || wanted != block) return false;
  *spent = true;
  return true;
}

void FaultBook::Set(const FaultPlan& newPlan) {
  std::lock_guard lock(mutex);
  plan = newPlan;
  crcSends.clear();
  abortSpent = false;
  hangUpSpent = false;
  noiseSpent = false;
  endlessNoiseSpent = false;
  oversizeSpent = false;
}

FaultPlan FaultBook::Plan() const {
  std::lock_guard lock(mutex);
  return plan;
}

bool FaultBook::CorruptCrc(uint32_t block) {
  std::lock_guard lock(mutex);
  const CorruptCrcFault& fault = plan.corruptCrc;
  if (fault.firstBlock == 0 || block < fault.firstBlock || block - fault.firstBlock >= fault.blocks) {
    return false;
  }
  uint32_t& sends = crcSends[block];
  if (sends >= fault.sendsEach) return false;
  ++sends;
  return true;
}

std::optional<uint8_t> FaultBook::BlockAnswer(TransferKind kind, uint32_t block) {
  std::lock_guard lock(mutex);
  BlockAnswerFault& fault = plan.blockAnswer;
  if (fault.block != block || block == 0 || !Watches(fault.in, kind)) {
    return std::nullopt;
  }
  if (!Spend(&fault.times)) return std::nullopt;
  return fault.answer;
}

bool FaultBook::SilenceCommand(uint8_t code) {
  std::lock_guard lock(mutex);
  SilentCommandFault& fault = plan.silentCommand;
  if (fault.code != 0 && fault.code != code) return false;
  return Spend(&fault.times);
}

bool FaultBook::SilenceBlock(TransferKind kind, uint32_t block) {
  std::lock_guard lock(mutex);
  SilentBlockFault& fault = plan.silentBlock;
  if (!Watches(fault.in, kind)) return false;
  if (fault.block != 0 && fault.block != block) return false;
  return Spend(&fault.times);
}

bool FaultBook::AbortDumpAt(uint32_t block) {
  std::lock_guard lock(mutex);
  return FireOnceAt(plan.abortDumpAtBlock, block, &abortSpent);
}

std::optional<uint8_t> FaultBook::CommandError(uint8_t code) {
  std::lock_guard lock(mutex);
  CommandErrorFault& fault = plan.commandError;
  if (fault.response == 0 || fault.code != code) return std::nullopt;
  if (!Spend(&fault.times)) return std::nullopt;
  return fault.response;
}

bool FaultBook::HangUpAfter(TransferKind kind, uint32_t block) {
  std::lock_guard lock(mutex);
  const HangUpFault& fault = plan.hangUp;
  return fault.kind == kind && FireOnceAt(fault.afterBlock, block, &hangUpSpent);
}

bool FaultBook::LoseAck(uint32_t block) {
  std::lock_guard lock(mutex);
  return SpendAt(plan.lostAck.block, block, &plan.lostAck.times);
}

uint32_t FaultBook::NoiseBefore(uint32_t block) {
  std::lock_guard lock(mutex);
  const NoiseBeforeBlockFault& fault = plan.noiseBeforeBlock;
  return FireOnceAt(fault.block, block, &noiseSpent) ? fault.count : 0;
}

bool FaultBook::EndlessNoiseAt(uint32_t block) {
  std::lock_guard lock(mutex);
  return FireOnceAt(plan.endlessNoiseAtBlock, block, &endlessNoiseSpent);
}

std::optional<StallBlockFault> FaultBook::StallBlock(uint32_t block) {
  std::lock_guard lock(mutex);
  StallBlockFault& fault = plan.stallBlock;
  if (!SpendAt(fault.block, block, &fault.times)) return std::nullopt;
  return fault;
}

uint32_t FaultBook::OversizeLastBlock() {
  std::lock_guard lock(mutex);
  if (oversizeSpent || plan.oversizeLastBlock == 0) return 0;
  oversizeSpent = true;
  return plan.oversizeLastBlock;
}

uint32_t FaultBook::WeakFlashCell() {
  std::lock_guard lock(mutex);
  return plan.weakFlashCell;
}

std::optional<uint16_t> FaultBook::WrongNumber(uint32_t block) {
  std::lock_guard lock(mutex);
  WrongNumberFault& fault = plan.wrongNumber;
  if (!SpendAt(fault.block, block, &fault.times)) return std::nullopt;
  return fault.number;
}

}  // namespace varnel::sim
