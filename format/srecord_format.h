// Motorola S-records for the boot ROM: S2 data records of 32 bytes from
// 0x400000, then one closing S8 record, each line ended by CR LF.
#pragma once

#include <cstdint>

namespace varnel {

// The length of the text FormatSRecords makes for `count` bytes.
uint32_t SRecordTextLength(uint32_t count);

// Writes the records for `count` bytes at `data` into `text` (which must
// hold SRecordTextLength(count) characters; no NUL is added) and returns
// the number of characters written. With no bytes, one empty data record
// is made.
uint32_t FormatSRecords(const uint8_t* data, char* text, uint32_t count);

}  // namespace varnel
