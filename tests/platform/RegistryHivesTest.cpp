#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/hive/CrossView.h"
#include "platform/ProcAddress.h"
#include "platform/RegistryHives.h"
#include "platform/UniqueHandle.h"
#include "tests/core/hive/TestHive.h"

namespace quarvel::win {
namespace {

const std::u16string kNulName(u"Run\0Hidden", 10);

std::vector<std::byte> Bytes(const char* text, std::size_t size) {
  return std::vector<std::byte>(reinterpret_cast<const std::byte*>(text), reinterpret_cast<const std::byte*>(text) + size);
}

struct CountedName {
  USHORT length;
  USHORT maximum;
  PWSTR buffer;
};
using SetValueFunction = LONG(NTAPI*)(HANDLE, CountedName*, ULONG, ULONG, PVOID, ULONG);

// Every test works below its own key of HKEY_CURRENT_USER, removed afterwards.
class RegistryHivesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base = L"Software\\QuarvelHives" + std::to_wstring(GetCurrentProcessId());
    RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str());
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, base.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    key.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str());
  }

  // A value set through the native API, whose names are counted: a NUL inside stays.
  void SetNative(const std::u16string& name, DWORD type, const std::string& data) {
    auto set = ProcAddress<SetValueFunction>(GetModuleHandleW(L"ntdll.dll"), "NtSetValueKey");
    ASSERT_NE(set, nullptr);
    std::wstring wide(name.begin(), name.end());
    CountedName counted{static_cast<USHORT>(wide.size() * 2), static_cast<USHORT>(wide.size() * 2), wide.data()};
    ASSERT_EQ(set(key.get(), &counted, 0, type, const_cast<char*>(data.data()), static_cast<ULONG>(data.size())), 0);
  }

  std::wstring base;
  UniqueRegistryKey key;
};

TEST_F(RegistryHivesTest, Win32CutsAValueNameAtItsNulWhereTheNativeViewReturnsItWhole) {
  SetNative(u"Plain", REG_SZ, std::string("a\0", 2));
  SetNative(kNulName, REG_SZ, std::string("c\0", 2));
  auto win32 = Win32Values(HKEY_CURRENT_USER, base, 0);
  auto native = NativeValues(HKEY_CURRENT_USER, base, 0);
  ASSERT_TRUE(win32.has_value());
  ASSERT_TRUE(native.has_value());
  ASSERT_EQ(win32->size(), 2u);
  ASSERT_EQ(native->size(), 2u);
  // The file view holds what was written; only the name the API cannot return differs.
  std::vector<hive::SeenValue> file{{u"Plain", REG_SZ, Bytes("a\0", 2)},
                                    {kNulName, REG_SZ, Bytes("c\0", 2)}};
  const auto result = hive::CompareValues({file, win32, native});
  EXPECT_TRUE(result.complete);
  ASSERT_EQ(result.differences.size(), 1u);
  EXPECT_EQ(result.differences[0].name, kNulName);
  EXPECT_EQ(result.differences[0].verdict, hive::Verdict::kEmbeddedNul);
  EXPECT_EQ(result.differences[0].views, unsigned{hive::kWin32View});
}

TEST_F(RegistryHivesTest, BothViewsListSubkeysAndAMissingKeyReadsAsEmpty) {
  for (const wchar_t* name : {L"Dhcp", L"Tcpip"}) {
    UniqueRegistryKey sub;
    ASSERT_EQ(RegCreateKeyExW(key.get(), name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, sub.put(), nullptr), ERROR_SUCCESS);
  }
  const std::vector<std::u16string> expected{u"Dhcp", u"Tcpip"};
  EXPECT_EQ(Win32Subkeys(HKEY_CURRENT_USER, base, 0), expected);
  EXPECT_EQ(NativeSubkeys(HKEY_CURRENT_USER, base, 0), expected);
  const std::wstring missing = base + L"\\NotThere";
  EXPECT_EQ(Win32Values(HKEY_CURRENT_USER, missing, 0), std::vector<hive::SeenValue>{});
  EXPECT_EQ(NativeSubkeys(HKEY_CURRENT_USER, missing, 0), std::vector<std::u16string>{});
}

TEST(RegistryHivesFile, AHiveWithNoHivelistEntryIsNotRead) {
  auto location = LoadedHiveFile(L"\\REGISTRY\\MACHINE\\QUARVEL-NO-SUCH-HIVE");
  EXPECT_FALSE(location.ok());
}

