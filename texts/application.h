// Application: the program's start-up state that every part shares: its
// name (which names the settings file), its code page, the text module
// that LoadText reads and the user's configuration directory, where its
// files are looked for after the working directory. Built once on the main thread before anything else;
// LoadText may then be called from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "texts/string_table.h"
#include "texts/text_ids.h"

namespace varnel {

class Application {
 public:
  // `name` is the application name: the executable's base name without its
  // extension. With code page 1251 the language module is looked for in
  // `moduleDirs`, in order; with any other code page it is not even opened.
  // `configDir` is where the settings file and the loader package are
  // looked for when the working directory lacks them (see
  // texts/config_location.h); empty, the working directory alone.
  Application(std::string name, uint32_t codePage, std::vector<std::filesystem::path> moduleDirs,
              std::filesystem::path configDir = {});
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  const std::string& Name() const { return name; }
  uint32_t CodePage() const { return codePage; }

  // Copies text `id`, cut to capacity - 1 characters, and a NUL into
  // `buffer` (capacity characters, terminator included). An id the text
  // module lacks gives the empty text. If the language module failed to
  // load, the program's own table is used from the first call on.
  void LoadText(uint16_t id, char* buffer, uint32_t capacity) const;

  // LoadText into a string, with a 256-character buffer by default.
  std::string Text(uint16_t id, uint32_t capacity = text::kTextCapacity) const;

  // A text of the program's code page as UTF-8, for display.
  std::string ToDisplay(std::string_view text) const;

  // Text `id` (one "%s") filled with the narrow file or device name
  // `fileName` in the program's code page, cut to a 256-character line.
  std::string TextWithName(uint16_t id, std::string_view fileName) const;

  // The settings file "<name>.ini" (found without regard to letter case):
  // the working directory's when it is there, else the configuration
  // directory's when it is there; when neither is, the working directory's
  // if the loader package is there (or no configuration directory is
  // known), else the configuration directory's. Built afresh on every call.
  std::filesystem::path SettingsPath() const;

  // SettingsPath, for a write: when it names a file of the configuration
  // directory that is not there yet, that directory is made first, private
  // (see MakePrivateDir). Should it fail, the write that follows fails.
  std::filesystem::path SettingsPathForWriting() const;

  // A file of the program's to read, such as the loader package: the
  // working directory's when it is there, else the configuration
  // directory's when it is there, else the working directory's name.
  std::filesystem::path ConfigFile(std::string_view fileName) const;

  // The configuration directory; empty when none is used.
  const std::filesystem::path& ConfigDir() const { return configDir; }

  // Whether texts come from the language module.
  bool UsesLanguageModule() const;

 private:
  std::string name;
  uint32_t codePage;
  std::filesystem::path configDir;
  StringTable ownTexts;
  std::optional<StringTable> languageModule;
  // Empty only while a failed module load has not been noticed by LoadText.
  mutable std::atomic<const StringTable*> textModule{nullptr};
};

// The base name of the running executable without extension, and its
// folder; `argv0` is used where the system can't tell.
std::string ExecutableBaseName(const char* argv0);
std::filesystem::path ExecutableDir(const char* argv0);

// Where the language module is looked for, in order: beside the program
// (a build tree), then the installed data folder relative to the
// program's folder (../share/varnel for /usr/bin). Never the working
// directory: a folder copied from someone else could bring texts that
// tell the user anything.
std::vector<std::filesystem::path> LanguageModuleDirs(const char* argv0);

}  // namespace varnel
