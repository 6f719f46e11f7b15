// Adds many items to a list box with its drawing switched off, and shows them
// when asked: each repaint of a list box costs far more than adding an item.
// Items go straight to the list box's own window procedure: a subclass (the
// tooltip control subclasses every control it has a tool for) has no business
// with them, and under Wine each message through a subclass costs server round
// trips, which tens of thousands of items would pay one by one.
#pragma once

#include <windows.h>

#include <string>

#include "ui/GdiOwners.h"

namespace quarvel::ui {

class ListFiller {
 public:
  explicit ListFiller(HWND list);
  ~ListFiller();  // shows the final state, unless Finish() did
  ListFiller(const ListFiller&) = delete;
  ListFiller& operator=(const ListFiller&) = delete;

  void Add(const std::string& item);
  // Draws what was added so far, then goes on adding without drawing.
  void Show();
  // Shows the final state now and draws as usual from here on: a caller with
  // two long lists lets the window's messages run between their redraws.
  void Finish();

 private:
  static constexpr std::size_t kFirstReserve = 1024;
  void Draw();

  HWND list_;
  WNDPROC list_proc_;
  WindowDc dc_;                // measures the items' width in the list's font
  SelectedObject list_font_;
  int widest_ = 0;
  std::size_t longest_ = 0;
  bool dirty_ = false;
  bool finished_ = false;
  std::size_t added_ = 0;
  std::size_t reserved_ = 0;
  std::wstring wide_item_;
};

}  // namespace quarvel::ui
