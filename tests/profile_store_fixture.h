// The fixture of the profile store's tests: a settings file in a temporary
// directory, and helpers that read, write and count files around it
// without going through the store.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "settings/profile_store.h"
#include "tests/test_support.h"

namespace varnel::testing {

namespace fs = std::filesystem;

inline constexpr char kSettingsOffset[] = "[Settings]\nOffset=0x1\n";
inline constexpr char kUpdatedOffset[] = "[Settings]\nOffset=0x2\n";

inline size_t EntryCount(const fs::path& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

class ProfileStoreTest : public ::testing::Test {
 protected:
  // Sets Offset to 0x2 through `path`; true when the store says it wrote.
  static bool UpdateOffset(const fs::path& path) { return WriteProfileText(path, "Settings", "Offset", "0x2"); }

  TempDir dir;
  fs::path file = dir / "Varnel.ini";
};

}  // namespace varnel::testing
