#include "platform/AccountType.h"

#include <windows.h>

#include "platform/ProcAddress.h"
#include "platform/SystemLibrary.h"
#include "platform/UniqueHandle.h"

namespace quarvel::win {

bool IsNTAdminAccount() {
  const UniqueModule advpack = LoadSystemLibrary("advpack.dll");
  if (!advpack) return false;
  using IsNTAdminFn = BOOL(WINAPI*)(DWORD, DWORD*);
  const auto is_nt_admin = ProcAddress<IsNTAdminFn>(advpack.get(), "IsNTAdmin");
  return is_nt_admin != nullptr && is_nt_admin(0, nullptr) != FALSE;
}

}  // namespace quarvel::win
