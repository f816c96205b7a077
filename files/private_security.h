// PrivateSecurity: the security a new file of ours gets on Windows, where
// a file otherwise takes its folder's rules (in C:\ every signed-in user
// may change it): full access for this process's user alone, nothing
// inherited from the folder. Windows' counterpart of mode 0600. Not
// movable (the attributes point into it); one thread. Win32 files only.
#pragma once

#include <windows.h>

#include <vector>

#include "files/unique_handle.h"

namespace varnel {

class PrivateSecurity {
 public:
  PrivateSecurity() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    const UniqueHandle owner(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    user.resize(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, user.data(), size, &size)) return;
    const PSID sid = reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
    const DWORD aclBytes = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid);
    acl.resize(aclBytes);
    const PACL list = reinterpret_cast<PACL>(acl.data());
    if (!InitializeAcl(list, aclBytes, ACL_REVISION) ||
        !AddAccessAllowedAce(list, ACL_REVISION, FILE_ALL_ACCESS, sid) ||
        !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE) ||
        !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
      return;
    }
    attributes = {sizeof attributes, &descriptor, FALSE};
    ready = true;
  }
  PrivateSecurity(const PrivateSecurity&) = delete;
  PrivateSecurity& operator=(const PrivateSecurity&) = delete;

  // For CreateFileW; null when this user's identity could not be read.
  SECURITY_ATTRIBUTES* Attributes() { return ready ? &attributes : nullptr; }

 private:
  std::vector<BYTE> user;  // TOKEN_USER and its SID
  std::vector<BYTE> acl;
  SECURITY_DESCRIPTOR descriptor{};
  SECURITY_ATTRIBUTES attributes{};
  bool ready = false;
};

}  // namespace varnel
