// Ids of the user-visible texts. Texts are looked up by these numbers in the
// program's own table or in the language module.
#pragma once

#include <cstdint>

namespace varnel::text {

inline constexpr uint16_t kOptionsCaption = 1;
inline constexpr uint16_t kAboutCaption = 2;
inline constexpr uint16_t kWarningCaption = 3;
inline constexpr uint16_t kConnectInstructions = 4;
inline constexpr uint16_t kSerialModeNotice = 6;
inline constexpr uint16_t kHide = 8;
inline constexpr uint16_t kRead = 9;
inline constexpr uint16_t kWrite = 10;
inline constexpr uint16_t kSwitchToSerial = 11;
inline constexpr uint16_t kSpeedGroup = 14;
inline constexpr uint16_t kComPortGroup = 15;
inline constexpr uint16_t kFlasherTab = 17;
inline constexpr uint16_t kPatcherTab = 18;
inline constexpr uint16_t kInstructionTab = 19;
inline constexpr uint16_t kWelcome = 20;
inline constexpr uint16_t kDisconnect = 22;
inline constexpr uint16_t kDumperTab = 23;
inline constexpr uint16_t kClose = 24;
inline constexpr uint16_t kSelectBin = 26;
inline constexpr uint16_t kOffsetGroup = 27;
inline constexpr uint16_t kSizeGroup = 28;
inline constexpr uint16_t kPresetSystem = 29;
inline constexpr uint16_t kPresetImage = 30;
inline constexpr uint16_t kPresetData = 31;
inline constexpr uint16_t kUsingPort = 33;  // "%s", "%d", "%d"
inline constexpr uint16_t kComPortOpened = 34;
inline constexpr uint16_t kPortSpeed = 35;  // "%d"
inline constexpr uint16_t kThreadStarted = 36;
inline constexpr uint16_t kThreadExit = 37;
inline constexpr uint16_t kComPortClosed = 38;
inline constexpr uint16_t kDownloadInitiated = 39;
inline constexpr uint16_t kSending = 40;
inline constexpr uint16_t kSwitchedToSerial = 41;
inline constexpr uint16_t kSwitchFirst = 42;
inline constexpr uint16_t kMainCaption = 43;
inline constexpr uint16_t kStartDump = 44;
inline constexpr uint16_t kFileNameLabel = 45;
inline constexpr uint16_t kOffsetSize = 46;  // "0x%x", "0x%x"
inline constexpr uint16_t kStartFlash = 47;
inline constexpr uint16_t kTimeElapsed = 48;  // "%s"
inline constexpr uint16_t kTransmitStarted = 49;
inline constexpr uint16_t kTransmitting = 50;
inline constexpr uint16_t kTransmitFinished = 51;
inline constexpr uint16_t kReceiveStarted = 53;
inline constexpr uint16_t kReceiving = 54;
inline constexpr uint16_t kReceiveFinished = 55;
inline constexpr uint16_t kFlashStarted = 56;
inline constexpr uint16_t kFlashing = 57;
inline constexpr uint16_t kFlashFinished = 58;
inline constexpr uint16_t kBlockGroup = 59;
inline constexpr uint16_t kNameColumn = 60;
inline constexpr uint16_t kAuthorColumn = 61;
inline constexpr uint16_t kVersionColumn = 62;
// A region text that is not a complete hexadecimal number refuses the
// request: a red line naming the field and the text, and a message saying
// what form is expected.
inline constexpr uint16_t kBadOffsetText = 63;  // "%s"
inline constexpr uint16_t kBadSizeText = 64;    // "%s"
inline constexpr uint16_t kRegionTextForm = 65;
// The chosen line speed is one the port can't run at.
inline constexpr uint16_t kSpeedUnavailable = 66;  // "%d", "%d"
// The Options dialog's note on a port whose device does not exist.
inline constexpr uint16_t kPortNotPresent = 67;
// Bytes arrive while the boot ROM's offer is awaited, but not the offer.
inline constexpr uint16_t kStrayBytesNoOffer = 68;  // "%u"
// A rate in KiB a second, and the rate with the time left, after a
// progress display's text.
inline constexpr uint16_t kRateFormat = 69;       // "%.1f"
inline constexpr uint16_t kRateAndTimeLeft = 70;  // "%s", "%s"
// After "Time elapsed": the rate over the whole transfer.
inline constexpr uint16_t kAverageRate = 71;  // "%s"
// Verify after flash: the read-back's progress, and the outcome.
inline constexpr uint16_t kVerifying = 72;
inline constexpr uint16_t kVerifyOk = 73;
inline constexpr uint16_t kVerifyMismatch = 74;  // "%x", "%u"
inline constexpr uint16_t kVerifyIncomplete = 75;
inline constexpr uint16_t kVerifyCantCompare = 76;  // "%s"
// The flash page's check box.
inline constexpr uint16_t kVerifyBox = 77;
// File menu: the log into a text file.
inline constexpr uint16_t kSaveLogItem = 78;
inline constexpr uint16_t kSaveLogFailed = 79;  // "%s"
// The line trace file could not be written.
inline constexpr uint16_t kTraceOff = 80;  // "%s"
// Each connect that traces names the trace's file in full.
inline constexpr uint16_t kTraceFileIs = 81;  // "%s"
// A TraceFile of a settings file in the working directory that is not a
// plain file name there.
inline constexpr uint16_t kTraceFileIgnored = 82;  // "%s"
// A port map entry that does not name a serial device: the key, the value.
inline constexpr uint16_t kPortMapRefused = 83;  // "%s", "%s"
// The trace's file is one the program reads or writes (the dump or flash
// file, the loader package, the settings file).
inline constexpr uint16_t kTraceIsProgramFile = 84;  // "%s"
// Verify after flash: the image changed after it was flashed.
inline constexpr uint16_t kVerifyImageChanged = 85;  // "%s"
// The settings could not be written.
inline constexpr uint16_t kSettingsNotSaved = 86;  // "%s"
// A dump or flash asked for with the file the line trace is writing.
inline constexpr uint16_t kFileIsTrace = 87;  // "%s"
// A block size that can't be used, and the one used instead.
inline constexpr uint16_t kBlockSizeRefused = 88;  // "%u", "%u"
// A dump stopped by the user: the bytes of the whole blocks saved.
inline constexpr uint16_t kDumpStopped = 89;  // "%u"
// A stop during a flash: the flash finishes first (the time it still
// needs), or, stopped again, is aborted where it got to.
inline constexpr uint16_t kFinishingFlash = 90;  // "%s"
inline constexpr uint16_t kFlashAborted = 91;    // "%x"
// The window's question when it is closed during a flash, and its answers.
inline constexpr uint16_t kFlashUnderWay = 92;
inline constexpr uint16_t kFinishFlash = 93;
inline constexpr uint16_t kAbortFlash = 94;
// The settings file that is there but ignored, and why.
inline constexpr uint16_t kSettingsNotRegular = 95;  // "%s"
inline constexpr uint16_t kSettingsTooLarge = 96;    // "%s", "%s"
inline constexpr uint16_t kSettingsUnreadable = 97;  // "%s"
// The file dialog's refusal of a read-only file.
inline constexpr uint16_t kReadOnlyCaption = 98;
inline constexpr uint16_t kReadOnlyChosen = 99;  // "%s"
// varnel-cli's own lines.
inline constexpr uint16_t kNoAnswerWithin = 100;  // "%d"
inline constexpr uint16_t kFileNameTooLong = 101;
inline constexpr uint16_t kPackageNotOpened = 102;  // "%s"
inline constexpr uint16_t kPackageLookedFor = 103;  // "%s", "%s"
inline constexpr uint16_t kInterrupted = 104;
// A last block longer than what the transfer lacks.
inline constexpr uint16_t kBeyondSize = 105;  // "%u", "%u"
// Why a port could not be opened, and what to do.
inline constexpr uint16_t kNeedGroup = 106;
inline constexpr uint16_t kOnlyRoot = 107;
inline constexpr uint16_t kModeDenies = 108;      // "%s"
inline constexpr uint16_t kInGroupAlready = 109;  // "%s"
inline constexpr uint16_t kSomethingElseRefuses = 110;
inline constexpr uint16_t kJoinGroup = 111;        // "%s", "%s"
inline constexpr uint16_t kHeldBySomething = 112;  // "%s"
inline constexpr uint16_t kHeldBy = 113;           // "%s"
inline constexpr uint16_t kAProcess = 114;
inline constexpr uint16_t kCloseThatProgram = 115;
inline constexpr uint16_t kCloseThosePrograms = 116;
inline constexpr uint16_t kModemManagerRule = 117;  // "%s", "%s", "%s"
inline constexpr uint16_t kUsbIdsInstead = 118;     // "%s", "%s"
inline constexpr uint16_t kCheckCable = 119;
inline constexpr uint16_t kCheckCableOrMap = 120;
inline constexpr uint16_t kNotASerialDevice = 121;
inline constexpr uint16_t kNoSerialDevice = 122;
inline constexpr uint16_t kDevicesPresent = 123;  // "%s"
inline constexpr uint16_t kCheckCableOrUse = 124;
inline constexpr uint16_t kPortHeld = 125;
// Why a name is not a serial device.
inline constexpr uint16_t kNotCharacterDevice = 126;
inline constexpr uint16_t kOtherDeviceClass = 127;  // "%s"
// "varnel-cli ports" found none.
inline constexpr uint16_t kNoSerialDeviceFound = 128;
// Resuming a dump: the file is whole already; the dump goes on; the file
// can't be resumed.
inline constexpr uint16_t kDumpComplete = 129;   // "%s"
inline constexpr uint16_t kResuming = 130;       // "%s", "%u", "%u", "%x"
inline constexpr uint16_t kResumeRefused = 131;  // "%s"
// Backing up the whole handset, checking and restoring a backup.
inline constexpr uint16_t kBackupPartStarts = 132;   // "%s", "%x", "%x", "%s"
inline constexpr uint16_t kBackupComplete = 133;     // "%s"
inline constexpr uint16_t kBackupIncomplete = 134;   // "%s"
inline constexpr uint16_t kBackupExists = 135;       // "%s"
inline constexpr uint16_t kBackupForeignFile = 136;  // "%s"
inline constexpr uint16_t kAllParts = 137;           // "%s", "%s"
inline constexpr uint16_t kNoBackupThere = 138;      // "%s"
inline constexpr uint16_t kPartChanged = 139;        // "%s"
inline constexpr uint16_t kPartMissing = 140;        // "%s"
inline constexpr uint16_t kPartIncomplete = 141;     // "%s"
inline constexpr uint16_t kPartIntact = 142;         // "%s"
inline constexpr uint16_t kNothingRestored = 143;
inline constexpr uint16_t kRestorePart = 144;       // "%s", "%s", "%x"
inline constexpr uint16_t kRestoredVerified = 145;  // "%s"
inline constexpr uint16_t kNotRestored = 146;       // "%s"
inline constexpr uint16_t kBackupIntact = 147;      // "%s"
inline constexpr uint16_t kBackupNotIntact = 148;   // "%s"
// The window's Tools menu items and their dialogs.
inline constexpr uint16_t kBackupItem = 149;
inline constexpr uint16_t kRestoreItem = 150;
inline constexpr uint16_t kRestoreWarning = 151;  // "%s"
inline constexpr uint16_t kRestoreButton = 152;
inline constexpr uint16_t kCancelButton = 153;
inline constexpr uint16_t kContinueDump = 154;  // "%s", "%u", "%u"
inline constexpr uint16_t kGoOnButton = 155;
inline constexpr uint16_t kStartAnewButton = 156;
inline constexpr uint16_t kForceStartsAnew = 157;

// Buffer capacities passed to LoadText: most callers use 256-character
// buffers; the main window's start-up reads its long texts with 1024.
inline constexpr uint32_t kTextCapacity = 255;
inline constexpr uint32_t kLongTextCapacity = 1024;

}  // namespace varnel::text
