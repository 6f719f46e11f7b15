// Quarvel: finds files that Windows does not show.
#include <windows.h>

#include <commctrl.h>

#include "app/ControlIds.h"
#include "app/FrmFerrow.h"
#include "platform/ComApartment.h"
#include "platform/DllSearch.h"
#include "platform/MessagePump.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  quarvel::win::LoadDllsFromSystemFolderOnly();
  const quarvel::win::ComApartment com;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  quarvel::app::FrmFerrow form;
  if (!form.Create(instance, show)) {
    MessageBoxA(nullptr, "The main window could not be created.", quarvel::app::kAppTitle, MB_OK | MB_ICONERROR);
    return 1;
  }

  // A WM_QUIT taken by a step's own message pump ends this loop as well.
  MSG msg{};
  while (!quarvel::win::QuitRequested()) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    quarvel::win::HandleQueuedMessage(msg);
  }
  return quarvel::win::QuitRequested() ? quarvel::win::QuitExitCode() : static_cast<int>(msg.wParam);
}
