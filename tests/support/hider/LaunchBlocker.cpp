// A test-only launch blocker, never shipped: loaded into a running process, it
// makes that process's CreateProcessA fail as an application-control policy
// (AppLocker, an antivirus) refuses a program.
#include <windows.h>

#include "ImportPatch.h"

namespace {

BOOL WINAPI BlockedCreateProcessA(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
                                  LPCSTR, LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
  SetLastError(ERROR_ACCESS_DISABLED_BY_POLICY);
  return FALSE;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    quarvel::testing::PatchMainImports({{"CreateProcessA", reinterpret_cast<void*>(&BlockedCreateProcessA)}});
  }
  return TRUE;
}
