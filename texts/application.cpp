// Application: code page, text module, settings path and where the
// program's files are found.
#include "texts/application.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "files/private_dir.h"
#include "format/loader_package.h"
#include "format/working_dir_file.h"
#include "texts/code_page.h"
#include "texts/config_location.h"
#include "texts/language_module.h"

namespace varnel {

Application::Application(std::string appName, uint32_t systemCodePage, std::vector<std::filesystem::path> moduleDirs,
                         std::filesystem::path userConfigDir)
    : name(std::move(appName)),
      codePage(systemCodePage),
      configDir(std::move(userConfigDir)),
      ownTexts(ProgramTexts()) {
  if (codePage != kCyrillicCodePage) {
    textModule.store(&ownTexts);
    return;
  }
  for (const std::filesystem::path& dir : moduleDirs) {
    std::filesystem::path candidate = FindFileIgnoringCase(dir, kLanguageModuleName);
    std::error_code error;
    if (!std::filesystem::is_regular_file(candidate, error)) continue;
    languageModule = LoadLanguageModule(candidate, codePage, ownTexts);
    if (languageModule) break;
  }
  textModule.store(languageModule ? &*languageModule : nullptr);
}

void Application::LoadText(uint16_t id, char* buffer, uint32_t capacity) const {
  if (capacity == 0) return;
  const StringTable* module = textModule.load();
  if (module == nullptr) {
    // Whichever thread gets here first stores the same value.
    module = &ownTexts;
    textModule.store(module);
  }
  const std::string* text = module->Find(id);
  size_t length = text == nullptr ? 0 : std::min<size_t>(text->size(), capacity - 1);
  if (length > 0) std::memcpy(buffer, text->data(), length);
  buffer[length] = '\0';
}

std::string Application::Text(uint16_t id, uint32_t capacity) const {
  std::string buffer(capacity + 1, '\0');
  LoadText(id, buffer.data(), capacity);
  buffer.resize(std::strlen(buffer.c_str()));
  return buffer;
}

std::string Application::ToDisplay(std::string_view text) const { return ToUtf8(text, codePage); }

std::string Application::TextWithName(uint16_t id, std::string_view fileName) const {
  char line[text::kTextCapacity + 1];
  std::snprintf(line, sizeof line, Text(id).c_str(), NarrowToCodePage(fileName, codePage).c_str());
  return line;
}

std::filesystem::path Application::SettingsPath() const {
  return FindSettingsFile(name + ".ini", kLoaderPackageName, configDir);
}

std::filesystem::path Application::SettingsPathForWriting() const {
  std::filesystem::path file = SettingsPath();
  std::error_code error;
  // Only a path in the configuration directory has a folder part.
  if (file.has_parent_path() && !std::filesystem::exists(file.parent_path(), error)) {
    static_cast<void>(MakePrivateDir(file.parent_path()));
  }
  return file;
}

std::filesystem::path Application::ConfigFile(std::string_view fileName) const {
  return FindConfigFile(fileName, configDir);
}

bool Application::UsesLanguageModule() const {
  const StringTable* module = textModule.load();
  return module != nullptr && module != &ownTexts;
}

std::vector<std::filesystem::path> LanguageModuleDirs(const char* argv0) {
  const std::filesystem::path programDir = ExecutableDir(argv0);
  return {programDir, (programDir / VARNEL_DATA_DIR_FROM_PROGRAM).lexically_normal()};
}

}  // namespace varnel
