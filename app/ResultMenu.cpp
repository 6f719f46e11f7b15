// The context menu's commands: copy an entry, hand it to the shell, or look for
// an unseen file again.
#include "app/ControlIds.h"
#include "app/FrmFerrow.h"
#include "core/ParsePath.h"
#include "core/ResultCommands.h"
#include "platform/Clipboard.h"
#include "platform/Shell.h"
#include "platform/SystemError.h"
#include "platform/modAPIFilesAndPaths.h"
#include "platform/modFindFilesAPI.h"
#include "ui/WindowText.h"

namespace quarvel::app {

void FrmFerrow::mnuCopy_Click() { win::PutClipboardText(hwnd_, MenuEntry); }

void FrmFerrow::mnuExPath_Click() {
  const std::string path = EntryPath(ui::ListCurrentText(Control(kList1)));
  ui::SetText(Control(kLblInfo), win::GetLongFileName(path));
  win::PutClipboardText(hwnd_, win::GetLongFileName(path));
}

void FrmFerrow::mnuGotoDir_Click() {
  win::ExecuteShellRequest(hwnd_, GoToDirectoryRequest(ui::ListCurrentText(Control(kList2))));
}

void FrmFerrow::mnuFind_Click() {
  const FindCommand find = OpenFindCommand(win::GetLongFileName(ui::ListCurrentText(Control(kList2))));
  win::PutClipboardText(hwnd_, find.clipboard_text);
  win::ExecuteShellRequest(hwnd_, find.request);
}

void FrmFerrow::mnuRescan_Click() {
  // The walk lets the window's messages run, so it is a step like the scan's:
  // never entered twice, and a close waits for it to wind down. It reports its
  // own failures in the status line.
  work_.Run(StopOn::kEscapeOrClose, [this] {
    try {
      Rescan();
    } catch (const std::exception&) {
      ui::SetTextNow(Control(kLblInfo), "Access Error for " + GetFileNamePart());
    }
  });
}

void FrmFerrow::Rescan() {
  HWND list1 = Control(kList1);
  HWND info = Control(kLblInfo);
  // The entry is taken now: the walk lets the window answer, and the selection
  // may have moved by the time it ends.
  const int index = static_cast<int>(SendMessageA(list1, LB_GETCURSEL, 0, 0));
  const std::string entry = ui::ListCurrentText(list1);
  const std::string path = EntryPath(entry);
  work_.PumpNow();
  if (work_.Closing()) return;
  ui::SetText(info, win::GetLongFileName(path));
  SetFullPath(path);
  ui::SetTextNow(info, "Searching for " + GetFileNamePart());
  std::int16_t matches = 0;
  std::int16_t folders = 0;
  // The walk of a large tree lets the window answer, and "Escape" or a close
  // ends it. Without a name nothing can match: the walk would only cross the
  // whole drive.
  bool stopped = false;
  const auto should_stop = [&] {
    stopped = !work_.KeepGoing();
    return stopped;
  };
  const win::FoundFiles found =
      GetFileNamePart().empty()
          ? win::FoundFiles{}
          : win::FindFilesRecursive(GetFolderPart(), GetFileNamePart(), matches, folders, should_stop);
  if (work_.Closing()) return;
  // Nothing found where folders could not be searched is no answer: the entry
  // stays, and the status line says why.
  if (matches == 0 && found.unsearched_folders > 0) {
    ui::SetTextNow(info, "Access Error for " + GetFileNamePart() + ": " +
                             win::SystemErrorDescription(found.first_error));
    return;
  }
  if (stopped) {
    ui::SetTextNow(info, "Rescan stopped: " + std::to_string(matches) +
                             " file(s) found so far; the entry stays in the List");
    return;
  }
  const std::int32_t shown_total = TotalForDisplay(found.total);
  ui::SetText(info, std::to_string(matches) + " file(s) from using Rescan were found and Removed from the List");
  const std::string message = std::to_string(matches) + " files with a filesize of " + std::to_string(shown_total) +
                              " bytes were found ";
  MessageBoxA(hwnd_, message.c_str(), kAppTitle, MB_OK);
  if (matches == 0) return;
  const auto at = RescannedEntryAt(index, entry, ui::ListCount(list1), [list1](int i) { return ui::ListItem(list1, i); });
  if (at) SendMessageA(list1, LB_DELETESTRING, static_cast<WPARAM>(*at), 0);
}

}  // namespace quarvel::app
