// Start-up, shut-down and the cancel toggle of the main window, and what the
// window does for its long work.
#include <shlwapi.h>

#include "app/ControlIds.h"
#include "app/FrmFerrow.h"
#include "app/WorkFiles.h"
#include "core/PlatformId.h"
#include "core/RegistryValue.h"
#include "core/RepairText.h"
#include "platform/AccountType.h"
#include "platform/AnsiText.h"
#include "platform/Elevation.h"
#include "platform/LaunchAppSync.h"
#include "platform/MessagePump.h"
#include "platform/OS_Detect.h"
#include "platform/ResourceFile.h"
#include "platform/SystemError.h"
#include "platform/WorkFolder.h"
#include "platform/modRegistry.h"
#include "platform/modShellFileDisk.h"
#include "ui/WindowText.h"

namespace quarvel::app {

void FrmFerrow::Form_Load() {
  EnableWindow(Control(kCmdScan), FALSE);
  EnableWindow(Control(kCmdEsc), FALSE);
  ui::SetText(Control(kLblInfo), "Step 1, Click [Run Divevi.com] and wait for scan to complete");
  LoadDataIntoFile(win::kListerResourceId, WorkPath(kListerFile));

  HWND combo = Control(kComboExt);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  for (const char* filter : {"*.*", "*.dll", "*.exe"}) {
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(filter));
  }
  SendMessageA(combo, CB_SETCURSEL, 1, 0);

  const bool lister_written = PathFileExistsA(WorkPath(kListerFile).c_str()) != FALSE;
  EnableWindow(Control(kCmdLocate), lister_written);
  ui::SetText(Control(kPathTxt), win::GetSysDir());  // runs the path box's change handler
  EnableWindow(Control(kCmdLog), FALSE);

  if (win::GetPlatformId() == kPlatformNT) {
    AppInitValue = ToText(win::RegistryGetKeyValue(HKEY_LOCAL_MACHINE, kWindowsKey, kAppInitDlls));
    IsAdmin = ToBool16(win::IsNTAdminAccount());
    HWND label = Control(kLblAdmin);
    // An administrator who just starts the program runs filtered, and the
    // repair needs the elevated token: the label says which one this is.
    const std::string elevation = win::IsProcessElevated() ? " (elevated)" : " (not elevated)";
    if (IsAdmin == kTrue) {
      ui::SetText(label, "Administrator Account Detected" + elevation);
    } else {
      limited_account_ = true;
      SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(bold_font_.get()), FALSE);
      ui::SetTextNow(label, "Limited Account Detected!" + elevation);
    }
  }
  CheckRepairState();
  ShowAppInitFacts();
  OfferRepairStep2();
  if (!lister_written) ExplainUnusableWorkFolder();
}

bool FrmFerrow::ExplainUnusableWorkFolder() {
  std::string problem;
  if (!win::CurrentFolderSpelled()) {
    problem = "The name of the folder this program was started in, " + win::AnsiFromWide(win::CurrentFolderWide()) +
              ", cannot be spelled in this system's code page, so the program cannot keep its work files "
              "(locate.com, dll.txt, log.txt) there. Start it from a folder whose name uses only characters of "
              "the system's language, such as C:\\Quarvel.";
  } else if (const auto error = win::WriteErrorIn(win::GetCurDir())) {
    problem = "The program cannot write its work files (locate.com, dll.txt, log.txt) in the folder it was "
              "started in, " + win::GetCurDir() + ": " + win::SystemErrorDescription(*error) +
              " Copy it to a folder you can write to, such as your Documents folder, and start it there.";
  } else {
    return false;
  }
  ui::SetText(Control(kLblInfo), "The work files cannot be written in this folder");
  MessageBoxA(hwnd_, problem.c_str(), kAppTitle, MB_OK | MB_ICONWARNING);
  return true;
}

void FrmFerrow::LoadDataIntoFile(int data_name, const std::string& file_name) {
  win::LoadDataIntoFile(data_name, file_name);
}

void FrmFerrow::Form_Unload() {
  frmEdit.Unload();
  lister_run_ = {};  // the held lister and listing are let go before they are removed
  DeleteFileA(WorkPath(kListerFile).c_str());
}

void FrmFerrow::CmdBrowse_Click() {
  // Setting the box runs its change handler, as every assignment does.
  ui::SetText(Control(kPathTxt), win::BrowseForFolder(hwnd_, "Select a folder", ""));
}

// A step that is still running finishes first (the lister cannot be deleted
// while it runs); the window disappears at once and unloads when it ends.
void FrmFerrow::OnClose() { work_.RequestClose(); }

void FrmFerrow::CmdExit_Click() { OnClose(); }

void FrmFerrow::CmdEsc_Click() { work_.ToggleEscape(); }

void FrmFerrow::PumpMessages() { win::PumpPendingMessages(); }
bool FrmFerrow::QuitRequested() { return win::QuitRequested(); }
void FrmFerrow::ShowEscape(bool pressed) { ui::SetText(Control(kCmdEsc), pressed ? "Scan Aborted" : "Escape"); }
void FrmFerrow::HideWindow() { ShowWindow(hwnd_, SW_HIDE); }

void FrmFerrow::CloseWindow() {
  Form_Unload();
  PathTip.reset();  // the tip's window goes before the window it belongs to
  Destroy();
}

}  // namespace quarvel::app
