// "Make a Log of what was found": writes log.txt and offers to open it.
#include <stdexcept>

#include "app/ControlIds.h"
#include "app/FrmFerrow.h"
#include "app/WorkFiles.h"
#include "core/PlatformId.h"
#include "core/ReportText.h"
#include "core/ResultCommands.h"
#include "platform/CommonFunction.h"
#include "platform/FreshFile.h"
#include "platform/OS_Detect.h"
#include "platform/Shell.h"
#include "platform/modAPIFilesAndPaths.h"
#include "ui/WindowText.h"

namespace quarvel::app {

void FrmFerrow::CmdLog_Click() {
  HWND list1 = Control(kList1);
  LogInput input;
  // The running program's own file: a renamed copy ("quarvel (1).exe" from a
  // download) has its version too.
  input.version = win::GetFileVersion(win::GetProgramPath());
  const int count = ui::ListCount(list1);
  for (int i = 0; i < count; ++i) input.list1.push_back(ui::ListItem(list1, i));
  input.size_caption = ui::GetText(Control(kLblSize));
  input.nt_family = win::GetPlatformId() == kPlatformNT;
  input.is_admin = IsAdmin == kTrue;
  input.app_init_value = AppInitValue;

  const std::string path = WorkPath(kLogFile);
  {
    // The current folder may be one others can write: log.txt is made anew.
    const win::UniqueFileHandle log = win::CreateFreshFile(path, FILE_SHARE_READ);
    const std::string text = LogText(input);
    DWORD written = 0;
    if (!log || !WriteFile(log.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
      throw std::runtime_error("the log " + path + " cannot be written");
    }
  }
  // The entries were read in turn; the last one stays selected.
  if (count > 0) SendMessageA(list1, LB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);

  if (MessageBoxA(hwnd_, "View Log file?", "Log of Vaduzev", MB_YESNO) == IDYES) {
    win::ExecuteShellRequest(hwnd_, OpenLogRequest(win::GetCurDir()));
  }
}

}  // namespace quarvel::app
