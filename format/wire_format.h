// Byte values, sizes and time limits of the handset's serial protocol: the
// boot ROM dialogue, the loader's command packets and the block transfer.
// Shared by the link (the PC's side) and the simulated handset.
#pragma once

#include <cstdint>

namespace varnel {

// Boot ROM dialogue at power-on.
inline constexpr uint8_t kBootOffer = 0x81;   // the boot ROM's "I am here"
inline constexpr uint8_t kBootAnswer = 0x7E;  // the PC's reply to the offer
inline constexpr uint8_t kRecordAck = '.';    // one per S-record line
inline constexpr char kAtText[] = "AT\r";
inline constexpr char kAtDownloadText[] = "AT**3\r";
inline constexpr char kOkLine[] = "OK";
inline constexpr char kDownloadLine[] = "Download Initiated";
inline constexpr uint8_t kLineEnd = '\r';    // ends the boot ROM's lines
inline constexpr uint8_t kRecordEnd = '\n';  // ends each S-record sent
inline constexpr uint32_t kStageOneAddress = 0x400000;
inline constexpr uint32_t kRecordDataBytes = 32;
// S-record anatomy: "S2" data records with a 3-byte address, one closing
// "S8"; the count byte covers address, data and the 1-byte checksum.
inline constexpr char kRecordDataType[] = "S2";
inline constexpr char kRecordEndType[] = "S8";
inline constexpr uint32_t kRecordAddressBytes = 3;
inline constexpr uint32_t kRecordChecksumBytes = 1;
inline constexpr uint32_t kRecordCountOverhead = kRecordAddressBytes + kRecordChecksumBytes;
static_assert(kRecordCountOverhead + kRecordDataBytes == 0x24);

// Line speeds in bit/s.
inline constexpr uint32_t kBootSpeed = 38400;
inline constexpr uint32_t kUploadSpeed = 115200;
inline constexpr uint32_t kLineBitsPerByte = 10;  // start, 8 data, stop

// Loader command packets: length byte, code, up to two 32-bit arguments.
inline constexpr uint8_t kCmdDisconnect = 0x13;
inline constexpr uint8_t kCmdUpload = 0x14;
inline constexpr uint8_t kCmdLineSpeed = 0x29;
inline constexpr uint8_t kCmdState = 0x31;
inline constexpr uint8_t kCmdDump = 0x34;
inline constexpr uint8_t kCmdFlash = 0x35;
inline constexpr uint8_t kCmdBlockSize = 0x36;
inline constexpr uint32_t kCodeAtText = 250;          // writes kAtText
inline constexpr uint32_t kCodeAtDownloadText = 251;  // writes kAtDownloadText
inline constexpr uint32_t kPacketLengthBytes = 1;     // the length byte L
inline constexpr uint32_t kPacketHeaderBytes = 2;     // length and code
inline constexpr uint32_t kPacketArgumentBytes = 4;
inline constexpr uint32_t kPacketMaxBytes = kPacketHeaderBytes + 2 * kPacketArgumentBytes;
static_assert(kPacketMaxBytes == 10);
inline constexpr uint8_t kResponseOk = 0;
inline constexpr uint8_t kResponseNotImplemented = 0xFE;

// Loader state values, each the OR of two parts.
inline constexpr uint32_t kStateFlashParts[2] = {2, 16};
inline constexpr uint32_t kStateDumpParts[2] = {8, 16};
inline constexpr uint32_t kStateIdleParts[2] = {6, 48};
inline constexpr uint32_t kStateFlash = kStateFlashParts[0] | kStateFlashParts[1];  // 0x12
inline constexpr uint32_t kStateDump = kStateDumpParts[0] | kStateDumpParts[1];     // 0x18
inline constexpr uint32_t kStateIdle = kStateIdleParts[0] | kStateIdleParts[1];     // 0x36
static_assert(kStateFlash == 0x12 && kStateDump == 0x18 && kStateIdle == 0x36);

// Block transfer control bytes.
inline constexpr uint8_t kStx = 0x02;  // starts every block
inline constexpr uint8_t kAck = 0x06;  // ready / block accepted
inline constexpr uint8_t kDc4 = 0x14;  // the loader aborts
inline constexpr uint8_t kNak = 0x15;  // send the block again
inline constexpr uint8_t kSyn = 0x16;  // send again: the CRC did not match
inline constexpr uint8_t kEtb = 0x17;  // send again: the CRC did not arrive
inline constexpr uint8_t kCan = 0x18;  // transfer abandoned

// Block layout: start, number, length, data, CRC (fields little-endian).
inline constexpr uint32_t kBlockStartBytes = 1;
inline constexpr uint32_t kBlockNumberBytes = 2;
inline constexpr uint32_t kBlockLengthBytes = 2;
inline constexpr uint32_t kBlockCrcBytes = 2;
inline constexpr uint32_t kBlockHeaderBytes = kBlockStartBytes + kBlockNumberBytes + kBlockLengthBytes;
inline constexpr uint32_t kBlockOverheadBytes = kBlockHeaderBytes + kBlockCrcBytes;
static_assert(kBlockOverheadBytes == 7);
inline constexpr uint16_t kFirstBlockNumber = 1;       // of every transfer
inline constexpr uint32_t kMaxBlockData = 8192;        // largest block we send
inline constexpr uint32_t kReceiveBlockBytes = 65536;  // any length field fits

// Flash banks.
inline constexpr uint32_t kBankSize = 0x800000;
inline constexpr uint32_t kBank1Base = 0x1000000;
inline constexpr uint32_t kBank2Base = 0x2000000;
inline constexpr uint32_t kSmallSector = 0x2000;
inline constexpr uint32_t kLargeSector = 0x10000;

// Loader package: header, stage one's length, stage one, then chunks.
inline constexpr uint32_t kPackageHeaderBytes = 9;
inline constexpr uint32_t kPackageLengthBytes = 2;

}  // namespace varnel
