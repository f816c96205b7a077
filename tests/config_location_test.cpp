// Where the settings file and the loader package are found: the working
// directory first, then the user's configuration directory; where a first
// settings file goes; and the configuration directory made for a write.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <string>
#include <string_view>

#include "files/private_dir.h"
#include "format/loader_package.h"
#include "format/working_dir_file.h"
#include "settings/profile_store.h"
#include "settings/settings.h"
#include "tests/test_support.h"
#include "texts/application.h"
#include "texts/code_page.h"
#include "texts/config_location.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

constexpr char kSettingsName[] = "Varnel.ini";

void Touch(const fs::path& path) { std::ofstream(path, std::ios::binary) << "x"; }

// A working directory and a configuration directory beside it, both empty
// and the first one current while the test runs.
class ConfigLocationTest : public ::testing::Test {
 protected:
  static fs::path Made(const fs::path& dir) {
    fs::create_directories(dir);
    return dir;
  }

  testing::TempDir root;
  fs::path workDir = Made(root / "work");
  fs::path userDir = Made(root / "config" / "varnel");
  testing::ScopedWorkingDir cwd{workDir};
};

// Which place a name resolves to.
enum class Place { Working, User };

TEST_F(ConfigLocationTest, TheWorkingDirectoryComesFirstThenTheUsersThenTheRuleForANewFile) {
  struct Case {
    const char* what;
    std::array<const char*, 2> working;  // files made in the working directory
    const char* user;                    // a file made in the configuration directory
    Place settings;
    Place package;
  };
  const std::array<Case, 8> kCases = {{
      {"nothing anywhere", {}, nullptr, Place::User, Place::Working},
      {"the working directory's settings", {"Varnel.ini"}, nullptr, Place::Working, Place::Working},
      {"the user's settings", {}, "Varnel.ini", Place::User, Place::Working},
      {"both settings files", {"Varnel.ini"}, "Varnel.ini", Place::Working, Place::Working},
      {"a package here, no settings", {"Varnel.res"}, nullptr, Place::Working, Place::Working},
      {"a package here, the user's settings", {"Varnel.res"}, "Varnel.ini", Place::User, Place::Working},
      {"the user's package", {}, "Varnel.res", Place::User, Place::User},
      {"names in other letter case", {"VARNEL.INI", "varnel.RES"}, "Varnel.res", Place::Working, Place::Working},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    for (const char* name : c.working) {
      if (name != nullptr) Touch(workDir / name);
    }
    if (c.user != nullptr) Touch(userDir / c.user);

    const fs::path settings = FindSettingsFile(kSettingsName, kLoaderPackageName, userDir);
    const fs::path package = FindConfigFile(kLoaderPackageName, userDir);
    EXPECT_EQ(settings.parent_path(), c.settings == Place::User ? userDir : fs::path());
    EXPECT_EQ(package.parent_path(), c.package == Place::User ? userDir : fs::path());
    // Whatever the letter case of the name made, the path names that entry.
    bool anySettings = c.user != nullptr && EqualsIgnoringCase(c.user, kSettingsName);
    for (const char* name : c.working) anySettings |= name != nullptr && EqualsIgnoringCase(name, kSettingsName);
    EXPECT_EQ(fs::exists(settings), anySettings);

    for (const fs::path& dir : {workDir, userDir}) {
      for (const fs::directory_entry& entry : fs::directory_iterator(dir)) fs::remove(entry.path());
    }
  }
  // Without a configuration directory only the working directory is used.
  Touch(userDir / kSettingsName);
  EXPECT_EQ(FindSettingsFile(kSettingsName, kLoaderPackageName, {}), fs::path(kSettingsName));
  EXPECT_EQ(FindConfigFile(kLoaderPackageName, {}), fs::path(kLoaderPackageName));
}

TEST_F(ConfigLocationTest, AFirstWriteMakesTheConfigurationDirectoryAndTheNextStartReadsIt) {
  const fs::path configDir = root / "new" / "config" / "varnel";
  Application app("Varnel", kUtf8CodePage, {}, configDir);
  // Finding the file to read makes nothing.
  EXPECT_EQ(app.SettingsPath(), configDir / kSettingsName);
  EXPECT_FALSE(fs::exists(root / "new"));

  ASSERT_TRUE(WriteProfileText(app.SettingsPathForWriting(), "Settings", "ComPort", "3"));
  EXPECT_TRUE(fs::is_regular_file(configDir / kSettingsName));

  Application next("Varnel", kUtf8CodePage, {}, configDir);
  EXPECT_EQ(ReadProfileInt(next.SettingsPath(), "Settings", "ComPort", 1), 3);
  EXPECT_TRUE(MakePrivateDir(configDir)) << "a folder that exists is accepted";

  // A file where the directory belongs fails the write and is kept.
  Touch(root / "blocked");
  const fs::path blockedDir = root / "blocked" / "varnel";
  EXPECT_FALSE(MakePrivateDir(blockedDir));
  Application blocked("Varnel", kUtf8CodePage, {}, blockedDir);
  EXPECT_FALSE(WriteProfileText(blocked.SettingsPathForWriting(), "Settings", "ComPort", "3"));
  EXPECT_TRUE(fs::is_regular_file(root / "blocked"));
  EXPECT_FALSE(fs::exists(workDir / kSettingsName)) << "neither write went to the working directory";
}

// A settings file of the working folder may have come from anyone: its
// TraceFile counts only as a plain file name in that folder.
TEST_F(ConfigLocationTest, ATraceFileFromTheWorkingFolderStaysInIt) {
  const fs::path configDir = root / "config";
  EXPECT_EQ(SettingsPlaceOf(configDir / kSettingsName, configDir), SettingsPlace::UserConfigDir);
  EXPECT_EQ(SettingsPlaceOf(kSettingsName, configDir), SettingsPlace::WorkingDir);
  EXPECT_EQ(SettingsPlaceOf(kSettingsName, {}), SettingsPlace::WorkingDir);
  // From the working folder only a plain name counts; the user's own
  // settings file may name any trace.
  for (const std::string_view name : {"trace.txt", "../trace.txt", "sub/trace.txt", "/tmp/trace.txt", "..", ".", ""}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(TraceFileAllowed(name, SettingsPlace::WorkingDir), name == "trace.txt");
    EXPECT_TRUE(TraceFileAllowed(name, SettingsPlace::UserConfigDir));
  }
}

}  // namespace
}  // namespace varnel
