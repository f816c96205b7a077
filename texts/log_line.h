// One line of the log: the text (UTF-8) trimmed of white space at both
// ends and shown through VisibleText (texts/visible_text.h), so a name with
// a line break or an escape sequence in it stays one plain line; the local
// time "[%H:%M:%S] " in front and CR LF at the end. Blank texts make no
// line. Shared by the window's log (and so its saved copy) and the
// command-line tool.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace varnel {

inline constexpr char kLogLineEnd[] = "\r\n";

std::optional<std::string> FormatLogLine(std::string_view text, std::time_t when);

}  // namespace varnel
