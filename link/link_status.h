// LinkStatus: the signed 32-bit result of every link operation. 0 is success;
// the loader's one-byte responses share the numbering, so any value 0..255
// may arrive from the handset. The codes the program sets itself are named
// here; StatusMessage gives the message format of any code.
#pragma once

#include <cstdint>

namespace varnel {

using LinkStatus = int32_t;

inline constexpr LinkStatus kStatusOk = 0;
inline constexpr LinkStatus kStatusTimeout = 2;
inline constexpr LinkStatus kStatusWrite = 3;
inline constexpr LinkStatus kStatusRead = 4;
inline constexpr LinkStatus kStatusEventMask = 5;
inline constexpr LinkStatus kStatusQueueSizes = 6;
inline constexpr LinkStatus kStatusGetTimeouts = 7;
inline constexpr LinkStatus kStatusSetTimeouts = 8;
inline constexpr LinkStatus kStatusAlreadyOpen = 10;
inline constexpr LinkStatus kStatusCantOpenPort = 11;
inline constexpr LinkStatus kStatusPortClosed = 12;
inline constexpr LinkStatus kStatusNoPackage = 13;
inline constexpr LinkStatus kStatusCantOpenFile = 15;
inline constexpr LinkStatus kStatusTextTooLong = 16;
inline constexpr LinkStatus kStatusGetLineState = 17;
inline constexpr LinkStatus kStatusSetLineState = 18;
inline constexpr LinkStatus kStatusLineStatus = 19;
inline constexpr LinkStatus kStatusPacketWrite = 20;
inline constexpr LinkStatus kStatusPackageRead = 22;
inline constexpr LinkStatus kStatusReadNull = 23;
inline constexpr LinkStatus kStatusNoAck = 50;
inline constexpr LinkStatus kStatusBlockAborted = 51;
inline constexpr LinkStatus kStatusBlockFailed = 52;
inline constexpr LinkStatus kStatusNoBlockStart = 54;
inline constexpr LinkStatus kStatusReceiveAborted = 55;
inline constexpr LinkStatus kStatusRegionPastBank = 56;
inline constexpr LinkStatus kStatusRegionBelowBanks = 57;
inline constexpr LinkStatus kStatusCrcMismatch = 58;
inline constexpr LinkStatus kStatusCrcMissing = 59;

// Loader responses that have a message of their own; the program never sets
// them itself.
inline constexpr LinkStatus kStatusWriteNull = 24;
inline constexpr LinkStatus kStatusNotImplemented = 254;

// The printf format (one "%d", filled with the code itself) of a status.
// Unknown and negative codes give "Error (%d)".
const char* StatusMessage(LinkStatus status);

}  // namespace varnel
