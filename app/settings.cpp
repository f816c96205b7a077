// The settings file's keys on the INI profile store.
#include "app/settings.h"

#include <utility>

#include "app/default_paths.h"
#include "app/profile_store.h"

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
constexpr char kHideKeyPrefix[] = "Hide";
constexpr int32_t kHidden = 1;

int32_t ReadInt(const std::filesystem::path& file, const char* key, int32_t defaultValue) {
  return ReadProfileInt(file, kSettingsSection, key, defaultValue);
}

}  // namespace

WindowSettings LoadSettings(const std::filesystem::path& file) {
  WindowSettings settings;
  settings.offsetText = ReadProfileText(file, kSettingsSection, kOffsetKey, kDefaultOffsetText);
  settings.sizeText = ReadProfileText(file, kSettingsSection, kSizeKey, kDefaultSizeText);
  settings.preset = ReadInt(file, kPresetKey, settings.preset);
  settings.comPort = ReadInt(file, kComPortKey, settings.comPort);
  settings.comSpeed = ReadInt(file, kComSpeedKey, settings.comSpeed);
  settings.blockSize = ReadInt(file, kBlockSizeKey, settings.blockSize);
  settings.lastTab = ReadInt(file, kLastTabKey, settings.lastTab);
  return settings;
}

bool SaveSettings(const std::filesystem::path& file, const WindowSettings& settings) {
  const std::pair<const char*, std::string> values[] = {
      {kOffsetKey, settings.offsetText},
      {kSizeKey, settings.sizeText},
      {kPresetKey, std::to_string(settings.preset)},
      {kComPortKey, std::to_string(settings.comPort)},
      {kComSpeedKey, std::to_string(settings.comSpeed)},
      {kBlockSizeKey, std::to_string(settings.blockSize)},
      {kLastTabKey, std::to_string(settings.lastTab)},
  };
  for (const auto& [key, value] : values) {
    if (!WriteProfileText(file, kSettingsSection, key, value)) return false;
  }
  return true;
}

std::string LoadFileName(const std::filesystem::path& file, const char* section) {
  return ReadProfileText(file, section, kFileNameKey, DefaultDumpFileName());
}

bool SaveFileName(const std::filesystem::path& file, const char* section, const std::string& name) {
  return WriteProfileText(file, section, kFileNameKey, name);
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
