#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include <string>

#include "tests/support/ErrorBoxRecorder.h"
#include "tests/support/HandleCount.h"
#include "platform/RegistryCalls.h"
#include "platform/modRegistry.h"

namespace quarvel::win {
namespace {

// Every test works below its own key of HKEY_CURRENT_USER, removed afterwards.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base = "Software\\QuarvelTest" + std::to_string(GetCurrentProcessId()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    RegDeleteTreeA(HKEY_CURRENT_USER, base.c_str());
  }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, base.c_str()); }

  bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }
  // Type and size as stored, or nothing.
  bool RawValue(const std::string& path, const std::string& name, DWORD& type, DWORD& size) {
    return RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                        &type, nullptr, &size) == ERROR_SUCCESS;
  }
  void SetRaw(const std::string& name, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, base.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
  }

  std::string base;
  testing::ErrorBoxRecorder recorder;
};

TEST_F(RegistryTest, CreateMakesMissingKeysOnThePath) {
  RegistryCreateNewKey(HKEY_CURRENT_USER, base + "\\A\\B");
  EXPECT_TRUE(KeyExists(base + "\\A\\B"));
  RegistryCreateNewKey(HKEY_CURRENT_USER, base + "\\A\\B");  // an existing key is only opened
  EXPECT_TRUE(KeyExists(base + "\\A\\B"));
}

TEST_F(RegistryTest, ReadingWhatIsNotThereIsEmpty) {
  EXPECT_TRUE(std::holds_alternative<std::monostate>(RegistryGetKeyValue(HKEY_CURRENT_USER, base, "x")));
  RegistryCreateNewKey(HKEY_CURRENT_USER, base);
  EXPECT_EQ(ToText(RegistryGetKeyValue(HKEY_CURRENT_USER, base, "x")), "");
}

TEST_F(RegistryTest, TextIsWrittenWithItsNulAndReadWithout) {
  const std::string key = base + "\\New\\Deeper";
  RegistrySetKeyValue(HKEY_CURRENT_USER, key, "!HLX", std::string("ok"), kRegSz);
  DWORD type = 0, size = 0;
  ASSERT_TRUE(RawValue(key, "!HLX", type, size));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(std::get<std::string>(RegistryGetKeyValue(HKEY_CURRENT_USER, key, "!HLX")), "ok");
}

TEST_F(RegistryTest, EmptyTextBecomesOneNulByte) {
  RegistrySetKeyValue(HKEY_CURRENT_USER, base, "AppInit_DLLs", std::string(), kRegSz);
  DWORD type = 0, size = 0;
  ASSERT_TRUE(RawValue(base, "AppInit_DLLs", type, size));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 1u);
  EXPECT_EQ(std::get<std::string>(RegistryGetKeyValue(HKEY_CURRENT_USER, base, "AppInit_DLLs")), "");
}

TEST_F(RegistryTest, TextIsCutAtItsFirstNul) {
  SetRaw("v", REG_SZ, std::string("ab\0cd\0", 6));
  EXPECT_EQ(std::get<std::string>(RegistryGetKeyValue(HKEY_CURRENT_USER, base, "v")), "ab");
}

