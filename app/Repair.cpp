// The registry repair in the main window: the path box opens step 1, start-up
// offers step 2 while its marker is set, and "Step 2" carries it out.
#include "app/ControlIds.h"
#include "app/FrmFerrow.h"
#include "app/WindowRepairHost.h"
#include "core/AppInitDlls.h"
#include "core/PlatformId.h"
#include "core/RegistryValue.h"
#include "core/RepairSteps.h"
#include "core/RepairText.h"
#include "platform/LaunchAppSync.h"
#include "platform/OS_Detect.h"
#include "platform/modRegistry.h"
#include "ui/WindowText.h"

namespace quarvel::app {

void FrmFerrow::PathTxt_Change() {
  // Every command started from here on opens minimised.
  win::SetShowWindowState(SW_SHOWMINIMIZED);
  work_.Run(StopOn::kNothing, [this] {
    WindowRepairHost host(hwnd_, Control(kLblInfo));
    if (RunRepairStep1(host, ui::GetText(Control(kPathTxt)), IsAdmin == kTrue)) {
      CheckRepairState();
      OfferRepairStep2();
    }
  });
}

void FrmFerrow::CheckRepairState() {
  RepairState = ToText(win::RegistryGetKeyValue(HKEY_LOCAL_MACHINE, kMarkerKey, kMarkerValue));
  if (IsStep1Done(RepairState)) {
    HWND scan = Control(kCmdScan);
    ui::SetText(scan, kStep2Caption);
    EnableWindow(scan, TRUE);
  }
}

void FrmFerrow::ShowAppInitFacts() {
  if (win::GetPlatformId() != kPlatformNT) return;
  const auto read = [](const char* key, const char* name) {
    return ToText(win::RegistryGetKeyValue(HKEY_LOCAL_MACHINE, key, name));
  };
  AppInitFacts facts;
  facts.value = AppInitValue;
  facts.load = read(kWindowsKey, kLoadAppInitDlls);
  facts.wow64_value = read(kWow64WindowsKey, kAppInitDlls);
  facts.wow64_load = read(kWow64WindowsKey, kLoadAppInitDlls);
  facts.secure_boot = read(kSecureBootKey, kSecureBootValue);
  const std::string caption = AppInitCaption(facts);
  if (!caption.empty()) ui::SetTextNow(Control(kLblSize), caption);
}

void FrmFerrow::OfferRepairStep2() {
  if (ui::GetText(Control(kCmdScan)) != kStep2Caption) return;
  EnableWindow(Control(kCmdLocate), FALSE);
  ui::SetTextNow(Control(kLblInfo), "Click the Step2 Button to continue");
}

void FrmFerrow::RepairStep2() {
  WindowRepairHost host(hwnd_, Control(kLblInfo));
  const Step2Outcome outcome = RunRepairStep2(host);
  if (outcome.app_init_value) AppInitValue = *outcome.app_init_value;
  if (outcome.finished) EnableWindow(Control(kCmdScan), FALSE);
}

}  // namespace quarvel::app
