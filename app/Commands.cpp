// What each user action runs: the one table from control (or menu item) and
// event to the handler, and the items of the context menu for each list.
#include "app/FrmFerrow.h"

#include "app/ControlIds.h"

namespace quarvel::app {

std::span<const FrmFerrow::Route> FrmFerrow::Routes() {
  static constexpr Route kRoutes[] = {
      {kCmdLog, BN_CLICKED, "CmdLog_Click", &FrmFerrow::CmdLog_Click},
      {kCmdExit, BN_CLICKED, "CmdExit_Click", &FrmFerrow::CmdExit_Click},
      {kCmdEsc, BN_CLICKED, "CmdEsc_Click", &FrmFerrow::CmdEsc_Click},
      {kCmdBrowse, BN_CLICKED, "CmdBrowse_Click", &FrmFerrow::CmdBrowse_Click},
      {kPathTxt, EN_CHANGE, "PathTxt_Change", &FrmFerrow::PathTxt_Change},
      {kPathTxt, kMouseMove, "PathTxt_MouseMove", &FrmFerrow::PathTxt_MouseMove},
      {kCmdLocate, BN_CLICKED, "CmdLocate_Click", &FrmFerrow::CmdLocate_Click},
      {kCmdScan, BN_CLICKED, "CmdScan_Click", &FrmFerrow::CmdScan_Click},
      {kList2, kMouseDown, "List2_MouseDown", &FrmFerrow::List2_MouseDown},
      {kList2, LBN_SELCHANGE, "List2_Click", &FrmFerrow::List2_Click},
      {kList1, kMouseDown, "List1_MouseDown", &FrmFerrow::List1_MouseDown},
      {kList1, LBN_SELCHANGE, "List1_Click", &FrmFerrow::List1_Click},
      {kList1, LBN_DBLCLK, "List1_DblClick", &FrmFerrow::List1_DblClick},
      {kMnuCopy, kMenuPick, "mnuCopy_Click", &FrmFerrow::mnuCopy_Click},
      {kMnuExPath, kMenuPick, "mnuExPath_Click", &FrmFerrow::mnuExPath_Click},
      {kMnuGotoDir, kMenuPick, "mnuGotoDir_Click", &FrmFerrow::mnuGotoDir_Click},
      {kMnuRescan, kMenuPick, "mnuRescan_Click", &FrmFerrow::mnuRescan_Click},
      {kMnuFind, kMenuPick, "mnuFind_Click", &FrmFerrow::mnuFind_Click},
  };
  return kRoutes;
}

// "Copy" always shows; the other items show for the list they act on.
std::span<const FrmFerrow::MenuItem> FrmFerrow::MenuItems() {
  static constexpr MenuItem kItems[] = {
      {kMnuCopy, "Copy", true, true},
      {kMnuExPath, "Extract Path to Clipboard", true, false},
      {kMnuGotoDir, "Go to Directory", false, true},
      {kMnuRescan, "Rescan", true, false},
      {kMnuFind, "Open Windows Find", false, true},
  };
  return kItems;
}

void FrmFerrow::Dispatch(int id, int event) {
  for (const Route& route : Routes()) {
    if (route.id == id && route.event == event) {
      Guarded(route.name, [this, &route] { (this->*route.handler)(); });
      return;
    }
  }
}

}  // namespace quarvel::app
