// FrmFerrow, the main window: its controls, its state and its handlers.
// Handlers are short: they read controls, call the core and the platform, and
// write controls. What each user action runs stands in one table (Commands.cpp).
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>

#include "core/Bool16.h"
#include "platform/Comparison.h"
#include "platform/ListerRun.h"
#include "ui/FrmEdit.h"
#include "ui/GdiOwners.h"
#include "ui/WindowBase.h"
#include "ui/clsToolTip.h"

namespace quarvel::app {

class FrmFerrow : public ui::WindowBase<FrmFerrow> {
 public:
  FrmFerrow() = default;

  // Creates and shows the window, then runs start-up. False when the window
  // could not be created.
  bool Create(HINSTANCE instance, int show);

  // Writes the embedded resource `data_name` to `file_name` unless an ordinary
  // search already finds that file.
  void LoadDataIntoFile(int data_name, const std::string& file_name);

 private:
  friend class ui::WindowBase<FrmFerrow>;

  // What the user does to a control or a menu item, and the handler it runs.
  // `event` is the control's notification code, or one of the events below.
  struct Route {
    int id;
    int event;
    const char* name;  // the handler's name, as failure reports show it
    void (FrmFerrow::*handler)();
  };
  static constexpr int kMenuPick = 0;           // a context-menu item was chosen
  static constexpr int kMouseDown = 0x10000;    // a mouse button went down over the control
  static constexpr int kMouseMove = 0x10001;    // the mouse moved over the control
  static std::span<const Route> Routes();

  // The context menu mnuAdvanced: its items, and for which list each shows.
  struct MenuItem {
    int id;
    const char* caption;
    bool in_list1;
    bool in_list2;
  };
  static std::span<const MenuItem> MenuItems();

  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  void ReportFailure(const std::string& where, const std::string& what);

  void CreateControls();
  void Layout();
  void PaintListCaptions(HDC dc);
  // A control by id, whether the window or the frame holds it.
  HWND Control(int id) const;

  // Runs the handler the table routes (id, event) to, inside the failure boundary.
  void Dispatch(int id, int event);
  void OnCommand(int id, int code, HWND control);
  // A mouse button pressed over a child window; a press in a list is
  // dispatched through kListMouseDown once the list has handled it.
  void OnParentNotify(UINT event, LPARAM at_point);
  static constexpr UINT kListMouseDown = WM_APP + 1;
  static LRESULT CALLBACK ControlProc(HWND control, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);
  void OnClose();
  LRESULT OnCtlColorStatic(HDC dc, HWND label);

  // Handlers, under the window's own names.
  void Form_Load();
  void Form_Unload();
  void CmdExit_Click();
  void CmdEsc_Click();
  void CmdLocate_Click();
  void CmdScan_Click();
  void PathTxt_Change();
  void PathTxt_MouseMove();
  void CmdBrowse_Click();
  void CmdLog_Click();
  void List1_DblClick();
  void List1_MouseDown();
  void List2_MouseDown();
  void List2_Click();
  void List1_Click();
  void mnuCopy_Click();
  void mnuExPath_Click();
  void mnuGotoDir_Click();
  void mnuRescan_Click();
  void mnuFind_Click();

  // Gives a control of this window its hover tip through PathTip.
  void SetControlTip(HWND control, const std::string& text);
  // Opens mnuAdvanced with the items for the list of the last mouse-down.
  void OpenContextMenu();
  void Rescan();

  // The registry repair: start-up finds a pending step 2 and offers it, and
  // shows AppInit_DLLs with what decides whether Windows loads it.
  void CheckRepairState();
  void ShowAppInitFacts();
  // Why step 1 must not start (the hive file shows a value the API hides); set by ShowAppInitFacts.
  std::optional<std::string> repair_refusal_;
  void OfferRepairStep2();
  void RepairStep2();

  // When the current folder cannot hold the work files (its name has no ANSI
  // spelling, or nothing can be written there), says so and what to do; false
  // when the folder is fine.
  bool ExplainUnusableWorkFolder();

  // Step 1 of a scan: runs the lister, which writes dll.txt.
  void RunLister();
  // Step 2 of a scan: reads dll.txt into the two result lists.
  void CompareListing();
  template <class Step>
  void RunStep(Step&& step);

  // How often long work lets the window's messages run (and shows its
  // progress): often enough for a click to be answered at once, rare enough to
  // cost nothing.
  static constexpr std::chrono::milliseconds kAnswerInterval{50};

  // While a step runs it hands control to the message loop; a second click on a
  // step button then must not start a nested run, and a close waits for the
  // step to wind down.
  bool busy_ = false;
  bool close_requested_ = false;
  void FinishStep();

  HWND tips_ = nullptr;  // the fixed tips; a child of the window, destroyed with it
  ui::UniqueFont font_;
  ui::UniqueFont bold_font_;
  int dpi_ = 96;
  bool limited_account_ = false;
  UINT pressed_button_ = 0;  // WM_xBUTTONDOWN of the press being handled
  int menu_list_ = 0;        // the list whose mouse-down set the context menu's items
  ui::FrmEdit frmEdit;

  // Window state.
  Bool16 AbortScan = kFalse;
  Bool16 IsAdmin = kFalse;
  std::string MenuEntry;
  std::string RepairState;
  std::string AppInitValue;
  std::unique_ptr<ui::clsToolTip> PathTip;

  // Why each entry of List1 is there, by its text, from the last comparison.
  std::unordered_map<std::string, win::UnseenEntry> unseen_;
  // The lister and its output, held from "Run" to the end of "Compare".
  win::ListerRunOutcome lister_run_;
};

template <class Step>
void FrmFerrow::RunStep(Step&& step) {
  if (busy_) return;  // a click while a step yields never starts a nested run
  busy_ = true;
  try {
    step();
  } catch (...) {
    busy_ = false;
    FinishStep();
    throw;
  }
  busy_ = false;
  FinishStep();
}

}  // namespace quarvel::app
