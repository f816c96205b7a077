// The language module "Varnel.lng": a plain UTF-8 text file a translator can
// edit, one text per line as "id=text" (see the README). Loaded into a
// StringTable in the program's code page.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "texts/string_table.h"

namespace varnel {

inline constexpr char kLanguageModuleName[] = "Varnel.lng";

// The largest language module that is read: a whole translation is a few
// KiB; anything near this is not one.
inline constexpr uintmax_t kLanguageModuleMaxBytes = uintmax_t{1} << 20;  // 1 MiB

// Parses the module's text (UTF-8) into texts of `codePage`. Lines that
// are blank, start with '#' or have no valid id are skipped. A text whose
// printf conversions (FormatSignature) differ from those of the program's
// own text of that id, one for one, is left out, so a bad translation can
// never make a formatted line read past or misread its arguments.
StringTable ParseLanguageModule(std::string_view utf8Text, uint32_t codePage, const StringTable& programTexts);

// Reads and parses the module file; nothing when it can't be read, is not
// a regular file or is larger than kLanguageModuleMaxBytes.
std::optional<StringTable> LoadLanguageModule(const std::filesystem::path& path, uint32_t codePage,
                                              const StringTable& programTexts);

// The printf conversions of a text, in order, each as its length modifier
// and conversion letter ("s", "d", "d" for text 33; "f" for "%.1f"), read
// the way printf reads them: '%', flags, a width, a precision, a length
// modifier and the conversion letter, in that order; "%%" (two adjacent
// percent signs) is a literal percent and no conversion. Nothing for a text
// printf could misread: a conversion that is cut off or has no valid
// letter ("%l %d", "%5%", a dangling '%'), one that takes an argument of
// its own for width or precision ("%*d"), a numbered argument ("%1$s"),
// and "%n", which writes through its argument.
std::optional<std::vector<std::string>> FormatSignature(std::string_view text);

}  // namespace varnel
