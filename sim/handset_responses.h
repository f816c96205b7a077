// The simulated handset's own non-zero response bytes: which failure each
// one reports. The program shows them as its status ("Error (%d)"), so they
// avoid the codes the program sets itself (2 to 24, 50 to 59, 254).
#pragma once

#include <cstdint>

namespace varnel::sim {

// Boot ROM: the final byte after the S-records, for the first bad record.
inline constexpr uint8_t kBootRecordSyntax = 0x41;    // not "S" + hex pairs, wrong count
inline constexpr uint8_t kBootRecordChecksum = 0x42;  // checksum byte wrong
inline constexpr uint8_t kBootRecordType = 0x43;      // not S2, or S7/S9 to end
inline constexpr uint8_t kBootRecordAddress = 0x44;   // not 0x400000 + 32 per record
inline constexpr uint8_t kBootRecordLength = 0x45;    // over 32 bytes, or short before the end
inline constexpr uint8_t kBootNoData = 0x46;          // S8 without any S2 before it

// Loader: the response byte after a command packet or a transfer.
inline constexpr uint8_t kLoaderBadArgument = 0x61;    // missing or unusable argument
inline constexpr uint8_t kLoaderBadRegion = 0x62;      // region not inside one bank
inline constexpr uint8_t kLoaderAbandoned = 0x63;      // 0x18 from the program, or too many bad blocks
inline constexpr uint8_t kLoaderTimedOut = 0x64;       // the program went quiet mid-transfer
inline constexpr uint8_t kLoaderSectorCrossed = 0x65;  // a flash block crossed a sector boundary
inline constexpr uint8_t kLoaderFlashFailed = 0x66;    // the image could not be read or written

}  // namespace varnel::sim
