#include <gtest/gtest.h>

#include <vector>

#include "platform/ShutDownNT.h"
#include "platform/UniqueHandle.h"

namespace quarvel::win {
namespace {

// Records the restart's steps instead of taking them.
struct RecordedShutdown {
  bool nt = true;
  std::vector<std::string> steps;
  std::vector<UINT> flags;

  ShutdownCalls Calls() {
    return ShutdownCalls{[this] { return nt; }, [this] { steps.push_back("privilege"); },
                         [this](UINT f) {
                           steps.push_back("exit");
                           flags.push_back(f);
                         }};
  }
};

TEST(RestartWindows, ForceOnTheNtFamilyEnablesThePrivilegeThenAsksWithFlags6) {
  RecordedShutdown recorded;
  RestartWindows(true, recorded.Calls());
  EXPECT_EQ(recorded.steps, (std::vector<std::string>{"privilege", "exit"}));
  EXPECT_EQ(recorded.flags, (std::vector<UINT>{6}));
}

TEST(RestartWindows, WithoutForceTheFlagsAre2) {
  RecordedShutdown recorded;
  RestartWindows(false, recorded.Calls());
  EXPECT_EQ(recorded.flags, (std::vector<UINT>{2}));
}

TEST(RestartWindows, OutsideTheNtFamilyTheTokenIsNotTouched) {
  RecordedShutdown recorded;
  recorded.nt = false;
  RestartWindows(true, recorded.Calls());
  EXPECT_EQ(recorded.steps, (std::vector<std::string>{"exit"}));
}

bool ShutdownPrivilegeEnabled() {
  UniqueKernelHandle token;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put());
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (!GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), size, &size)) return false;
  LUID shutdown{};
  LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &shutdown);
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    const auto& entry = privileges->Privileges[i];
    if (entry.Luid.LowPart == shutdown.LowPart && entry.Luid.HighPart == shutdown.HighPart) {
      return (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
  }
  return false;
}

TEST(ShutdownPrivilege, IsEnabledInTheProcessToken) {
  EXPECT_TRUE(IsWindowsNT());
  EnableShutdownPrivilege();
  EXPECT_TRUE(ShutdownPrivilegeEnabled());
}

}  // namespace
}  // namespace quarvel::win
