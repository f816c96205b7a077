// StringTable: texts by numeric id, as a text module holds them. Texts are
// 8-bit strings in the program's code page. Read-only once built.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace varnel {

class StringTable {
 public:
  void Set(uint16_t id, std::string text) { texts[id] = std::move(text); }
  // The text of `id`, or null when the table does not hold it.
  const std::string* Find(uint16_t id) const {
    auto it = texts.find(id);
    return it == texts.end() ? nullptr : &it->second;
  }
  size_t Count() const { return texts.size(); }

 private:
  std::map<uint16_t, std::string> texts;
};

// The program's own English texts.
StringTable ProgramTexts();

}  // namespace varnel
