#include "core/hive/AutostartKeys.h"

#include <cstdio>

namespace quarvel::hive {
namespace {

constexpr std::u16string_view kSoftwarePrefix = u"SOFTWARE\\";
constexpr std::u16string_view kSystemPrefix = u"SYSTEM\\CurrentControlSet\\";

AutostartKey Software(std::u16string path, bool wow64_32 = false, bool per_subkey = false) {
  return {HiveName::kSoftware, u"SOFTWARE\\" + path, wow64_32, per_subkey};
}

AutostartKey System(std::u16string path, bool per_subkey = false) {
  return {HiveName::kSystem, u"SYSTEM\\CurrentControlSet\\" + path, false, per_subkey};
}

}  // namespace

const std::vector<AutostartKey>& AutostartKeys() {
  static const std::vector<AutostartKey> keys = [] {
    std::vector<AutostartKey> all;
    for (bool wow64_32 : {false, true}) {
      all.push_back(Software(u"Microsoft\\Windows NT\\CurrentVersion\\Windows", wow64_32));
      all.push_back(Software(u"Microsoft\\Windows\\CurrentVersion\\Run", wow64_32));
      all.push_back(Software(u"Microsoft\\Windows\\CurrentVersion\\RunOnce", wow64_32));
      all.push_back(Software(u"Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options", wow64_32, true));
    }
    all.push_back(Software(u"Microsoft\\Windows NT\\CurrentVersion\\Winlogon"));
    all.push_back(System(u"Control\\Session Manager"));
    all.push_back(System(u"Control\\Session Manager\\AppCertDlls"));
    all.push_back(System(u"Services", true));
    return all;
  }();
  return keys;
}

Result<std::u16string> CurrentControlSet(const Hive& system) {
  auto select = system.Find(u"Select");
  if (!select) return select.failure();
  if (!*select) return Failure{"SYSTEM hive: no Select key"};
  auto cells = system.ValueCells(**select);
  if (!cells) return cells.failure();
  for (std::uint32_t cell : *cells) {
    auto value = system.Value(cell);
    if (!value) return value.failure();
    if (value->name != u"Current") continue;
    auto data = system.Data(*value);
    if (!data) return data.failure();
    if (value->type != 4 || data->size() != 4) return Failure{"SYSTEM hive: Select\\Current is not a REG_DWORD"};
    std::uint32_t number = 0;
    for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<std::uint32_t>((*data)[i]);
    if (number == 0 || number > 999) return Failure{"SYSTEM hive: Select\\Current names no control set"};
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03u", static_cast<unsigned>(number));
    std::u16string name = u"ControlSet";
    for (const char* d = digits; *d; ++d) name += static_cast<char16_t>(*d);
    return name;
  }
  return Failure{"SYSTEM hive: no Select\\Current value"};
}

std::u16string FilePath(const AutostartKey& key, std::u16string_view control_set) {
  std::u16string_view path = key.api_path;
  if (key.hive == HiveName::kSystem) {
    path.remove_prefix(kSystemPrefix.size());
    return std::u16string(control_set) + u"\\" + std::u16string(path);
  }
  path.remove_prefix(kSoftwarePrefix.size());
  return key.wow64_32 ? u"WOW6432Node\\" + std::u16string(path) : std::u16string(path);
}

}  // namespace quarvel::hive
