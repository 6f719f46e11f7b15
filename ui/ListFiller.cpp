#include "ui/ListFiller.h"

#include <algorithm>

#include "platform/AnsiText.h"

namespace quarvel::ui {

ListFiller::ListFiller(HWND list)
    : list_(list),
      list_proc_(reinterpret_cast<WNDPROC>(GetClassLongPtrW(list, GCLP_WNDPROC))),
      dc_(list),
      list_font_(dc_.get(), reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0))) {
  widest_ = static_cast<int>(SendMessageA(list_, LB_GETHORIZONTALEXTENT, 0, 0));
  SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
}

ListFiller::~ListFiller() { Finish(); }

void ListFiller::Finish() {
  if (finished_) return;
  finished_ = true;
  Draw();
}

void ListFiller::Add(const std::string& item) {
  // Room for items is asked for in doubling steps rather than one by one.
  if (++added_ > reserved_) {
    const std::size_t more = std::max<std::size_t>(reserved_, kFirstReserve);
    SendMessageA(list_, LB_INITSTORAGE, static_cast<WPARAM>(more), 0);
    reserved_ += more;
  }
  // The list keeps wide text; converting into a buffer kept between items
  // spares the allocation the "A" message would make for each.
  win::WideFromAnsi(item, wide_item_);
  CallWindowProcW(list_proc_, list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide_item_.c_str()));
  dirty_ = true;
  // Long paths scroll sideways rather than being cut off. Only an item longer
  // than any before is measured: measuring every item would cost more than
  // adding it.
  if (item.size() <= longest_) return;
  longest_ = item.size();
  SIZE size{};
  GetTextExtentPoint32W(dc_.get(), wide_item_.c_str(), static_cast<int>(wide_item_.size()), &size);
  const int extent = size.cx + size.cx / 10 + 8;  // room for wider letters in a later item
  if (extent > widest_) {
    widest_ = extent;
    SendMessageA(list_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest_), 0);
  }
}

void ListFiller::Show() {
  if (!dirty_) return;
  Draw();
  SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
}

// Turning drawing back on costs most of a redraw under Wine (about ten
// milliseconds for a long list); the list paints its items and the space below
// them itself, so no erase or frame pass is asked for.
void ListFiller::Draw() {
  dirty_ = false;
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  RedrawWindow(list_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

}  // namespace quarvel::ui
