// The main window itself: its controls in their order, its layout and painting,
// and how messages reach the handlers.
#include "app/FrmFerrow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "app/ControlIds.h"
#include "app/MainLayout.h"
#include "platform/MessagePump.h"
#include "ui/WindowMetrics.h"
#include "ui/WindowText.h"

namespace quarvel::app {
namespace {

constexpr const char* kClassName = "QuarvelFrmFerrow";

struct ControlSpec {
  int id;
  const char* window_class;
  const char* text;
  DWORD style;
  bool in_frame = false;  // held by the frame "Scan Options" rather than the window
};

// The window's controls in their own order, with their design-time texts. The
// lists keep their scroll bars (disabled while not needed), so filling them
// never changes their frame, which costs a full relayout under Wine.
constexpr ControlSpec kControls[] = {
    {kCmdLog, WC_BUTTONA, "Make a Log of what was found", BS_PUSHBUTTON | WS_TABSTOP},
    {kCmdExit, WC_BUTTONA, "Exit", BS_PUSHBUTTON | WS_TABSTOP},
    {kCmdEsc, WC_BUTTONA, "Escape", BS_PUSHBUTTON | WS_TABSTOP},
    {kFraOptions, WC_BUTTONA, "Scan Options", BS_GROUPBOX},
    {kChkSubDir, WC_BUTTONA, "Include SubDirectories", BS_AUTOCHECKBOX | WS_TABSTOP, true},
    {kCmdBrowse, WC_BUTTONA, "...", BS_PUSHBUTTON | WS_TABSTOP, true},
    {kPathTxt, WC_EDITA, "", ES_AUTOHSCROLL | WS_TABSTOP, true},
    {kComboExt, WC_COMBOBOXA, "", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, true},
    {kCmdLocate, WC_BUTTONA, "Run Divevi.com", BS_PUSHBUTTON | WS_TABSTOP},
    {kLblAdmin, WC_STATICA, "", SS_RIGHT | SS_NOPREFIX},
    {kCmdScan, WC_BUTTONA, "Compare", BS_PUSHBUTTON | WS_TABSTOP},
    {kList2, WC_LISTBOXA, "", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_DISABLENOSCROLL | WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP},
    {kList1, WC_LISTBOXA, "", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_DISABLENOSCROLL | WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP},
    {kLabel1, WC_STATICA, "GUI Sort Functions by Brennick Software Solutions", SS_LEFT | SS_NOPREFIX},
    {kLblSize, WC_STATICA, "", SS_LEFT | SS_NOPREFIX},
    {kLblIsDir, WC_STATICA, "", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_PATHELLIPSIS},
    {kLblInfo, WC_STATICA, "", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_ENDELLIPSIS},
};

constexpr const char* kList1Caption = "Not seen by Windows (hidden, system, or kept out of sight):";
constexpr const char* kList2Caption = "Seen by Windows (folders and files):";

void AddFixedTip(HWND tips, HWND owner, HWND control, const char* text) {
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = owner;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<char*>(text);
  SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

// The frame holds four controls; what they tell their parent goes on to the window.
LRESULT CALLBACK FrameProc(HWND frame, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
      return SendMessageA(GetParent(frame), msg, wp, lp);
    case WM_NCDESTROY:
      RemoveWindowSubclass(frame, FrameProc, 0);
      break;
    default:
      break;
  }
  return DefSubclassProc(frame, msg, wp, lp);
}

}  // namespace

HWND FrmFerrow::Control(int id) const {
  HWND control = GetDlgItem(hwnd_, id);
  return control != nullptr ? control : GetDlgItem(GetDlgItem(hwnd_, kFraOptions), id);
}

bool FrmFerrow::Create(HINSTANCE instance, int show) {
  if (!RegisterOnce(instance, kClassName, LoadIcon(nullptr, IDI_APPLICATION))) return false;
  dpi_ = ui::ScreenDpi();
  // The window opens at its preferred size, or as large as the screen allows.
  SIZE size = InitialWindowSize(dpi_);
  RECT work_area{0, 0, size.cx, size.cy};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work_area, 0);
  size.cx = std::min<LONG>(size.cx, work_area.right - work_area.left);
  size.cy = std::min<LONG>(size.cy, work_area.bottom - work_area.top);
  if (CreateBound(WS_EX_CONTROLPARENT, kClassName, kMainCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                  work_area.left, work_area.top, size.cx, size.cy, nullptr, instance) == nullptr) {
    return false;
  }
  // Tab and Enter move through the controls in the main loop and in every
  // nested pump alike.
  win::SetDialogWindow(hwnd_);
  ShowWindow(hwnd_, show);
  UpdateWindow(hwnd_);
  Guarded("Form_Load", [this] { Form_Load(); });
  return true;
}

void FrmFerrow::ReportFailure(const std::string& where, const std::string& what) {
  const std::string text = where + " failed: " + what;
  MessageBoxA(hwnd_, text.c_str(), kAppTitle, MB_OK | MB_ICONERROR);
}

LRESULT FrmFerrow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      CreateControls();
      return 0;
    case WM_SIZE:
      Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      const SIZE smallest = SmallestWindowSize(dpi_);
      auto* info = reinterpret_cast<MINMAXINFO*>(lp);
      info->ptMinTrackSize = {smallest.cx, smallest.cy};
      return 0;
    }
    case WM_PAINT: {
      const ui::PaintDc paint(hwnd_);
      PaintListCaptions(paint.get());
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_PARENTNOTIFY:
      OnParentNotify(LOWORD(wp), lp);
      return 0;
    case kListMouseDown:
      pressed_button_ = static_cast<UINT>(lp);
      Dispatch(static_cast<int>(wp), kMouseDown);
      return 0;
    case WM_CLOSE:
      Guarded("Form_Unload", [this] { OnClose(); });
      return 0;
    case WM_DESTROY:
      win::SetDialogWindow(nullptr);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd_, msg, wp, lp);
  }
}

