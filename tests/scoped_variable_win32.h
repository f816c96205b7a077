// ScopedVariable: an environment variable set (or, given an empty value,
// removed) for the length of a test, then restored. Windows, wide names.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace varnel {

class ScopedVariable {
 public:
  ScopedVariable(const wchar_t* variableName, const std::wstring& value) : name(variableName) {
    if (const wchar_t* old = _wgetenv(name)) saved = old;
    _wputenv_s(name, value.c_str());
  }
  ~ScopedVariable() { _wputenv_s(name, saved ? saved->c_str() : L""); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const wchar_t* name;
  std::optional<std::wstring> saved;
};

}  // namespace varnel
