// Formatting of log lines.
#include "texts/log_line.h"

#include "texts/local_time.h"
#include "texts/visible_text.h"

namespace varnel {
namespace {

constexpr char kWhiteSpace[] = " \t\r\n\v\f";

}  // namespace

std::optional<std::string> FormatLogLine(std::string_view text, std::time_t when) {
  size_t begin = text.find_first_not_of(kWhiteSpace);
  if (begin == std::string_view::npos) return std::nullopt;
  size_t end = text.find_last_not_of(kWhiteSpace);
  std::tm local = LocalTime(when);
  char stamp[16];
  std::strftime(stamp, sizeof stamp, "[%H:%M:%S] ", &local);
  std::string line = stamp;
  line += VisibleText(text.substr(begin, end - begin + 1));
  line += kLogLineEnd;
  return line;
}

}  // namespace varnel
