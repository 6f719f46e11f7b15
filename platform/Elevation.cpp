#include "platform/Elevation.h"

#include <windows.h>

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

}  // namespace

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
