// The stand-in reg.exe that the repair's tests put into the prefix must carry a
// key's values through save and restore exactly.
#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"
#include "platform/LaunchAppSync.h"
#include "platform/modRegistry.h"

namespace quarvel::win {
namespace {

TEST(RegStandIn, SaveThenRestoreCarriesEveryValueExactly) {
  testing::TempFolder folder;
  const std::string source = "SOFTWARE\\QuarvelStandInSource";
  const std::string target = "SOFTWARE\\QuarvelStandInTarget";
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, source.c_str());
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, target.c_str());
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, source.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  const std::string expand("%windir%\\x.dll\0", 15);
  const std::string multi("a\0b c\0\0", 7);
  RegSetValueExA(key, "AppInit_DLLs", 0, REG_SZ, reinterpret_cast<const BYTE*>(" C:\\W\\abc.dll \0"), 15);
  RegSetValueExA(key, "Empty", 0, REG_SZ, reinterpret_cast<const BYTE*>("\0"), 1);
  RegSetValueExA(key, "Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand.data()), 15);
  RegSetValueExA(key, "Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi.data()), 7);
  const DWORD number = 0xDEADBEEF;
  RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
  RegCloseKey(key);
  // Like the real reg.exe, a restore replaces the whole key: what the hive
  // does not hold is gone afterwards.
  RegistrySetKeyValue(HKEY_LOCAL_MACHINE, target, "Stale", std::string("x"), kRegSz);
  RegistryCreateNewKey(HKEY_LOCAL_MACHINE, target + "\\Stale");

  const std::string reg = testing::NextToThisProgram("tools\\reg.exe");
  const std::string hive = folder / "Windows.hiv";
  SetShowWindowState(2);
  ASSERT_EQ(RunAndWait("\"" + reg + "\" save \"HKEY_LOCAL_MACHINE\\" + source + "\" \"" + hive + "\""), kTrue);
  ASSERT_EQ(RunAndWait("\"" + reg + "\" restore \"HKEY_LOCAL_MACHINE\\" + target + "\" \"" + hive + "\""), kTrue);

  for (const char* name : {"AppInit_DLLs", "Empty", "Expand", "Multi", "Number"}) {
    BYTE a[256] = {}, b[256] = {};
    DWORD type_a = 0, type_b = 0, size_a = sizeof(a), size_b = sizeof(b);
    ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, source.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type_a, a, &size_a), ERROR_SUCCESS);
    ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, target.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type_b, b, &size_b), ERROR_SUCCESS)
        << name;
    EXPECT_EQ(type_a, type_b) << name;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(a), size_a), std::string(reinterpret_cast<char*>(b), size_b)) << name;
  }
  DWORD values = 0, subkeys = 0;
  HKEY restored = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, target.c_str(), 0, KEY_READ, &restored), ERROR_SUCCESS);
  RegQueryInfoKeyA(restored, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                   nullptr, nullptr);
  RegCloseKey(restored);
  EXPECT_EQ(values, 5u);
  EXPECT_EQ(subkeys, 0u);
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, source.c_str());
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, target.c_str());
}

}  // namespace
}  // namespace quarvel::win
