// How a POSIX system's code page is chosen: the locale variables that name
// the language of messages, in their order of precedence. Not built for
// Windows, which takes its code page from the system and not from these.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "texts/code_page.h"

namespace varnel {
namespace {

TEST(CodePageTest, MessagesLocaleFollowsLcAllThenLcMessagesThenLang) {
  const char* saved[3] = {std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG")};
  std::string keep[3];
  for (int i = 0; i < 3; ++i) keep[i] = saved[i] ? saved[i] : "";
  ::setenv("LC_ALL", "", 1);
  ::setenv("LC_MESSAGES", "ru_RU.UTF-8", 1);
  ::setenv("LANG", "en_US.UTF-8", 1);
  EXPECT_EQ(MessagesLocaleName(), "ru_RU.UTF-8");
  ::setenv("LC_ALL", "de_DE.UTF-8", 1);
  EXPECT_EQ(MessagesLocaleName(), "de_DE.UTF-8");
  const char* names[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  for (int i = 0; i < 3; ++i) {
    if (saved[i])
      ::setenv(names[i], keep[i].c_str(), 1);
    else
      ::unsetenv(names[i]);
  }
}

}  // namespace
}  // namespace varnel
