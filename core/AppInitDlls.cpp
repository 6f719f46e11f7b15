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

std::string AppInitCaption(const AppInitFacts& facts) {
  if (facts.value.empty() && facts.wow64_value.empty()) return "";
  std::string caption = "AppInit_DLLs value = " + facts.value + "\r\nLoadAppInit_DLLs = " + SetOrNot(facts.load) +
                        ", Secure Boot = " + SecureBootWord(facts.secure_boot);
  if (!facts.wow64_value.empty()) {
    caption += "\r\n32-bit programs (WOW6432Node): AppInit_DLLs value = " + facts.wow64_value +
               ", LoadAppInit_DLLs = " + SetOrNot(facts.wow64_load);
  }
  return caption;
}

}  // namespace quarvel