TEST_F(RegistryTest, ExpandableAndMultiStringsReadEmpty) {
  SetRaw("expand", REG_EXPAND_SZ, std::string("%windir%\0", 9));
  SetRaw("multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(RegistryGetKeyValue(HKEY_CURRENT_USER, base, "expand")));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(RegistryGetKeyValue(HKEY_CURRENT_USER, base, "multi")));
}

TEST_F(RegistryTest, BytesAndNumbersRoundTrip) {
  RegistrySetKeyValue(HKEY_CURRENT_USER, base, "bin", RegistryBytes{0, 1, 255}, kRegBinary);
  EXPECT_EQ(std::get<RegistryBytes>(RegistryGetKeyValue(HKEY_CURRENT_USER, base, "bin")),
            (RegistryBytes{0, 1, 255}));
  RegistrySetKeyValue(HKEY_CURRENT_USER, base, "none", RegistryBytes{}, kRegBinary);
  EXPECT_EQ(std::get<RegistryBytes>(RegistryGetKeyValue(HKEY_CURRENT_USER, base, "none")), RegistryBytes{});
  RegistrySetKeyValue(HKEY_CURRENT_USER, base, "num", std::string(" -5 "), kRegDword);
  EXPECT_EQ(std::get<std::int32_t>(RegistryGetKeyValue(HKEY_CURRENT_USER, base, "num")), -5);
  EXPECT_EQ(ToText(RegistryGetKeyValue(HKEY_CURRENT_USER, base, "num")), "-5");
  EXPECT_TRUE(recorder.boxes.empty());
}

TEST_F(RegistryTest, WritingReplacesAValueOfAnotherType) {
  RegistrySetKeyValue(HKEY_CURRENT_USER, base, "v", std::int32_t{7}, kRegDword);
  RegistrySetKeyValue(HKEY_CURRENT_USER, base, "v", std::string("seven"), kRegSz);
  EXPECT_EQ(std::get<std::string>(RegistryGetKeyValue(HKEY_CURRENT_USER, base, "v")), "seven");
}

TEST_F(RegistryTest, NonNumericDwordShowsTheBoxAndWritesNothing) {
  RegistrySetKeyValue(HKEY_CURRENT_USER, base, "num", std::string("abc"), kRegDword);
  EXPECT_TRUE(KeyExists(base));
  DWORD type = 0, size = 0;
  EXPECT_FALSE(RawValue(base, "num", type, size));
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].first, "RegistrySetKeyValue");
  EXPECT_EQ(recorder.boxes[0].second, "Error: 13. Type mismatch");
}

TEST_F(RegistryTest, TextForBinaryShowsTheBoxAndWritesNothing) {
  RegistrySetKeyValue(HKEY_CURRENT_USER, base, "bin", std::string("01"), kRegBinary);
  DWORD type = 0, size = 0;
  EXPECT_FALSE(RawValue(base, "bin", type, size));
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].first, "RegistrySetKeyValue");
}

TEST_F(RegistryTest, OtherTypesCreateTheKeyButWriteNoValue) {
  RegistrySetKeyValue(HKEY_CURRENT_USER, base + "\\K", "v", std::string("x"), 2);
  EXPECT_TRUE(KeyExists(base + "\\K"));
  DWORD type = 0, size = 0;
  EXPECT_FALSE(RawValue(base + "\\K", "v", type, size));
  EXPECT_TRUE(recorder.boxes.empty());
}

TEST_F(RegistryTest, KeyWithSubkeysIsNotDeletedButALeafIs) {
  RegistrySetKeyValue(HKEY_CURRENT_USER, base + "\\Parent", "keep", std::string("me"), kRegSz);
  RegistryCreateNewKey(HKEY_CURRENT_USER, base + "\\Parent\\Child");
  RegistryDeleteKey(HKEY_CURRENT_USER, base + "\\Parent");
  EXPECT_TRUE(KeyExists(base + "\\Parent"));
  EXPECT_EQ(ToText(RegistryGetKeyValue(HKEY_CURRENT_USER, base + "\\Parent", "keep")), "me");
  RegistryDeleteKey(HKEY_CURRENT_USER, base + "\\Parent\\Child");
  EXPECT_FALSE(KeyExists(base + "\\Parent\\Child"));
  RegistryDeleteKey(HKEY_CURRENT_USER, base + "\\Missing");  // silently nothing
  EXPECT_TRUE(recorder.boxes.empty());
}

TEST_F(RegistryTest, ThousandsOfCallsLeakNoHandle) {
  RegistrySetKeyValue(HKEY_CURRENT_USER, base, "v", std::string("x"), kRegSz);
  const auto before = testing::HandleWatermark();
  for (int i = 0; i < 1000; ++i) {
    RegistryCreateNewKey(HKEY_CURRENT_USER, base + "\\C");
    RegistrySetKeyValue(HKEY_CURRENT_USER, base, "v", std::string("x"), kRegSz);
    RegistryGetKeyValue(HKEY_CURRENT_USER, base, "v");
    RegistryGetKeyValue(HKEY_CURRENT_USER, base + "\\Missing", "v");
    RegistryDeleteKey(HKEY_CURRENT_USER, base + "\\C");
  }
  EXPECT_EQ(testing::HandleWatermark(), before);
}