// The hive file read from the raw NTFS volume of drive D: (the session maps it
// to an image when it runs as root): D:\HIVES\SOFTWARE is dirty, and its root
// key is named LOGGED only in the page its .LOG1 holds.
TEST(RegistryHivesFile, ReadsAHiveAndItsLogFromTheVolumeItself) {
  if (GetFileAttributesA("D:\\HIVES\\SOFTWARE") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no NTFS drive D: (needs root and FUSE)";
  auto recovered = ReadHiveFromVolume({u'D', u"HIVES\\SOFTWARE"});
  ASSERT_TRUE(recovered.ok()) << recovered.failure().text;
  EXPECT_TRUE(recovered->recovery.dirty);
  EXPECT_EQ(recovered->recovery.entries_applied, 1u);
  auto opened = hive::Hive::Open(std::move(recovered->file));
  ASSERT_TRUE(opened.ok()) << opened.failure().text;
  EXPECT_EQ(opened->Key(opened->root())->name, u"LOGGED");
  EXPECT_FALSE(ReadHiveFromVolume({u'D', u"HIVES\\SYSTEM"}).ok());
}

// hivelist names the file by device path, as Windows does; the drive is found
// through QueryDosDevice.
TEST(RegistryHivesFile, FindsTheFileHivelistNamesOnTheDriveOfItsDevice) {
  wchar_t device[1024] = {};
  if (QueryDosDeviceW(L"D:", device, 1024) == 0)
    GTEST_SKIP() << "no device name for D: (Wine 8 gives none for a drive mapped to a folder)";
  const std::wstring hivelist = L"SYSTEM\\CurrentControlSet\\Control\\hivelist";
  const std::wstring name = L"\\REGISTRY\\MACHINE\\QUARVEL-TEST" + std::to_wstring(GetCurrentProcessId());
  const std::wstring path = std::wstring(device) + L"\\HIVES\\SOFTWARE";
  ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, hivelist.c_str(), name.c_str(), REG_SZ, path.c_str(),
                            static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  auto location = LoadedHiveFile(name);
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, hivelist.c_str(), name.c_str());
  ASSERT_TRUE(location.ok()) << location.failure().text;
  EXPECT_EQ(location->letter, u'D');
  EXPECT_EQ(location->path, u"HIVES\\SOFTWARE");
}

// A key of subkeys as a service key: the file holds a service the API does not
// show, and one both show alike.
TEST(RegistryHivesAutostart, AServiceKeyOnlyTheFileHoldsIsHiddenWithItsValues) {
  const std::wstring pid = std::to_wstring(GetCurrentProcessId());
  const std::u16string name = u"QuarvelServices" + std::u16string(pid.begin(), pid.end());
  const std::wstring api = L"SOFTWARE\\" + std::wstring(name.begin(), name.end());
  hive::test::TestHive builder;
  const std::uint32_t shown = builder.Key(u"Dhcp", 0, 0xFFFFFFFF, 1,
                                          builder.List({builder.Value(u"Start", REG_DWORD, hive::test::Le(2, 4))}));
  const std::uint32_t evil = builder.Key(u"EvilSvc", 0, 0xFFFFFFFF, 1,
                                         builder.List({builder.Value(u"ImagePath", REG_SZ, hive::test::Ascii("c:\\evil.exe"))}));
  const std::uint32_t services = builder.Key(name, 2, builder.Leaf("lf", {shown, evil}));
  builder.SetRoot(builder.Key(u"SOFTWARE", 1, builder.Leaf("lf", {services})));
  auto file = hive::Hive::Open(builder.Bytes());
  ASSERT_TRUE(file.ok());
  const DWORD start = 2;
  ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, (api + L"\\Dhcp").c_str(), L"Start", REG_DWORD, &start, sizeof start),
            ERROR_SUCCESS);

  auto views = CompareAutostartKey(*file, u"", {hive::HiveName::kSoftware, u"SOFTWARE\\" + name, false, true});
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, api.c_str());
  ASSERT_TRUE(views.ok()) << views.failure().text;
  ASSERT_EQ(views->size(), 4u);  // the key's values, its subkeys' names, each subkey's values
  std::vector<std::pair<std::u16string, hive::Difference>> found;
  for (const auto& view : *views) {
    EXPECT_TRUE(view.comparison.complete);
    for (const auto& difference : view.comparison.differences) found.emplace_back(view.api_path, difference);
  }
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].second, (hive::Difference{u"EvilSvc", hive::Verdict::kHiddenFromApi, hive::kWin32View | hive::kNativeView}));
  EXPECT_EQ(found[1].first, u"SOFTWARE\\" + name + u"\\EvilSvc");
  EXPECT_EQ(found[1].second, (hive::Difference{u"ImagePath", hive::Verdict::kHiddenFromApi, hive::kWin32View | hive::kNativeView}));
}

}  // namespace
}  // namespace quarvel::win
