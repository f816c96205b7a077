// The running program's version and build time as the About dialog shows
// them. Both are fixed when the program is built (the version from the
// project's four version numbers), so they are right wherever the program
// is started from. Qt-free, any thread.
#pragma once

#include <string>

namespace varnel {

// "1.0.2.242": the four numbers of the version, major first.
std::string ProgramVersionText();

// "Sep  9 2004 -- 12:24:17": the date and time this program was built.
std::string BuildText();

}  // namespace varnel
