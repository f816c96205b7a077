// Folders of our own on Windows: CreateDirectoryW of each missing one,
// which takes the access rules of the folder it is made in (the user's
// profile folders are the user's alone).
#include "files/private_dir.h"

#include <windows.h>

#include <vector>

namespace varnel {
namespace {

bool IsMissing(const std::filesystem::path& dir) {
  if (GetFileAttributesW(dir.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsDirectory(const std::filesystem::path& dir) {
  const DWORD attributes = GetFileAttributesW(dir.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool MakePrivateDir(const std::filesystem::path& dir) {
  // Made from the outermost missing folder inwards.
  std::vector<std::filesystem::path> missing;
  for (std::filesystem::path at = dir; !at.empty() && IsMissing(at); at = at.parent_path()) {
    missing.push_back(at);
    if (at == at.parent_path()) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    // Made by someone else meanwhile is fine.
    if (!CreateDirectoryW(it->c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return IsDirectory(dir);
}

}  // namespace varnel
