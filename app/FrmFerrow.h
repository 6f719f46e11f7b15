// The main window: its controls, its state and its handlers. Handlers are short:
// they read controls, call the core and the platform, and write controls.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "core/Bool16.h"
#include "ui/FrmEdit.h"
#include "ui/clsToolTip.h"

namespace quarvel::app {

class FrmFerrow {
 public:
  FrmFerrow() = default;
  FrmFerrow(const FrmFerrow&) = delete;
  FrmFerrow& operator=(const FrmFerrow&) = delete;
  ~FrmFerrow();

  // Creates and shows the window, then runs start-up. False when the window
  // could not be created.
  bool Create(HINSTANCE instance, int show);
  HWND Handle() const { return hwnd_; }

  // Writes the embedded resource `data_name` to `file_name` unless an ordinary
  // search already finds that file.
  void LoadDataIntoFile(int data_name, const std::string& file_name);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

  void CreateControls();
  void Layout();
  void PaintListCaptions(HDC dc);
  // A control by id, whether the window or the frame holds it.
  HWND Control(int id) const;

  // Runs a handler; a failure inside it is reported and the window stays usable.
  void Guarded(const char* name, const std::function<void()>& handler);

  void OnCommand(int id, int code);
  // A mouse button pressed over a child window; the lists' presses run their
  // MouseDown handlers through kListMouseDown.
  void OnParentNotify(UINT event, LPARAM at_point);
  void OnListMouseDown(int id, UINT button);
  static constexpr UINT kListMouseDown = WM_APP + 1;
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
  void List1_MouseDown(UINT button);
  void List2_MouseDown(UINT button);
  void List2_Click();
  void mnuCopy_Click();
  void mnuExPath_Click();
  void mnuGotoDir_Click();
  void mnuRescan_Click();
  void mnuFind_Click();

  // Gives a control of this window its hover tip through PathTip.
  void SetControlTip(HWND control, const std::string& text);
  // Which context-menu items a mouse-down on a list shows; "Copy" always shows.
  void SetMenuFor(bool list1);
  void OpenContextMenu();
  void OnMenuCommand(int id);
  void Rescan();
  static LRESULT CALLBACK ControlProc(HWND control, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);

  // The registry repair: start-up finds a pending step 2 and offers it.
  void CheckRepairState();
  void OfferRepairStep2();
  void RepairStep2();

  // Step 1 of a scan: runs the lister, which writes dll.txt.
  void RunLister();
  // Step 2 of a scan: reads dll.txt into the two result lists.
  void CompareListing();
  template <class Step>
  void RunStep(Step&& step);

  // While a step runs it hands control to the message loop; a second click on a
  // step button then must not start a nested run, and a close waits for the
  // step to wind down.
  bool busy_ = false;
  bool close_requested_ = false;
  void FinishStep();

  HWND hwnd_ = nullptr;
  HWND tips_ = nullptr;
  HMENU mnu_advanced_ = nullptr;
  HFONT font_ = nullptr;
  HFONT bold_font_ = nullptr;
  int dpi_ = 96;
  bool limited_account_ = false;

  bool show_ex_path_ = true;
  bool show_goto_dir_ = true;
  bool show_rescan_ = true;
  bool show_find_ = true;
  ui::FrmEdit frmEdit;

  // Window state.
  Bool16 AbortScan = kFalse;
  Bool16 IsAdmin = kFalse;
  std::string MenuEntry;
  std::string RepairState;
  std::string AppInitValue;
  std::unique_ptr<ui::clsToolTip> PathTip;
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
