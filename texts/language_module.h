// The language module "Varnel.lng": a plain UTF-8 text file a translator can
// edit, one text per line as "id=text" (see the README). Loaded into a
// StringTable in the program's code page.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "texts/string_table.h"

namespace varnel {

inline constexpr char kLanguageModuleName[] = "Varnel.lng";

// Parses the module's text (UTF-8) into texts of `codePage`. Lines that are blank, start with '#' or have no
// valid id are skipped. A format template whose placeholders differ from
// those of the program's own text of that id is left out, so a bad
// translation can never make a formatted line read past its arguments.
StringTable ParseLanguageModule(std::string_view utf8Text, uint32_t codePage,
                                const StringTable& programTexts);

// Reads and parses the module file; nothing when it can't be read.
std::optional<StringTable> LoadLanguageModule(const std::filesystem::path& path,
                                              uint32_t codePage,
                                              const StringTable& programTexts);

// The printf conversions of a text, in order ("%s%d%d" for text 33).
std::string FormatSignature(std::string_view text);

}  // namespace varnel
