// Port names that are the same on every system: COM names and their number.
#include "port/port_name.h"

#include <charconv>

#include "format/working_dir_file.h"

namespace varnel {

std::string PortName(int64_t port) { return kPortPrefix + std::to_string(port); }

int ComPortNumber(std::string_view name) {
  const std::string_view prefix = kPortPrefix;
  if (name.size() <= prefix.size() || !EqualsIgnoringCase(name.substr(0, prefix.size()), prefix)) return 0;
  const std::string_view digits = name.substr(prefix.size());
  int number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size() || number < 1) return 0;
  return number;
}

}  // namespace varnel
