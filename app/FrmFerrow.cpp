#include "app/FrmFerrow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <exception>

#include "app/ControlIds.h"
#include "app/MainLayout.h"
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

FrmFerrow::~FrmFerrow() {
  if (mnu_advanced_ != nullptr) DestroyMenu(mnu_advanced_);
  if (font_ != nullptr) DeleteObject(font_);
  if (bold_font_ != nullptr) DeleteObject(bold_font_);
}

bool FrmFerrow::Create(HINSTANCE instance, int show) {
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &FrmFerrow::WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = kClassName;
  if (RegisterClassExA(&window_class) == 0) return false;

  HDC screen = GetDC(nullptr);
  dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  // The window opens at its preferred size, or as large as the screen allows.
  SIZE size = InitialWindowSize(dpi_);
  RECT work_area{0, 0, size.cx, size.cy};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work_area, 0);
  size.cx = std::min<LONG>(size.cx, work_area.right - work_area.left);
  size.cy = std::min<LONG>(size.cy, work_area.bottom - work_area.top);
  if (CreateWindowExA(WS_EX_CONTROLPARENT, kClassName, kMainCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                      work_area.left, work_area.top, size.cx, size.cy, nullptr, nullptr, instance,
                      this) == nullptr) {
    return false;
  }
  ShowWindow(hwnd_, show);
  UpdateWindow(hwnd_);
  Guarded("Form_Load", [this] { Form_Load(); });
  return true;
}

LRESULT CALLBACK FrmFerrow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  FrmFerrow* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = static_cast<FrmFerrow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<FrmFerrow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcA(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  return self->HandleMessage(msg, wp, lp);
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
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd_, &paint);
      PaintListCaptions(dc);
      EndPaint(hwnd_, &paint);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp));
      return 0;
    case WM_PARENTNOTIFY:
      OnParentNotify(LOWORD(wp), lp);
      return 0;
    case kListMouseDown:
      OnListMouseDown(static_cast<int>(wp), static_cast<UINT>(lp));
      return 0;
    case WM_CLOSE:
      Guarded("Form_Unload", [this] { OnClose(); });
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd_, msg, wp, lp);
  }
}

void FrmFerrow::Guarded(const char* name, const std::function<void()>& handler) {
  std::string failure;
  try {
    handler();
    return;
  } catch (const std::exception& error) {
    failure = error.what();
  } catch (...) {
    failure = "unknown failure";
  }
  const std::string text = std::string(name) + " failed: " + failure;
  MessageBoxA(hwnd_, text.c_str(), kAppTitle, MB_OK | MB_ICONERROR);
}

void FrmFerrow::CreateControls() {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  font_ = CreateFontIndirectA(&metrics.lfMessageFont);
  LOGFONTA bold = metrics.lfMessageFont;
  bold.lfWeight = FW_BOLD;
  bold_font_ = CreateFontIndirectA(&bold);

  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd_, GWLP_HINSTANCE));
  HWND frame = nullptr;
  for (const auto& spec : kControls) {
    DWORD ex_style = spec.id == kPathTxt ? WS_EX_CLIENTEDGE : 0;
    if (spec.id == kFraOptions) ex_style |= WS_EX_CONTROLPARENT;  // Tab reaches into it
    HWND control = CreateWindowExA(ex_style, spec.window_class, spec.text,
                                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | spec.style, 0, 0, 10, 10,
                                   spec.in_frame ? frame : hwnd_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
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

  // The result lists' context menu "Advanced".
  mnu_advanced_ = CreatePopupMenu();
  AppendMenuA(mnu_advanced_, MF_STRING, kMnuCopy, "Copy");
  AppendMenuA(mnu_advanced_, MF_STRING, kMnuExPath, "Extract Path to Clipboard");
  AppendMenuA(mnu_advanced_, MF_STRING, kMnuGotoDir, "Go to Directory");
  AppendMenuA(mnu_advanced_, MF_STRING, kMnuRescan, "Rescan");
  AppendMenuA(mnu_advanced_, MF_STRING, kMnuFind, "Open Windows Find");

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
  if (id == kPathTxt && msg == WM_MOUSEMOVE) {
    const LRESULT result = DefSubclassProc(control, msg, wp, lp);
    self->Guarded("PathTxt_MouseMove", [self] { self->PathTxt_MouseMove(); });
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

void FrmFerrow::OnListMouseDown(int id, UINT button) {
  if (id == kList1) {
    Guarded("List1_MouseDown", [this, button] { List1_MouseDown(button); });
  } else if (id == kList2) {
    Guarded("List2_MouseDown", [this, button] { List2_MouseDown(button); });
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
  const HGDIOBJ old = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  RECT list1 = places.list1_caption;
  DrawTextA(dc, kList1Caption, -1, &list1, DT_LEFT | DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX);
  RECT list2 = places.list2_caption;
  DrawTextA(dc, kList2Caption, -1, &list2, DT_LEFT | DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX);
  SelectObject(dc, old);
}

LRESULT FrmFerrow::OnCtlColorStatic(HDC dc, HWND label) {
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  SetTextColor(dc, label == Control(kLblAdmin) && limited_account_ ? RGB(255, 0, 0) : GetSysColor(COLOR_BTNTEXT));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void FrmFerrow::OnCommand(int id, int code) {
  switch (id) {
    case kCmdExit:
      if (code == BN_CLICKED) Guarded("CmdExit_Click", [this] { CmdExit_Click(); });
      break;
    case kCmdEsc:
      if (code == BN_CLICKED) Guarded("CmdEsc_Click", [this] { CmdEsc_Click(); });
      break;
    case kCmdLocate:
      if (code == BN_CLICKED) Guarded("CmdLocate_Click", [this] { CmdLocate_Click(); });
      break;
    case kCmdScan:
      if (code == BN_CLICKED) Guarded("CmdScan_Click", [this] { CmdScan_Click(); });
      break;
    case kPathTxt:
      if (code == EN_CHANGE) Guarded("PathTxt_Change", [this] { PathTxt_Change(); });
      break;
    case kCmdBrowse:
      if (code == BN_CLICKED) Guarded("CmdBrowse_Click", [this] { CmdBrowse_Click(); });
      break;
    case kCmdLog:
      if (code == BN_CLICKED) Guarded("CmdLog_Click", [this] { CmdLog_Click(); });
      break;
    case kList1:
      if (code == LBN_DBLCLK) Guarded("List1_DblClick", [this] { List1_DblClick(); });
      break;
    case kList2:
      if (code == LBN_SELCHANGE) Guarded("List2_Click", [this] { List2_Click(); });
      break;
    case kMnuCopy:
    case kMnuExPath:
    case kMnuGotoDir:
    case kMnuRescan:
    case kMnuFind:
      OnMenuCommand(id);
      break;
    default:
      break;
  }
}

}  // namespace quarvel::app
