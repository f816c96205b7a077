// BlockSequence: what the numbers of the blocks received in one transfer
// say. The loader numbers its blocks 1, 2, 3, ... When our acknowledgement
// is lost on the line, it sends the block just stored again, with the same
// number and bytes: that repeat must be acknowledged and not stored twice.
// A number out of that order means a block went missing, so the block is
// asked for again. A loader whose first block is not numbered 1, or whose
// second block repeats the first number with other bytes, numbers its
// blocks some other way: its numbers say nothing, and every good block is
// new. Pure logic, one transfer per object.
#pragma once

#include <cstdint>

namespace varnel {

// A received block as far as its sequence is concerned.
struct BlockIdentity {
  uint16_t number = 0;
  uint32_t length = 0;
  uint16_t crc = 0;

  bool operator==(const BlockIdentity&) const = default;
};

class BlockSequence {
 public:
  enum class Verdict {
    kNew,            // store it
    kRepeat,         // the block just stored, again: acknowledge only
    kOutOfSequence,  // a block went missing before it: ask for it again
  };

  // What a block whose CRC matched is, given the blocks stored so far.
  Verdict Classify(const BlockIdentity& block) const;
  // Records a block that was stored (one Classify called kNew).
  void Stored(const BlockIdentity& block);

  // Whether the blocks are known to be numbered from 1 on, so that the
  // last block can be recognised if it comes again.
  bool Numbered() const { return mode == Mode::kFirstIsOne || mode == Mode::kCounting; }
  // The block stored last (meaningful once one was).
  const BlockIdentity& Last() const { return last; }

 private:
  enum class Mode {
    kNothingYet,  // no block stored
    kFirstIsOne,  // one block, numbered 1: counting, unless the next says otherwise
    kCounting,    // 1, 2, ...: the numbers are trusted
    kNoEvidence,  // numbered some other way: the numbers are ignored
  };

  Mode mode = Mode::kNothingYet;
  BlockIdentity last;
};

}  // namespace varnel
