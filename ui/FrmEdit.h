// The entry viewer: a one-line window ("Edit") whose only content is the text
// box Text1, in which a result entry can be read and selected in full. Closing
// it discards it; the next showing starts again from "Text1".
#pragma once

#include <windows.h>

#include <string>

namespace quarvel::ui {

class FrmEdit {
 public:
  FrmEdit() = default;
  ~FrmEdit();
  FrmEdit(const FrmEdit&) = delete;
  FrmEdit& operator=(const FrmEdit&) = delete;

  // Shows the viewer, creating it when needed, owned by `owner`.
  void Show(HWND owner);
  void SetText(const std::string& text);
  void Unload();
  HWND Handle() const { return hwnd_; }

  static constexpr int kText1 = 1;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;
};

}  // namespace quarvel::ui
