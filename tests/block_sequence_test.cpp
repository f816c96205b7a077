// What the numbers of received blocks say: a repeat of the block just
// stored, a new block, or one after a missing block; and loaders whose
// numbers say nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/block_sequence.h"

namespace varnel {
namespace {

using Verdict = BlockSequence::Verdict;

struct Arrival {
  BlockIdentity block;
  Verdict verdict;
};

// Feeds the blocks in order, storing each one judged new.
void Check(const std::vector<Arrival>& arrivals, bool numberedAtEnd) {
  BlockSequence sequence;
  for (size_t i = 0; i < arrivals.size(); ++i) {
    SCOPED_TRACE("block " + std::to_string(i));
    EXPECT_EQ(sequence.Classify(arrivals[i].block), arrivals[i].verdict);
    if (arrivals[i].verdict == Verdict::kNew) sequence.Stored(arrivals[i].block);
  }
  EXPECT_EQ(sequence.Numbered(), numberedAtEnd);
}

TEST(BlockSequenceTest, CountingLoadersGetRepeatsAndGapsCaught) {
  struct Case {
    const char* what;
    std::vector<Arrival> arrivals;
    bool numbered;
  };
  const std::vector<Case> kCases = {
      {"in order",
       {{{1, 1024, 0xAAAA}, Verdict::kNew}, {{2, 1024, 0xBBBB}, Verdict::kNew}, {{3, 100, 0xCCCC}, Verdict::kNew}},
       true},
      {"the first block again",
       {{{1, 1024, 0xAAAA}, Verdict::kNew}, {{1, 1024, 0xAAAA}, Verdict::kRepeat}, {{2, 1024, 0xBBBB}, Verdict::kNew}},
       true},
      {"a later block again, twice",
       {{{1, 8, 0x1}, Verdict::kNew},
        {{2, 8, 0x2}, Verdict::kNew},
        {{2, 8, 0x2}, Verdict::kRepeat},
        {{2, 8, 0x2}, Verdict::kRepeat},
        {{3, 8, 0x3}, Verdict::kNew}},
       true},
      {"a missing block",
       {{{1, 8, 0x1}, Verdict::kNew},
        {{2, 8, 0x2}, Verdict::kNew},
        {{4, 8, 0x4}, Verdict::kOutOfSequence},
        {{3, 8, 0x3}, Verdict::kNew}},
       true},
      {"the second block missing", {{{1, 8, 0x1}, Verdict::kNew}, {{3, 8, 0x3}, Verdict::kOutOfSequence}}, true},
      {"the last number again with other bytes",
       {{{1, 8, 0x1}, Verdict::kNew}, {{2, 8, 0x2}, Verdict::kNew}, {{2, 8, 0x9}, Verdict::kOutOfSequence}},
       true},
      // ---- loaders whose numbers say nothing ----
      {"numbered from 0",
       {{{0, 8, 0x1}, Verdict::kNew}, {{0, 8, 0x1}, Verdict::kNew}, {{5, 8, 0x3}, Verdict::kNew}},
       false},
      {"every block numbered 1",
       {{{1, 8, 0x1}, Verdict::kNew},
        {{1, 8, 0x2}, Verdict::kNew},
        {{1, 8, 0x2}, Verdict::kNew},
        {{1, 8, 0x3}, Verdict::kNew}},
       false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Check(c.arrivals, c.numbered);
  }
}

TEST(BlockSequenceTest, NumbersWrapAroundAfter65535) {
  BlockSequence sequence;
  sequence.Stored({1, 8, 0});
  for (uint32_t number = 2; number <= 0xFFFF; ++number) {
    sequence.Stored({static_cast<uint16_t>(number), 8, static_cast<uint16_t>(number)});
  }
  EXPECT_EQ(sequence.Classify({0, 8, 0x7}), Verdict::kNew);
  EXPECT_EQ(sequence.Classify({0xFFFF, 8, 0xFFFF}), Verdict::kRepeat);
  EXPECT_EQ(sequence.Classify({1, 8, 0x7}), Verdict::kOutOfSequence);
}

}  // namespace
}  // namespace varnel
