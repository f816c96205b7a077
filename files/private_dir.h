// The folders the program makes for its own files (the user's
// configuration folder): private to their owner from the moment they
// exist, never opened to others first and narrowed afterwards. Platform
// pair; any thread.
#pragma once

#include <filesystem>

namespace varnel {

// Makes `dir` with its missing parents, each new one with the mode 0700
// given in the call that makes it (Windows keeps its own access rules). A
// folder that exists keeps its permissions. True when `dir` is a directory
// afterwards, also when it was one before.
bool MakePrivateDir(const std::filesystem::path& dir);

}  // namespace varnel
