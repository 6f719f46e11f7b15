#include "ui/FrmEdit.h"

#include "ui/WindowMetrics.h"

namespace quarvel::ui {
namespace {

constexpr const char* kClassName = "QuarvelFrmEdit";

}  // namespace

FrmEdit::~FrmEdit() { Unload(); }

LRESULT FrmEdit::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SIZE) {
    // Text1 covers the whole client area.
    MoveWindow(GetDlgItem(hwnd_, kText1), 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
    return 0;
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

void FrmEdit::Show(HWND owner) {
  if (hwnd_ == nullptr) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterOnce(instance, kClassName)) return;
    // 628 by 20 pixels of client area at 96 DPI, scaled for this screen.
    const int dpi = ScreenDpi();
    RECT frame{0, 0, Scaled(628, dpi), Scaled(20, dpi)};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_TOOLWINDOW);
    if (CreateBound(WS_EX_TOOLWINDOW, kClassName, "Edit", style, CW_USEDEFAULT, CW_USEDEFAULT,
                    frame.right - frame.left, frame.bottom - frame.top, owner, instance) == nullptr) {
      return;
    }
    HWND text1 = CreateWindowExA(0, "EDIT", "Text1", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 10, 10, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kText1)), instance, nullptr);
    if (!font_) font_ = MessageFont();
    SendMessageA(text1, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    RECT client;
    GetClientRect(hwnd_, &client);
    MoveWindow(text1, 0, 0, client.right, client.bottom, FALSE);
  }
  ShowWindow(hwnd_, SW_SHOWNORMAL);
}

void FrmEdit::SetText(const std::string& text) {
  if (hwnd_ != nullptr) SetWindowTextA(GetDlgItem(hwnd_, kText1), text.c_str());
}

void FrmEdit::Unload() { Destroy(); }

}  // namespace quarvel::ui
