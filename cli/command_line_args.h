// The command line's arguments as narrow strings in the form the program
// takes file names in (files/narrow_path.h): the bytes on POSIX; on
// Windows read from the wide-character command line and given as UTF-8,
// since main's argv passed through the ANSI code page, whose best-fit
// mapping turns a character it lacks into a look-alike (a fullwidth quote
// into '"', a fullwidth backslash into '\') and so names another file.
// Main thread.
#pragma once

#include <string>
#include <vector>

namespace varnel::cli {

// The arguments after the program's name; `argc` and `argv` as main got
// them.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace varnel::cli
