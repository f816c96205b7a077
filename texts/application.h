// Application: the program's start-up state that every part shares: its
// name (which names the settings file), its code page and the text module
// that LoadText reads. Built once on the main thread before anything else;
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
  Application(std::string name, uint32_t codePage,
              std::vector<std::filesystem::path> moduleDirs);
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

  // The settings file "<name>.ini" in the current directory (found without
  // regard to letter case); built afresh on every call.
  std::filesystem::path SettingsPath() const;

  // Whether texts come from the language module.
  bool UsesLanguageModule() const;

 private:
  std::string name;
  uint32_t codePage;
  StringTable ownTexts;
  std::optional<StringTable> languageModule;
  // Empty only while a failed module load has not been noticed by LoadText.
  mutable std::atomic<const StringTable*> textModule{nullptr};
};

// The base name of the running executable without extension, and its
// folder; `argv0` is used where the system can't tell.
std::string ExecutableBaseName(const char* argv0);
std::filesystem::path ExecutableDir(const char* argv0);

}  // namespace varnel
