// Reading the small pieces of the system's trees (/sys, /proc, /dev) that
// describe devices: a folder's entry names and a file's first line, without
// exceptions, treating whatever can't be read as absent. Qt-free, any
// thread.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace varnel {

// The names of the entries of `folder`, sorted; empty when it can't be
// read. An error midway (a process that ends while its /proc folder is
// read) ends the list there.
std::vector<std::string> EntryNames(const std::filesystem::path& folder);

// The first line of `file` without its line end or trailing blanks, as
// sysfs attributes and /proc/<pid>/comm hold one value a line; empty when
// the file can't be read.
std::string FirstLine(const std::filesystem::path& file);

}  // namespace varnel
