// Resuming a dump: beside a file being dumped lies "<file>.varnel", a one-line
// record of the region the file is being dumped from, written when the dump
// starts and removed once the file holds the whole region. A dump that was
// cut off can go on from where its file ends, but only into a file whose
// record names the same region: a resume never appends to a file that came
// from another region, or from anywhere unknown. Qt-free; any thread.
#pragma once

#include <cstdint>
#include <string>

#include "format/flash_bank.h"

namespace varnel {

inline constexpr char kDumpRecordSuffix[] = ".varnel";

// Writes the record of `region` beside the dump file `file` (narrow name);
// false when it can't be written (the dump then goes on, unresumable).
bool WriteDumpRecord(const std::string& file, const FlashRegion& region);
// Removes the record beside `file`, if any.
void RemoveDumpRecord(const std::string& file);

// What a dump of `region` into an existing file should do.
enum class ResumeVerdict {
  Fresh,     // no file there: the whole region
  Resume,    // the file holds the region's first `kept` bytes: the rest
  Complete,  // the file holds the whole region: nothing to do
  Refused,   // the file is longer than the region, not a regular file, or
             // not known to be a part of this region
};

struct ResumePlan {
  ResumeVerdict verdict = ResumeVerdict::Fresh;
  uint32_t kept = 0;  // bytes of the region already in the file
};

// Judges `file` (narrow name) and its record against `region`.
ResumePlan PlanResume(const std::string& file, const FlashRegion& region);

}  // namespace varnel
