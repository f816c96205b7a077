// The settings file's keys on the INI profile store.
#include "settings/settings.h"

#include <array>
#include <optional>
#include <vector>

#include "settings/default_paths.h"
#include "settings/stored_file_name.h"

namespace varnel {
namespace {

constexpr char kOffsetKey[] = "Offset";
constexpr char kSizeKey[] = "Size";
constexpr char kPresetKey[] = "State";
constexpr char kComPortKey[] = "ComPort";
constexpr char kComSpeedKey[] = "ComSpeed";
constexpr char kBlockSizeKey[] = "BlockSize";
constexpr char kLastTabKey[] = "LastTab";
constexpr char kFileNameKey[] = "FileName";
constexpr char kTraceFileKey[] = "TraceFile";
constexpr char kHideKeyPrefix[] = "Hide";
constexpr int32_t kHidden = 1;
constexpr char kVerifyKey[] = "Verify";
constexpr int32_t kTicked = 1;

// The integer keys of section "Settings" in the order they are written.
struct IntKey {
  const char* key;
  int32_t WindowSettings::*field;
};
constexpr std::array<IntKey, 5> kIntKeys = {{
    {kPresetKey, &WindowSettings::preset},
    {kComPortKey, &WindowSettings::comPort},
    {kComSpeedKey, &WindowSettings::comSpeed},
    {kBlockSizeKey, &WindowSettings::blockSize},
    {kLastTabKey, &WindowSettings::lastTab},
}};

}  // namespace

WindowSettings LoadSettings(const Profile& profile) {
  WindowSettings settings;
  settings.offsetText = profile.Text(kSettingsSection, kOffsetKey, kDefaultOffsetText);
  settings.sizeText = profile.Text(kSettingsSection, kSizeKey, kDefaultSizeText);
  for (const IntKey& entry : kIntKeys) {
    settings.*entry.field = profile.Int(kSettingsSection, entry.key, settings.*entry.field);
  }
  return settings;
}

bool SaveSettings(const std::filesystem::path& file, const WindowSettings& settings) {
  std::array<std::string, kIntKeys.size()> numbers;
  std::vector<ProfileEntry> entries = {{kOffsetKey, settings.offsetText}, {kSizeKey, settings.sizeText}};
  for (size_t i = 0; i < kIntKeys.size(); ++i) {
    numbers[i] = std::to_string(settings.*kIntKeys[i].field);
    entries.push_back({kIntKeys[i].key, numbers[i]});
  }
  return WriteProfileTexts(file, kSettingsSection, entries);
}

std::string LoadFileName(const Profile& profile, const char* section, uint32_t codePage) {
  const std::optional<std::string> stored = profile.Find(section, kFileNameKey);
  return stored ? FileNameFromStored(*stored, codePage) : DefaultDumpFileName();
}

std::string LoadTraceFileName(const Profile& profile, uint32_t codePage) {
  const std::optional<std::string> stored = profile.Find(kSettingsSection, kTraceFileKey);
  return stored ? FileNameFromStored(*stored, codePage) : std::string();
}

SettingsPlace SettingsPlaceOf(const std::filesystem::path& settingsFile, const std::filesystem::path& configDir) {
  return !configDir.empty() && settingsFile.parent_path() == configDir ? SettingsPlace::UserConfigDir
                                                                       : SettingsPlace::WorkingDir;
}

bool TraceFileAllowed(std::string_view name, SettingsPlace place) {
  if (place == SettingsPlace::UserConfigDir) return true;
  const std::filesystem::path path(std::u8string(name.begin(), name.end()));
  return !name.empty() && !path.has_root_path() && !path.has_parent_path() && path != "." && path != "..";
}

bool SaveFileName(const std::filesystem::path& file, const char* section, std::string_view name, uint32_t codePage) {
  return WriteProfileText(file, section, kFileNameKey, StoredFileName(name, codePage));
}

std::optional<bool> LoadVerifyAfterFlash(const Profile& profile) {
  if (!profile.Find(kFlasherSection, kVerifyKey)) return std::nullopt;
  return profile.Int(kFlasherSection, kVerifyKey, 0) == kTicked;
}

bool SaveVerifyAfterFlash(const std::filesystem::path& file, bool verify) {
  return WriteProfileText(file, kFlasherSection, kVerifyKey, std::to_string(verify ? kTicked : 0));
}

bool IsWarningHidden(const std::filesystem::path& file, uint16_t textId) {
  const std::string key = kHideKeyPrefix + std::to_string(textId);
  return ReadProfileInt(file, kWarningSection, key, 0) == kHidden;
}

bool HideWarning(const std::filesystem::path& file, uint16_t textId) {
  const std::string key = kHideKeyPrefix + std::to_string(textId);
  return WriteProfileText(file, kWarningSection, key, std::to_string(kHidden));
}

}  // namespace varnel
