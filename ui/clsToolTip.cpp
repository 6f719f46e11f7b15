#include "ui/clsToolTip.h"

#include <algorithm>

namespace quarvel::ui {
namespace {

// The record with lParam and without the reserved pointer.
const UINT kToolInfoSize = TTTOOLINFOA_V2_SIZE;

TTTOOLINFOA EmptyRecord() {
  TTTOOLINFOA record{};
  record.cbSize = kToolInfoSize;
  return record;
}

}  // namespace

LRESULT clsToolTip::Send(UINT msg, WPARAM wp, LPARAM lp) const {
  return TipWindow ? SendMessageA(TipWindow.get(), msg, wp, lp) : 0;
}

bool clsToolTip::Create(HWND frm) {
  if (TipWindow) return true;
  InitCommonControls();
  TipWindow.reset(CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, 0, 0, 0, 0, frm, nullptr,
                                  GetModuleHandleA(nullptr), nullptr));
  return static_cast<bool>(TipWindow);
}

bool clsToolTip::fIsWindow(HWND ctrl) {
  if (ctrl == nullptr || !IsWindow(ctrl)) return false;
  char window_class[32] = {};
  GetClassNameA(ctrl, window_class, sizeof(window_class));
  return lstrcmpiA(window_class, "Static") != 0;
}

std::string clsToolTip::WithHeader(const std::string& text) const {
  return HeaderOn && !HeaderText.empty() ? HeaderText + "\r\n" + text : text;
}

bool clsToolTip::FindTool(HWND handle, TTTOOLINFOA& record, bool text_wanted) const {
  record = EmptyRecord();
  if (text_wanted) {
    text_buffer_.assign(static_cast<std::size_t>(std::max(TextCapacity, 1L)), '\0');
    record.lpszText = text_buffer_.data();
  }
  const long count = ToolCount();
  for (long i = 0; i < count; ++i) {
    if (Send(TTM_ENUMTOOLSA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&record)) != 0 &&
        record.uId == reinterpret_cast<UINT_PTR>(handle)) {
      return true;
    }
  }
  return false;
}

bool clsToolTip::AddTool(HWND ctrl, const std::string& strText) {
  if (!fIsWindow(ctrl) || !TipWindow) return false;
  TTTOOLINFOA record;
  if (FindTool(ctrl, record, false)) return false;
  record = EmptyRecord();
  record.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  record.hwnd = GetParent(ctrl);  // the control's container: the window, or a frame
  record.uId = reinterpret_cast<UINT_PTR>(ctrl);
  std::string text;
  if (!strText.empty()) {
    text = WithHeader(strText);
    record.lpszText = text.data();
  }
  TextCapacity = std::max(TextCapacity, static_cast<long>(text.size()) + 1);
  return Send(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&record)) != 0;
}

COLORREF clsToolTip::BackColor() const { return static_cast<COLORREF>(Send(TTM_GETTIPBKCOLOR)); }
void clsToolTip::SetBackColor(COLORREF clr) { Send(TTM_SETTIPBKCOLOR, clr); }
COLORREF clsToolTip::ForeColor() const { return static_cast<COLORREF>(Send(TTM_GETTIPTEXTCOLOR)); }
void clsToolTip::SetForeColor(COLORREF clr) { Send(TTM_SETTIPTEXTCOLOR, clr); }

DWORD clsToolTip::DelayTime(DWORD dwType) const { return static_cast<DWORD>(Send(TTM_GETDELAYTIME, dwType & 3)); }
void clsToolTip::SetDelayTime(DWORD dwType, DWORD dwMilliSecs) {
  Send(TTM_SETDELAYTIME, dwType & 3, static_cast<LPARAM>(dwMilliSecs));
}

bool clsToolTip::HasToolTip(HWND ctrl) const {
  TTTOOLINFOA record;
  return FindTool(ctrl, record, false);
}

DWORD clsToolTip::Margin(DWORD dwType) const {
  RECT margin{};
  Send(TTM_GETMARGIN, 0, reinterpret_cast<LPARAM>(&margin));
  switch (dwType) {
    case 0: return static_cast<DWORD>(margin.left);
    case 1: return static_cast<DWORD>(margin.top);
    case 2: return static_cast<DWORD>(margin.right);
    case 3: return static_cast<DWORD>(margin.bottom);
    default: return 0;
  }
}

void clsToolTip::SetMargin(DWORD dwType, DWORD cPixels) {
  if (!TipWindow) return;
  RECT margin{};
  Send(TTM_GETMARGIN, 0, reinterpret_cast<LPARAM>(&margin));
  const LONG value = static_cast<LONG>(cPixels);
  switch (dwType) {
    case 0: margin.left = value; break;
    case 1: margin.top = value; break;
    case 2: margin.right = value; break;
    case 3: margin.bottom = value; break;
    default: break;
  }
  Send(TTM_SETMARGIN, 0, reinterpret_cast<LPARAM>(&margin));
}

DWORD clsToolTip::MaxTipWidth() const { return static_cast<DWORD>(Send(TTM_GETMAXTIPWIDTH) & 0xFFFF); }

void clsToolTip::SetMaxTipWidth(long lngWidth) {
  Send(TTM_SETMAXTIPWIDTH, 0, static_cast<LPARAM>(lngWidth < 1 ? -1 : lngWidth));
}

bool clsToolTip::RemoveTool(HWND ctrl) {
  TTTOOLINFOA record;
  if (!FindTool(ctrl, record, false)) return false;
  Send(TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&record));
  return true;
}

long clsToolTip::ToolCount() const { return static_cast<long>(Send(TTM_GETTOOLCOUNT)); }

std::string clsToolTip::ToolText(HWND ctrl) const {
  TTTOOLINFOA record;
  if (!FindTool(ctrl, record, true)) return {};
  // Wine's ANSI forms copy at most 80 characters; the wide form returns the
  // whole text, which goes back to the ANSI code page here.
  std::vector<wchar_t> wide(text_buffer_.size(), L'\0');
  TTTOOLINFOW wide_record{};
  wide_record.cbSize = TTTOOLINFOW_V2_SIZE;
  wide_record.hwnd = record.hwnd;
  wide_record.uId = record.uId;
  wide_record.lpszText = wide.data();
  if (TipWindow) {
    SendMessageW(TipWindow.get(), TTM_GETTEXTW, wide.size(), reinterpret_cast<LPARAM>(&wide_record));
  }
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(std::max(size, 1)), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text.data(), size, nullptr, nullptr);
  return std::string(text.c_str());
}

void clsToolTip::SetToolText(HWND ctrl, const std::string& strText) {
  if (!TipWindow) return;
  if (strText.empty()) {
    RemoveTool(ctrl);
    return;
  }
  std::string text = WithHeader(strText);
  TTTOOLINFOA record;
  if (!FindTool(ctrl, record, false)) return;  // only AddTool makes a tool
  record.lpszText = text.data();
  TextCapacity = std::max(TextCapacity, static_cast<long>(text.size()) + 1);
  Send(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&record));
}

void clsToolTip::SetToolTipHeader(const std::string& vNewValue) {
  HeaderText = vNewValue;
  HeaderOn = true;
}

}  // namespace quarvel::ui
