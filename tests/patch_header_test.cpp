// Patch file headers: the three texts of the 88-byte record, short and
// unterminated fields, and the search of a directory's ".cpf" files (a FIFO
// among them is in patch_header_posix_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <string>
#include <vector>

#include "format/patch_header.h"
#include "tests/test_support.h"

namespace varnel::testing {
namespace {

constexpr size_t kVersionAt = 4;
constexpr size_t kAuthorAt = 14;
constexpr size_t kNameAt = 34;

// A record with each text at its offset (not cut to its field), `length`
// bytes long, every other byte `filler`.
std::vector<uint8_t> Record(const std::string& version, const std::string& author, const std::string& name,
                            size_t length, uint8_t filler = 0) {
  std::vector<uint8_t> record(std::max({length, kPatchHeaderBytes, kNameAt + name.size()}), filler);
  std::fill(record.begin() + kVersionAt, record.begin() + kPatchHeaderBytes, uint8_t{0});
  for (auto [at, text] : {std::pair{kVersionAt, &version}, {kAuthorAt, &author}, {kNameAt, &name}}) {
    std::copy(text->begin(), text->end(), record.begin() + static_cast<std::ptrdiff_t>(at));
  }
  record.resize(length);
  return record;
}

TEST(PatchHeaderTest, ReadsTheThreeTextsOfTheRecord) {
  struct Case {
    const char* what;
    std::vector<uint8_t> record;
    PatchHeader expected;
  };
  const std::string longName(60, 'N');
  const std::vector<Case> kCases = {
      {"all fields, reserved bytes set",
       Record("1.2", "Somebody", "Faster menus", 88, 0xEE),
       {"1.2", "Somebody", "Faster menus"}},
      {"a 20-byte file", Record("2.0", "Authorship", "unseen", 20), {"2.0", "Author", ""}},
      {"bytes past the record", Record("3", "A", "B", 200, 'x'), {"3", "A", "B"}},
      // Texts without their zero byte end at their field's end.
      {"full fields",
       Record("0123456789", std::string(20, 'a'), longName, 88),
       {"0123456789", std::string(20, 'a'), std::string(54, 'N')}},
      {"empty", {}, {}},
      {"reserved bytes only", Record("", "", "", 4, 0xFF), {}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ParsePatchHeader(c.record), c.expected);
  }
}

TEST(PatchHeaderTest, ListsThePatchFilesOfADirectoryInItsOwnOrder) {
  TempDir dir;
  WriteBytes(dir / "first.cpf", Record("1.0", "Ann", "First patch", 88));
  WriteBytes(dir / "SECOND.CPF", Record("2.0", "Bob", "Second patch", 88));
  WriteBytes(dir / "third.Cpf", Record("3.0", "Cy", "", 20));
  WriteBytes(dir / "empty.cpf", {});
  // ---- entries that are not listed ----
  WriteBytes(dir / "notes.txt", Record("9", "x", "text", 88));
  WriteBytes(dir / "old.cpf.bak", Record("9", "x", "backup", 88));
  WriteBytes(dir / "cpf", Record("9", "x", "no dot", 88));
  std::filesystem::create_directory(dir / "folder.cpf");

  const std::vector<std::pair<std::string, PatchHeader>> known = {
      {"first.cpf", {"1.0", "Ann", "First patch"}},
      {"SECOND.CPF", {"2.0", "Bob", "Second patch"}},
      {"third.Cpf", {"3.0", "Cy", ""}},
      {"empty.cpf", {}},
  };
  // Unsorted: in the order the directory listing gives.
  std::vector<PatchHeader> expected;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    for (const auto& [name, header] : known) {
      if (entry.path().filename() == name) expected.push_back(header);
    }
  }
  ASSERT_EQ(expected.size(), known.size());
  EXPECT_EQ(ReadPatchHeaders(dir.Path()), expected);

  EXPECT_TRUE(ReadPatchHeaders(dir / "missing").empty());
  EXPECT_EQ(ReadPatchHeader(dir / "missing.cpf"), std::nullopt);
}

}  // namespace
}  // namespace varnel::testing
