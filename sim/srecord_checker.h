// SRecordChecker: the boot ROM's check of the stage-one upload, one
// S-record line at a time: S2 data records from 0x400000 rising by 32, then
// one closing S8 record. Collects the code it accepted. One thread at a time.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace varnel::sim {

enum class RecordVerdict {
  kData,  // a good data record; its bytes were added to Code()
  kEnd,   // a closing record (S7, S8 or S9): the upload is over
  kBad,   // anything else; Response() now holds an error byte
};

class SRecordChecker {
 public:
  // Checks one line as received, without its LF. Upper-case hex only; a CR
  // left in the line is an error, since records must end in LF alone.
  RecordVerdict Check(std::string_view line);

  // The boot ROM's final response: 0 when every record so far was good and
  // the closing record was S8 at 0x400000 after some data; otherwise the
  // byte of the first failure (sim/handset_responses.h).
  uint8_t Response() const;

  bool Ended() const { return ended; }
  uint32_t DataRecords() const { return dataRecords; }
  const std::vector<uint8_t>& Code() const { return code; }

 private:
  RecordVerdict Fail(uint8_t error);
  RecordVerdict CheckData(const std::vector<uint8_t>& fields);
  RecordVerdict CheckEnd(char type, const std::vector<uint8_t>& fields);

  uint8_t firstError = 0;
  bool ended = false;
  bool lastWasShort = false;  // a data record under 32 bytes must be the last
  uint32_t dataRecords = 0;
  std::vector<uint8_t> code;
};

}  // namespace varnel::sim
