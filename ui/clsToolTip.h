// One Win32 tooltip control for one window. Its tools are that window's
// controls, each known by its own window handle; the control watches the mouse
// over them itself. While there is no tooltip window, getters answer 0, False
// or the empty text and setters do nothing.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/GdiOwners.h"

namespace quarvel::ui {

class clsToolTip {
 public:
  clsToolTip() = default;  // the header starts off
  ~clsToolTip() = default;  // the tooltip window goes with its owner
  clsToolTip(const clsToolTip&) = delete;
  clsToolTip& operator=(const clsToolTip&) = delete;

  // Registers `ctrl` with an optional text; False for a control that has a tool
  // already (its text stays), for a label, or without a tooltip window.
  bool AddTool(HWND ctrl, const std::string& strText = "");
  COLORREF BackColor() const;
  void SetBackColor(COLORREF clr);
  // Creates the tooltip window once; True when it exists afterwards.
  bool Create(HWND frm);
  DWORD DelayTime(DWORD dwType) const;  // dwType AND 3 picks the delay kind
  void SetDelayTime(DWORD dwType, DWORD dwMilliSecs);
  // True for a control that is a window of its own; labels are drawn text and
  // take no tool.
  static bool fIsWindow(HWND ctrl);
  COLORREF ForeColor() const;
  void SetForeColor(COLORREF clr);
  bool HasToolTip(HWND ctrl) const;
  HWND hWnd() const { return TipWindow.get(); }
  // Left (0), top (1), right (2) or bottom (3) margin; 0 for any other kind.
  DWORD Margin(DWORD dwType) const;
  void SetMargin(DWORD dwType, DWORD cPixels);
  // The low 16 bits, unsigned: "no limit" reads 65535.
  DWORD MaxTipWidth() const;
  void SetMaxTipWidth(long lngWidth);  // below 1 means no limit
  bool RemoveTool(HWND ctrl);
  long ToolCount() const;
  std::string ToolText(HWND ctrl) const;
  // Sets the text of an existing tool; the empty text removes the tool.
  void SetToolText(HWND ctrl, const std::string& strText);
  HWND ToolTipHandle() const { return TipWindow.get(); }
  std::string ToolTipHeader() const { return HeaderText; }
  void SetToolTipHeader(const std::string& vNewValue);  // also turns the header on
  bool ToolTipHeaderShow() const { return HeaderOn; }
  void SetToolTipHeaderShow(bool vNewValue) { HeaderOn = vNewValue; }

 private:
  bool FindTool(HWND handle, TTTOOLINFOA& record, bool text_wanted) const;
  std::string WithHeader(const std::string& text) const;
  LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const;

  UniqueWindow TipWindow;
  long TextCapacity = 0;  // one more than the longest text set through this instance
  std::string HeaderText;
  bool HeaderOn = false;
  mutable std::vector<char> text_buffer_;
};

}  // namespace quarvel::ui
