#include "core/AppInitDlls.h"

#include <algorithm>

namespace quarvel {
namespace {

std::string SetOrNot(const std::string& number) { return number.empty() ? "not set" : number; }

std::string SecureBootWord(const std::string& enabled) {
  if (enabled.empty()) return "not reported";
  if (enabled == "1") return "on";
  if (enabled == "0") return "off";
  return enabled;
}

}  // namespace

std::vector<std::string> SplitAppInitDlls(std::string_view value) {
  std::vector<std::string> dlls;
  std::size_t start = 0;
  while (start < value.size()) {
    const auto end = std::min(value.find_first_of(" ,", start), value.size());
    if (end > start) dlls.emplace_back(value.substr(start, end - start));
    start = end + 1;
  }
  return dlls;
}

namespace {

bool Hides(const AppInitFacts& facts) {
  if (!facts.hive || !facts.hive->read) return false;
  for (const auto& finding : facts.hive->findings)
    if (finding.points_at_hider) return true;
  return false;
}

std::string Held(const HiveAgreement::Finding& finding) {
  return finding.name + (finding.wow64 ? " (WOW6432Node)" : "") + " = " + finding.data;
}

std::string HiveLines(const HiveAgreement& hive) {
  if (!hive.read) return "\r\nThe hive file could not be read: " + hive.why_not;
  if (hive.findings.empty()) return "\r\nThe hive file agrees";
  std::string lines;
  for (const auto& finding : hive.findings) {
    lines += finding.points_at_hider ? "\r\nWARNING: the hive file holds " + Held(finding) + ", " + finding.verdict
                                     : "\r\n" + finding.name + (finding.wow64 ? " (WOW6432Node)" : "") + ": " +
                                           finding.verdict;
  }
  return lines;
}

}  // namespace

std::optional<std::string> RepairRefusal(const AppInitFacts& facts) {
  if (!Hides(facts)) return std::nullopt;
  std::string hidden;
  for (const auto& finding : facts.hive->findings)
    if (finding.points_at_hider) hidden += "\r\n" + Held(finding) + " (" + finding.verdict + ")";
  return "The repair does not start: the registry hive file holds what the registry API does not return:" + hidden +
         "\r\n\r\nA program hides it, so the key step 1 would save and remove is not the whole key, and the "
         "hidden value would stay in service. Remove the hiding program first (for example from a system started "
         "from other media), then start the repair again.";
}

std::string AppInitCaption(const AppInitFacts& facts) {
  if (facts.value.empty() && facts.wow64_value.empty() && !Hides(facts)) return "";
  std::string caption = "AppInit_DLLs value = " + facts.value + "\r\nLoadAppInit_DLLs = " + SetOrNot(facts.load) +
                        ", Secure Boot = " + SecureBootWord(facts.secure_boot);
  if (!facts.wow64_value.empty()) {
    caption += "\r\n32-bit programs (WOW6432Node): AppInit_DLLs value = " + facts.wow64_value +
               ", LoadAppInit_DLLs = " + SetOrNot(facts.wow64_load);
  }
  if (facts.hive) caption += HiveLines(*facts.hive);
  return caption;
}

}  // namespace quarvel
