// The profile store and the Windows file system: a settings file's hidden
// and system attributes outlive the replacement a write makes.
// Built for Windows only; POSIX keeps permission bits and owners instead
// (profile_store_posix_test.cpp).
#include <windows.h>

#include <gtest/gtest.h>

#include <array>

#include "settings/profile_store.h"
#include "tests/profile_store_fixture.h"

namespace varnel::testing {
namespace {

TEST_F(ProfileStoreTest, HiddenAndSystemAttributesAreKeptAcrossAWrite) {
  // Not the archive attribute: every newly written file has it.
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  constexpr std::array<DWORD, 3> kAttributes = {
      FILE_ATTRIBUTE_HIDDEN,
      FILE_ATTRIBUTE_SYSTEM,
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
  };
  for (DWORD attributes : kAttributes) {
    SCOPED_TRACE(attributes);
    WriteText(file, kSettingsOffset);
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), attributes));
    ASSERT_EQ(GetFileAttributesW(file.c_str()) & kKept, attributes);
    ASSERT_TRUE(UpdateOffset(file));
    EXPECT_EQ(GetFileAttributesW(file.c_str()) & kKept, attributes);
    EXPECT_EQ(ReadText(file), kUpdatedOffset);
    EXPECT_EQ(EntryCount(dir.Path()), 1u) << "no temporary left";
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(fs::remove(file));
  }
}

}  // namespace
}  // namespace varnel::testing
