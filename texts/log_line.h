// One line of the log: the text trimmed of white space at both ends, the
// local time "[%H:%M:%S] " in front and CR LF at the end. Blank texts make
// no line. Shared by the window's log and the command-line tool.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace varnel {

inline constexpr char kLogLineEnd[] = "\r\n";

std::optional<std::string> FormatLogLine(std::string_view text, std::time_t when);

}  // namespace varnel
