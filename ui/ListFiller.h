// Adds many items to a list box with its drawing switched off, and shows them
// when asked: each repaint of a list box costs far more than adding an item.
#pragma once

#include <windows.h>

#include <string>

namespace quarvel::ui {

class ListFiller {
 public:
  explicit ListFiller(HWND list);
  ~ListFiller();  // shows the final state
  ListFiller(const ListFiller&) = delete;
  ListFiller& operator=(const ListFiller&) = delete;

  void Add(const std::string& item);
  // Draws what was added so far, then goes on adding without drawing.
  void Show();

 private:
  HWND list_;
  HDC dc_;
  HGDIOBJ old_font_;
  int widest_ = 0;
  std::size_t longest_ = 0;
  bool dirty_ = false;
};

}  // namespace quarvel::ui
