// What the AppInit_DLLs value means to Windows: a list of DLL paths separated
// by blanks or commas (so a path in it holds no blank; Windows expects short
// names there), and the facts that decide whether Windows loads them at all.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

// The DLL paths the value names, in its order; empty pieces are dropped.
std::vector<std::string> SplitAppInitDlls(std::string_view value);

// What start-up reads beside the value, each as the text of a registry read
// ("" when the value is not there).
struct AppInitFacts {
  std::string value;        // AppInit_DLLs of the Windows key
  std::string load;         // LoadAppInit_DLLs of the same key: Windows loads the list only when it is 1
  std::string wow64_value;  // AppInit_DLLs of the key 32-bit programs read (WOW6432Node)
  std::string wow64_load;
  std::string secure_boot;  // UEFISecureBootEnabled: from Windows 8 on, 1 means the list is never loaded
};

// The start-up caption: the value, then LoadAppInit_DLLs and Secure Boot, then
// the 32-bit programs' value when it names anything. "" when neither value does.
std::string AppInitCaption(const AppInitFacts& facts);

}  // namespace quarvel
