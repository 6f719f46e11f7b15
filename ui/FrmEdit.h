// frmEdit, the entry viewer: a one-line window ("Edit") whose only content is the
// text box Text1, in which a result entry can be read and selected in full.
// Closing it discards it; the next showing starts again from "Text1".
#pragma once

#include <windows.h>

#include <string>

#include "ui/GdiOwners.h"
#include "ui/WindowBase.h"

namespace quarvel::ui {

class FrmEdit : public WindowBase<FrmEdit> {
 public:
  FrmEdit() = default;
  ~FrmEdit();

  // Shows the viewer, creating it when needed, owned by `owner`.
  void Show(HWND owner);
  void SetText(const std::string& text);
  void Unload();

  static constexpr int kText1 = 1;

 private:
  friend class WindowBase<FrmEdit>;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

  UniqueFont font_;
};

}  // namespace quarvel::ui