// The calls the repair relies on answer with their results and read a key whole.
TEST_F(RegistryTest, CallsWithResultsSayWhatHappened) {
  EXPECT_EQ(CreateRegistryKey(HKEY_CURRENT_USER, base + "\\Parent\\Child"), ERROR_SUCCESS);
  EXPECT_EQ(SetRegistryText(HKEY_CURRENT_USER, base + "\\New", "!HLX", "ok"), ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  ASSERT_TRUE(RawValue(base + "\\New", "!HLX", type, size));
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, base + "\\Parent"), ERROR_ACCESS_DENIED);  // it has a subkey
  EXPECT_TRUE(KeyExists(base + "\\Parent"));
  EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, base + "\\Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, base + "\\New"), ERROR_SUCCESS);
  EXPECT_TRUE(recorder.boxes.empty());
}

// Through the wide functions: text as UTF-16LE (what the A functions wrote is
// converted by the system), subkeys all the way down, and the access list.
TEST_F(RegistryTest, AWholeKeyReadsByteForByteWithItsSubkeysAndAccessList) {
  const KeyRead missing = ReadRegistryKey(HKEY_CURRENT_USER, base);
  EXPECT_EQ(missing.error, 0);
  EXPECT_FALSE(missing.tree);

  const std::string long_list = std::string(40000, 'a') + ".dll";  // past any 32,767-character limit
  for (const auto& [name, type, bytes] : std::vector<std::tuple<std::string, DWORD, std::string>>{
           {"AppInit_DLLs", REG_SZ, long_list + '\0'},
           {"Empty", REG_SZ, std::string(1, '\0')},
           {"Expand", REG_EXPAND_SZ, std::string("%windir%\\x\0", 11)},
           {"Number", REG_DWORD, std::string("\x01\x00\x00\x80", 4)},
           {"NoData", REG_BINARY, ""},
           {"", REG_SZ, std::string("default\0", 8)}}) {
    SetRaw(name, type, bytes);
  }
  ASSERT_EQ(SetRegistryValue(HKEY_CURRENT_USER, base + "\\Sub\\Deeper", "w", {REG_MULTI_SZ, WideData("a") + WideData("")}),
            ERROR_SUCCESS);
  const KeyRead read = ReadRegistryKey(HKEY_CURRENT_USER, base);
  EXPECT_EQ(read.error, 0);
  ASSERT_TRUE(read.tree);
  const KeyContents expected = {
      {"AppInit_DLLs", {REG_SZ, WideData(long_list)}},
      {"Empty", {REG_SZ, WideData("")}},
      {"Expand", {REG_EXPAND_SZ, WideData("%windir%\\x")}},
      {"Number", {REG_DWORD, std::string("\x01\x00\x00\x80", 4)}},
      {"NoData", {REG_BINARY, ""}},
      {"", {REG_SZ, WideData("default")}},
  };
  EXPECT_EQ(read.tree->values, expected);
  ASSERT_EQ(read.tree->subkeys.size(), 1u);
  EXPECT_EQ(read.tree->subkeys.at("Sub").subkeys.at("Deeper").values.at("w").data, WideData("a") + WideData(""));
  EXPECT_EQ(read.tree->security.rfind("D:", 0), 0u) << read.tree->security;

  // Copied whole, then locked to Administrators and SYSTEM, subkeys included.
  ASSERT_EQ(CreateRegistryKey(HKEY_CURRENT_USER, base + "\\Copy"), ERROR_SUCCESS);
  ASSERT_EQ(CopyRegistryTree(HKEY_CURRENT_USER, base + "\\Sub", base + "\\Copy"), ERROR_SUCCESS);
  ASSERT_EQ(ProtectRegistryKey(HKEY_CURRENT_USER, base + "\\Copy"), ERROR_SUCCESS);
  const KeyRead copy = ReadRegistryKey(HKEY_CURRENT_USER, base + "\\Copy");
  ASSERT_TRUE(copy.tree);
  EXPECT_TRUE(SameContentsExcept(*copy.tree, read.tree->subkeys.at("Sub"), ""));
  EXPECT_EQ(copy.tree->security, "D:P(A;OICI;KA;;;BA)(A;OICI;KA;;;SY)");
  ASSERT_EQ(SetRegistryKeySecurity(HKEY_CURRENT_USER, base + "\\Copy", read.tree->security), ERROR_SUCCESS);
  EXPECT_EQ(ReadRegistryKey(HKEY_CURRENT_USER, base + "\\Copy").tree->security, read.tree->security);

  EXPECT_EQ(DeleteRegistryTree(HKEY_CURRENT_USER, base + "\\Copy"), ERROR_SUCCESS);
  EXPECT_EQ(DeleteRegistryTree(HKEY_CURRENT_USER, base + "\\Copy"), ERROR_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace quarvel::win
