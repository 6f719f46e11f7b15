#include "ui/ListFiller.h"

namespace quarvel::ui {

ListFiller::ListFiller(HWND list) : list_(list), dc_(GetDC(list)) {
  old_font_ = SelectObject(dc_, reinterpret_cast<HGDIOBJ>(SendMessageA(list_, WM_GETFONT, 0, 0)));
  widest_ = static_cast<int>(SendMessageA(list_, LB_GETHORIZONTALEXTENT, 0, 0));
  SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
}

ListFiller::~ListFiller() {
  Show();
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
  SelectObject(dc_, old_font_);
  ReleaseDC(list_, dc_);
}

void ListFiller::Add(const std::string& item) {
  SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  dirty_ = true;
  // Long paths scroll sideways rather than being cut off. Only an item longer
  // than any before is measured: measuring every item would cost more than
  // adding it.
  if (item.size() <= longest_) return;
  longest_ = item.size();
  SIZE size{};
  GetTextExtentPoint32A(dc_, item.c_str(), static_cast<int>(item.size()), &size);
  const int extent = size.cx + size.cx / 10 + 8;  // room for wider letters in a later item
  if (extent > widest_) {
    widest_ = extent;
    SendMessageA(list_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest_), 0);
  }
}

void ListFiller::Show() {
  if (!dirty_) return;
  dirty_ = false;
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  RedrawWindow(list_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
}

}  // namespace quarvel::ui
