// ScopedVariable: an environment variable set (or unset) for the length of
// a test, then restored. POSIX.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace varnel {

// Sets (or, given none, unsets) an environment variable until the object
// goes, then restores what was there.
class ScopedVariable {
 public:
  ScopedVariable(const char* variableName, const std::optional<std::string>& value) : name(variableName) {
    if (const char* old = std::getenv(name)) saved = old;
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedVariable() {
    if (saved) {
      ::setenv(name, saved->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name;
  std::optional<std::string> saved;
};

}  // namespace varnel
