// "Make a Log of what was found": writes log.txt and offers to open it.
#include <fstream>
#include <stdexcept>

#include "app/ControlIds.h"
#include "app/FrmFerrow.h"
#include "app/WorkFiles.h"
#include "core/PlatformId.h"
#include "core/ReportText.h"
#include "core/ResultCommands.h"
#include "platform/CommonFunction.h"
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
    std::ofstream log(path, std::ios::binary | std::ios::trunc);
    const std::string text = LogText(input);
    log.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!log) throw std::runtime_error("the log " + path + " cannot be written");
  }
  // The entries were read in turn; the last one stays selected.
  if (count > 0) SendMessageA(list1, LB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);

  if (MessageBoxA(hwnd_, "View Log file?", "Log of Vaduzev", MB_YESNO) == IDYES) {
    win::ExecuteShellRequest(hwnd_, OpenLogRequest(win::GetCurDir()));
  }
}

}  // namespace quarvel::app
