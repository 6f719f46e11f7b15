#include "ui/MessageBoxStyle.h"

namespace quarvel::ui {

UINT MessageBoxStyle(const RepairBox& box) {
  UINT style = box.buttons == BoxButtons::kYesNo ? MB_YESNO : MB_OK;
  switch (box.icon) {
    case BoxIcon::kError: return style | MB_ICONERROR;
    case BoxIcon::kWarning: return style | MB_ICONEXCLAMATION;
    case BoxIcon::kInformation: return style | MB_ICONINFORMATION;
    case BoxIcon::kNone: return style;
  }
  return style;
}

}  // namespace quarvel::ui
