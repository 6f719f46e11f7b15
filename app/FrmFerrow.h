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

#include "app/CommandList.h"
#include "core/Bool16.h"
#include "core/LongWork.h"
#include "platform/Comparison.h"
#include "platform/ListerRun.h"
#include "ui/FrmEdit.h"
#include "ui/GdiOwners.h"
#include "ui/WindowBase.h"
#include "ui/clsToolTip.h"

namespace quarvel::app {

class FrmFerrow : public ui::WindowBase<FrmFerrow>, private LongWorkHost {
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

  // What the user does to a control or a menu item, and the handler it runs
  // (made from the command list, CommandList.h). `event` is the control's
  // notification code, or one of the events below.
  struct Route {
    int id;
    int event;
    const char* name;  // the handler's name, as failure reports show it
    void (FrmFerrow::*handler)();
  };
 public:
  static constexpr int kMenuPick = 0;           // a context-menu item was chosen
  static constexpr int kMouseDown = 0x10000;    // a mouse button went down over the control
  static constexpr int kMouseMove = 0x10001;    // the mouse moved over the control

 private:
  static std::span<const Route> Routes();

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

  // Handlers, under the window's own names, one per command.
  void Form_Load();
  void Form_Unload();
#define QUARVEL_CONTROL_HANDLER(control, suffix, event) void control##_##suffix();
  QUARVEL_CONTROL_COMMANDS(QUARVEL_CONTROL_HANDLER)
#undef QUARVEL_CONTROL_HANDLER
#define QUARVEL_MENU_HANDLER(name, caption, in_list1, in_list2) void mnu##name##_Click();
  QUARVEL_MENU_COMMANDS(QUARVEL_MENU_HANDLER)
#undef QUARVEL_MENU_HANDLER

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

  // Long work (the lister, the compare, the rescan, the repair's tools) runs
  // through work_, which owns the busy and close state and the stop rules; the
  // window carries out what it asks.
  void PumpMessages() override;
  bool QuitRequested() override;
  void ShowEscape(bool pressed) override;
  void HideWindow() override;
  void CloseWindow() override;
  LongWork work_{*this};

  HWND tips_ = nullptr;  // the fixed tips; a child of the window, destroyed with it
  ui::UniqueFont font_;
  ui::UniqueFont bold_font_;
  int dpi_ = 96;
  bool limited_account_ = false;
  UINT pressed_button_ = 0;  // WM_xBUTTONDOWN of the press being handled
  int menu_list_ = 0;        // the list whose mouse-down set the context menu's items
  ui::FrmEdit frmEdit;

  // Window state.
  Bool16 IsAdmin = kFalse;
  std::string MenuEntry;
  std::string RepairState;
  std::string AppInitValue;
  std::unique_ptr<ui::clsToolTip> PathTip;

  // Why each entry of List1 is there, from the last comparison: the vector
  // taken over whole, and the entries' places in the order of their texts.
  // Under Wine's heap, a node allocated per entry of a large result stalled
  // the window for seconds; places are sorted, not the entries themselves.
  std::vector<win::UnseenEntry> unseen_;
  std::vector<std::uint32_t> unseen_by_item_;
  const win::UnseenEntry* FindUnseen(const std::string& item) const;
  // The lister and its output, held from "Run" to the end of "Compare".
  win::ListerRunOutcome lister_run_;
};

}  // namespace quarvel::app