void FrmFerrow::CreateControls() {
  font_ = ui::MessageFont();
  bold_font_ = ui::MessageFont(true);

  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd_, GWLP_HINSTANCE));
  HWND frame = nullptr;
  for (const auto& spec : kControls) {
    DWORD ex_style = spec.id == kPathTxt ? WS_EX_CLIENTEDGE : 0;
    if (spec.id == kFraOptions) ex_style |= WS_EX_CONTROLPARENT;  // Tab reaches into it
    HWND control = CreateWindowExA(ex_style, spec.window_class, spec.text,
                                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | spec.style, 0, 0, 10, 10,
                                   spec.in_frame ? frame : hwnd_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    if (spec.id == kFraOptions) {
      frame = control;
      SetWindowSubclass(frame, FrameProc, 0, 0);
    }
  }

  // The two fixed hover tips.
  tips_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, 0, 0, 0, 0, hwnd_, nullptr, instance, nullptr);
  AddFixedTip(tips_, hwnd_, Control(kCmdBrowse), "Browse for Folder");
  const char* filter_tip = "Select or Type your own Filter to Search for";
  AddFixedTip(tips_, hwnd_, Control(kComboExt), filter_tip);
  COMBOBOXINFO combo{};
  combo.cbSize = sizeof(combo);
  if (GetComboBoxInfo(Control(kComboExt), &combo)) AddFixedTip(tips_, hwnd_, combo.hwndItem, filter_tip);

  // The path box's mouse moves come to the window. The lists are not
  // subclassed: their mouse-downs reach the window as WM_PARENTNOTIFY, and under
  // Wine every message to a subclassed window costs server round trips, which
  // the comparison's one LB_ADDSTRING per entry would pay tens of thousands of times.
  SetWindowSubclass(Control(kPathTxt), &FrmFerrow::ControlProc, kPathTxt, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK FrmFerrow::ControlProc(HWND control, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data) {
  auto* self = reinterpret_cast<FrmFerrow*>(data);
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(control, &FrmFerrow::ControlProc, id);
    return DefSubclassProc(control, msg, wp, lp);
  }
  if (msg == WM_MOUSEMOVE) {
    const LRESULT result = DefSubclassProc(control, msg, wp, lp);
    self->Dispatch(static_cast<int>(id), kMouseMove);
    return result;
  }
  return DefSubclassProc(control, msg, wp, lp);
}

void FrmFerrow::OnParentNotify(UINT event, LPARAM at_point) {
  if (event != WM_LBUTTONDOWN && event != WM_RBUTTONDOWN && event != WM_MBUTTONDOWN) return;
  POINT at{GET_X_LPARAM(at_point), GET_Y_LPARAM(at_point)};
  for (int id : {kList1, kList2}) {
    HWND list = Control(id);
    POINT in_list = at;
    MapWindowPoints(hwnd_, list, &in_list, 1);
    RECT client;
    GetClientRect(list, &client);
    if (!IsWindowVisible(list) || !PtInRect(&client, in_list)) continue;
    // The notice comes before the list sees the press; the handler runs once
    // the list has handled it, so a left press has moved the selection.
    PostMessageA(hwnd_, kListMouseDown, static_cast<WPARAM>(id), event);
    return;
  }
}

void FrmFerrow::Layout() {
  RECT client;
  GetClientRect(hwnd_, &client);
  const auto places = PlaceControls(client.right, client.bottom, dpi_);
  POINT frame_origin{};
  for (const auto& place : places.controls) {
    if (place.id == kFraOptions) frame_origin = {place.rect.left, place.rect.top};
  }
  for (const auto& place : places.controls) {
    HWND control = Control(place.id);
    // The frame's own controls are placed within it.
    const bool in_frame = GetParent(control) != hwnd_;
    const int left = place.rect.left - (in_frame ? frame_origin.x : 0);
    const int top = place.rect.top - (in_frame ? frame_origin.y : 0);
    SetWindowPos(control, nullptr, left, top, place.rect.right - place.rect.left,
                 place.rect.bottom - place.rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void FrmFerrow::PaintListCaptions(HDC dc) {
  RECT client;
  GetClientRect(hwnd_, &client);
  const auto places = PlaceControls(client.right, client.bottom, dpi_);
  const ui::SelectedObject font(dc, font_.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  RECT list1 = places.list1_caption;
  DrawTextA(dc, kList1Caption, -1, &list1, DT_LEFT | DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX);
  RECT list2 = places.list2_caption;
  DrawTextA(dc, kList2Caption, -1, &list2, DT_LEFT | DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX);
}

LRESULT FrmFerrow::OnCtlColorStatic(HDC dc, HWND label) {
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  SetTextColor(dc, label == Control(kLblAdmin) && limited_account_ ? RGB(255, 0, 0) : GetSysColor(COLOR_BTNTEXT));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void FrmFerrow::OnCommand(int id, int code, HWND control) {
  // A menu item tells no control; a button's click has the same code, 0.
  Dispatch(id, control == nullptr ? kMenuPick : code);
}

}  // namespace quarvel::app
