#include "ui/FrmEdit.h"

namespace quarvel::ui {
namespace {

constexpr const char* kClassName = "QuarvelFrmEdit";

}  // namespace

FrmEdit::~FrmEdit() {
  Unload();
  if (font_ != nullptr) DeleteObject(font_);
}

LRESULT CALLBACK FrmEdit::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<FrmEdit*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
      break;
    case WM_SIZE:
      // Text1 covers the whole client area.
      MoveWindow(GetDlgItem(hwnd, kText1), 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
      return 0;
    case WM_NCDESTROY:
      if (self != nullptr) self->hwnd_ = nullptr;
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void FrmEdit::Show(HWND owner) {
  if (hwnd_ == nullptr) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof(window_class);
    if (!GetClassInfoExA(instance, kClassName, &window_class)) {
      window_class.lpfnWndProc = &FrmEdit::WindowProc;
      window_class.hInstance = instance;
      window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
      window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
      window_class.lpszClassName = kClassName;
      RegisterClassExA(&window_class);
    }
    // 628 by 20 pixels of client area at 96 DPI, scaled for this screen.
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RECT frame{0, 0, MulDiv(628, dpi, 96), MulDiv(20, dpi, 96)};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_TOOLWINDOW);
    hwnd_ = CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, "Edit", style, CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.right - frame.left, frame.bottom - frame.top, owner, nullptr, instance, this);
    if (hwnd_ == nullptr) return;
    HWND text1 = CreateWindowExA(0, "EDIT", "Text1", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 10, 10, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kText1)), instance, nullptr);
    if (font_ == nullptr) {
      NONCLIENTMETRICSA metrics{};
      metrics.cbSize = sizeof(metrics);
      SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
      font_ = CreateFontIndirectA(&metrics.lfMessageFont);
    }
    SendMessageA(text1, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    RECT client;
    GetClientRect(hwnd_, &client);
    MoveWindow(text1, 0, 0, client.right, client.bottom, FALSE);
  }
  ShowWindow(hwnd_, SW_SHOWNORMAL);
}

void FrmEdit::SetText(const std::string& text) {
  if (hwnd_ != nullptr) SetWindowTextA(GetDlgItem(hwnd_, kText1), text.c_str());
}

void FrmEdit::Unload() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

}  // namespace quarvel::ui
