#include "platform/Elevation.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include "platform/UniqueHandle.h"

namespace quarvel::win {
namespace {

bool InAdministratorsGroup() {
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof(administrators);
  if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size)) return false;
  BOOL member = FALSE;
  return CheckTokenMembership(nullptr, administrators, &member) && member;
}

// The accounts that may change system files anyway.
bool Trusted(PSID sid) {
  if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid)) return true;
  PSID installer = nullptr;
  if (!ConvertStringSidToSidA("S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", &installer)) {
    return false;
  }
  const UniqueLocalMemory owned(installer);
  return EqualSid(sid, installer) != FALSE;
}

}  // namespace

bool OthersCanWrite(const std::string& path) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                            nullptr, &descriptor) != ERROR_SUCCESS) {
    return true;
  }
  const UniqueLocalMemory owned(descriptor);
  if (!dacl) return true;
  constexpr ACCESS_MASK kChanges = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                   FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                   GENERIC_ALL;
  for (DWORD index = 0; index < dacl->AceCount; ++index) {
    void* entry = nullptr;
    if (!GetAce(dacl, index, &entry)) return true;
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    // Entries that apply only to what is created inside do not grant anything on this object.
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    if ((allowed->Mask & kChanges) && !Trusted(&allowed->SidStart)) return true;
  }
  return false;
}

bool IsProcessElevated() {
  UniqueKernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size)) {
    return elevation.TokenIsElevated != 0;
  }
  // Windows before Vista does not know the information class.
  return GetLastError() == ERROR_INVALID_PARAMETER && InAdministratorsGroup();
}

}  // namespace quarvel::win
