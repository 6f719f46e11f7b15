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
#include "core/Verdict.h"
#include "platform/LaunchAppSync.h"
#include "platform/AnsiText.h"
#include "platform/OS_Detect.h"
#include "platform/RegistryHives.h"
#include "platform/modRegistry.h"
#include "ui/WindowText.h"

namespace quarvel::app {
namespace {

// A registry name or string for the caption: UTF-16 in the system's code page,
// a NUL inside shown as \0.
std::string Shown(std::u16string_view text) {
  std::wstring wide;
  for (const char16_t unit : text) {
    if (unit == u'\0') {
      wide += L"\\0";
    } else {
      wide += static_cast<wchar_t>(unit);
    }
  }
  return win::AnsiFromWide(wide);
}

std::string DataText(const hive::SeenValue& value) {
  if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < value.data.size(); i += 2)
      text += static_cast<char16_t>(std::to_integer<unsigned>(value.data[i]) | (std::to_integer<unsigned>(value.data[i + 1]) << 8));
    return Shown(text.substr(0, text.find(u'\0')));
  }
  return "(type " + std::to_string(value.type) + ", " + std::to_string(value.data.size()) + " bytes)";
}

// The Windows keys (both registry views) in the SOFTWARE hive file, read from
// the volume, against the registry API.
HiveAgreement AppInitHiveAgreement() {
  HiveAgreement agreement;
  win::LoadedHives loaded;
  auto software = loaded.Read(L"\\REGISTRY\\MACHINE\\SOFTWARE");
  if (!software) {
    agreement.why_not = software.failure().text;
    return agreement;
  }
  for (const hive::AutostartKey& key : hive::AutostartKeys()) {
    if (!key.api_path.ends_with(u"\\Windows NT\\CurrentVersion\\Windows")) continue;
    auto compared = win::CompareAutostartKey(software->hive, u"", key);
    if (!compared) {
      agreement.why_not = compared.failure().text;
      return agreement;
    }
    for (const win::KeyCrossView& view : *compared) {
      if (!view.comparison.complete) {
        agreement.why_not = "the registry API could not read " + Shown(view.api_path);
        return agreement;
      }
      for (const hive::Difference& difference : view.comparison.differences) {
        HiveAgreement::Finding finding;
        finding.name = Shown(difference.name);
        for (const auto& value : view.values.file)
          if (value.name == difference.name) finding.data = DataText(value);
        finding.verdict = std::string(hive::VerdictText(difference.verdict));
        finding.wow64 = key.wow64_32;
        finding.points_at_hider = PointsAtHider(difference.verdict);
        agreement.findings.push_back(std::move(finding));
      }
    }
  }
  agreement.read = true;
  return agreement;
}

}  // namespace

void FrmFerrow::PathTxt_Change() {
  // Every command started from here on opens minimised.
  win::SetShowWindowState(SW_SHOWMINIMIZED);
  // Step 1 would save and remove only what the API shows of a key the hive
  // file shows to be larger.
  if (repair_refusal_ && ui::GetText(Control(kPathTxt)) == kRepairCommand) {
    MessageBoxA(hwnd_, repair_refusal_->c_str(), kAppTitle, MB_OK | MB_ICONWARNING);
    return;
  }
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
  facts.hive = AppInitHiveAgreement();
  repair_refusal_ = RepairRefusal(facts);
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
