#include "ui/WindowText.h"

namespace quarvel::ui {

std::string GetText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

void SetText(HWND window, const std::string& text) { SetWindowTextA(window, text.c_str()); }

void SetTextNow(HWND window, const std::string& text) {
  SetText(window, text);
  RepaintNow(window);
}

void RepaintNow(HWND window) {
  InvalidateRect(window, nullptr, TRUE);
  UpdateWindow(window);
}

int ListCount(HWND list) { return static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)); }

std::string ListItem(HWND list, int index) {
  const auto length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const auto copied =
      SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
  return text;
}

std::string ListCurrentText(HWND list) {
  const auto selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
  return selected == LB_ERR ? std::string() : ListItem(list, static_cast<int>(selected));
}

}  // namespace quarvel::ui
