// The settings file (Varnel.ini in the working directory): the main
// window's section "Settings" (and there the line trace's file), the pages' file names in "Flasher" and
// "Dumper", and the hidden warnings in "Warning". Other sections (the port
// map "Ports") are left as they are. Reads of a missing or broken file give
// the defaults; a first start creates no file. Qt-free, any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "settings/port_options.h"
#include "settings/profile_store.h"

namespace varnel {

inline constexpr char kSettingsSection[] = "Settings";
inline constexpr char kFlasherSection[] = "Flasher";
inline constexpr char kDumperSection[] = "Dumper";
inline constexpr char kWarningSection[] = "Warning";

inline constexpr char kDefaultOffsetText[] = "0x1000000";
inline constexpr char kDefaultSizeText[] = "0x800000";
inline constexpr int32_t kDefaultComPort = 1;  // "COM1"
// bit/s after the boot upload, and bytes per transfer block
inline constexpr int32_t kDefaultComSpeed = static_cast<int32_t>(kSpeedChoices.front());
inline constexpr int32_t kDefaultBlockSize = static_cast<int32_t>(kBlockChoices.front());

// Section "Settings", as typed or chosen; values are not range-tested.
struct WindowSettings {
  std::string offsetText = kDefaultOffsetText;  // the region panel's boxes
  std::string sizeText = kDefaultSizeText;
  int32_t preset = 0;  // 0..2, other values: none
  int32_t comPort = kDefaultComPort;
  int32_t comSpeed = kDefaultComSpeed;
  int32_t blockSize = kDefaultBlockSize;
  int32_t lastTab = 0;

  bool operator==(const WindowSettings&) const = default;
};

// Section "Settings" of `profile`; each missing key gives its default.
WindowSettings LoadSettings(const Profile& profile);

// Writes section "Settings": Offset, Size, State, ComPort, ComSpeed,
// BlockSize, LastTab, integers as signed decimals, in one replacement of
// the file. False, with the file as it was, when it could not be written
// (see WriteProfileTexts).
bool SaveSettings(const std::filesystem::path& file, const WindowSettings& settings);

// The line trace's file name (UTF-8), key TraceFile of section "Settings",
// read as a page's file name is; empty (no trace) when the key is missing
// or blank. The window only reads it.
std::string LoadTraceFileName(const Profile& profile, uint32_t codePage);

// Where the settings file lies: the user's configuration folder is the
// user's own; the working folder may hold a Varnel.ini copied from anyone.
enum class SettingsPlace { WorkingDir, UserConfigDir };
// UserConfigDir when `settingsFile` is in `configDir` (not empty).
SettingsPlace SettingsPlaceOf(const std::filesystem::path& settingsFile, const std::filesystem::path& configDir);

// Whether the TraceFile value `name` (UTF-8) may be used from a settings
// file at `place`: any name from the user's configuration folder; from the
// working folder only a plain file name inside it (not absolute, no folder
// part, not "." or ".."), so a copied Varnel.ini can't make the trace
// append to a file elsewhere.
bool TraceFileAllowed(std::string_view name, SettingsPlace place);

// A page's file name (UTF-8), key FileName of `section` read through
// FileNameFromStored with `codePage`; DefaultDumpFileName() when missing.
std::string LoadFileName(const Profile& profile, const char* section, uint32_t codePage);
// Writes `name` (UTF-8) as key FileName of `section` in the form
// StoredFileName gives for `codePage`. False when the file could not be
// written.
bool SaveFileName(const std::filesystem::path& file, const char* section, std::string_view name, uint32_t codePage);

// The flash page's "Verify" box: key Verify of section "Flasher" reads 1
// when ticked; none when the key is missing (the box is then off).
std::optional<bool> LoadVerifyAfterFlash(const Profile& profile);
// Writes key Verify of section "Flasher": 1 or 0. False when the file
// could not be written.
bool SaveVerifyAfterFlash(const std::filesystem::path& file, bool verify);

// Whether warning `textId` is hidden for good: key "Hide<textId>" of
// section "Warning" reads exactly 1.
bool IsWarningHidden(const std::filesystem::path& file, uint16_t textId);
// Hides warning `textId` for good (writes "1"); false when the file can't
// be written, and the warning shows again next time.
bool HideWarning(const std::filesystem::path& file, uint16_t textId);

}  // namespace varnel
