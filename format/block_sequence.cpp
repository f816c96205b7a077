// Judging received blocks by their numbers.
#include "format/block_sequence.h"

#include "format/wire_format.h"

namespace varnel {

BlockSequence::Verdict BlockSequence::Classify(const BlockIdentity& block) const {
  if (mode == Mode::kNothingYet || mode == Mode::kNoEvidence) return Verdict::kNew;
  if (block == last) return Verdict::kRepeat;
  const uint16_t next = static_cast<uint16_t>(last.number + 1);
  if (block.number == next) return Verdict::kNew;
  // A second block under the first one's number but with other bytes: the
  // loader does not count its blocks.
  if (mode == Mode::kFirstIsOne && block.number == last.number) return Verdict::kNew;
  return Verdict::kOutOfSequence;
}

void BlockSequence::Stored(const BlockIdentity& block) {
  switch (mode) {
    case Mode::kNothingYet: mode = block.number == kFirstBlockNumber ? Mode::kFirstIsOne : Mode::kNoEvidence; break;
    case Mode::kFirstIsOne: mode = block.number == last.number ? Mode::kNoEvidence : Mode::kCounting; break;
    case Mode::kCounting:
    case Mode::kNoEvidence: break;
  }
  last = block;
}

}  // namespace varnel
