// What the user does with the result lists by mouse: the details of a seen
// entry, the viewer for an unseen one, the context menu, and the hover tips.
#include <algorithm>

#include "app/CommandList.h"
#include "app/FrmFerrow.h"
#include "core/ReportText.h"
#include "platform/modAPIFilesAndPaths.h"
#include "platform/modVBFileDisk.h"
#include "ui/WindowText.h"

namespace quarvel::app {

void FrmFerrow::SetControlTip(HWND control, const std::string& text) {
  if (!PathTip) PathTip = std::make_unique<ui::clsToolTip>();
  PathTip->Create(hwnd_);
  PathTip->SetMaxTipWidth(240);
  PathTip->SetDelayTime(TTDT_AUTOPOP, 20000);  // a shown tip stays up to 20 seconds
  for (int id = kCmdLog; id <= kLblInfo; ++id) PathTip->AddTool(Control(id));
  PathTip->SetToolTipHeaderShow(false);
  PathTip->SetToolText(control, text);
}

void FrmFerrow::PathTxt_MouseMove() {
  HWND path_box = Control(kPathTxt);
  SetControlTip(path_box, ui::GetText(path_box));
}

void FrmFerrow::List2_Click() {
  HWND list2 = Control(kList2);
  std::string entry = ui::ListCurrentText(list2);
  if (!entry.empty() && entry.back() == '\\') entry.pop_back();  // a folder heading
  std::string details;
  if (SendMessageA(list2, LB_GETCURSEL, 0, 0) != LB_ERR) {
    ui::SetText(Control(kLblInfo), win::GetLongFileName(entry));
    const bool readable = win::IsAttrSet(entry, 0) == kTrue;
    const bool read_only = win::IsAttrSet(entry, FILE_ATTRIBUTE_READONLY) == kTrue;
    const bool hidden = win::IsAttrSet(entry, FILE_ATTRIBUTE_HIDDEN) == kTrue;
    const bool system = win::IsAttrSet(entry, FILE_ATTRIBUTE_SYSTEM) == kTrue;
    details = DetailsText(win::GetLongFileName(entry), win::GetFileVersion(entry), win::FileLength(entry),
                          AttributeWord(readable, read_only, hidden, system));
    SetControlTip(list2, details);
  }
  MenuEntry = details;
}

const win::UnseenEntry* FrmFerrow::FindUnseen(const std::string& item) const {
  const auto found = std::ranges::lower_bound(unseen_by_item_, item, {},
                                             [this](std::uint32_t at) -> const std::string& { return unseen_[at].item; });
  return found != unseen_by_item_.end() && unseen_[*found].item == item ? &unseen_[*found] : nullptr;
}

// Why the ordinary search does not see the entry: its verdict in the status
// line, and the verdict with its evidence as the list's hover tip.
void FrmFerrow::List1_Click() {
  HWND list1 = Control(kList1);
  if (SendMessageA(list1, LB_GETCURSEL, 0, 0) == LB_ERR) return;
  const win::UnseenEntry* found = FindUnseen(ui::ListCurrentText(list1));
  if (found == nullptr) return;
  const win::UnseenEntry& entry = *found;
  ui::SetText(Control(kLblInfo), "Not seen: " + VerdictName(entry.judgement.verdict) + ". " + entry.judgement.reason);
  SetControlTip(list1, VerdictDetails(entry.facts, entry.judgement));
}

void FrmFerrow::List1_DblClick() {
  frmEdit.Show(hwnd_);
  HWND list1 = Control(kList1);
  if (SendMessageA(list1, LB_GETCURSEL, 0, 0) != LB_ERR) frmEdit.SetText(ui::ListCurrentText(list1));
}

void FrmFerrow::List1_MouseDown() {
  MenuEntry = ui::ListCurrentText(Control(kList1));
  menu_list_ = kList1;
  if (pressed_button_ == WM_RBUTTONDOWN) OpenContextMenu();
}

void FrmFerrow::List2_MouseDown() {
  menu_list_ = kList2;
  if (pressed_button_ == WM_RBUTTONDOWN) OpenContextMenu();
}

void FrmFerrow::OpenContextMenu() {
  // Menu items cannot be hidden in place, so the popup holds just the shown ones.
  const ui::UniqueMenu mnuAdvanced(CreatePopupMenu());
  if (!mnuAdvanced) return;
  for (const CommandRow& item : kCommandRows) {
    if (item.event == Event::kMenuPick && (menu_list_ == kList1 ? item.in_list1 : item.in_list2)) {
      AppendMenuA(mnuAdvanced.get(), MF_STRING, static_cast<UINT_PTR>(item.id), item.caption);
    }
  }
  POINT at;
  GetCursorPos(&at);
  SetForegroundWindow(hwnd_);
  TrackPopupMenu(mnuAdvanced.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
  PostMessageA(hwnd_, WM_NULL, 0, 0);
}

}  // namespace quarvel::app
