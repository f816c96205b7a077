// How a POSIX system's code page is chosen: the locale variables that name
// the language of messages, in their order of precedence. Not built for
// Windows, which takes its code page from the system and not from these.
#include <gtest/gtest.h>

#include "tests/scoped_variable_posix.h"
#include "texts/code_page.h"

namespace varnel {
namespace {

TEST(CodePageTest, MessagesLocaleFollowsLcAllThenLcMessagesThenLang) {
  ScopedVariable all("LC_ALL", "");
  ScopedVariable messages("LC_MESSAGES", "ru_RU.UTF-8");
  ScopedVariable lang("LANG", "en_US.UTF-8");
  EXPECT_EQ(MessagesLocaleName(), "ru_RU.UTF-8");
  ScopedVariable allSet("LC_ALL", "de_DE.UTF-8");
  EXPECT_EQ(MessagesLocaleName(), "de_DE.UTF-8");
}

}  // namespace
}  // namespace varnel
