#include <gtest/gtest.h>

#include <vector>

#include "platform/ShutDownNT.h"
#include "platform/UniqueHandle.h"

namespace quarvel::win {
namespace {

// Records the restart's steps instead of taking them.
struct RecordedShutdown {
  bool nt = true;
  bool accepted = true;
  std::vector<std::string> steps;
  std::vector<UINT> flags;
  std::vector<DWORD> reasons;

  ShutdownCalls Calls() {
    return ShutdownCalls{[this] { return nt; }, [this] { steps.push_back("privilege"); },
                         [this](UINT f, DWORD reason) {
                           steps.push_back("exit");
                           flags.push_back(f);
                           reasons.push_back(reason);
                           return accepted;
                         }};
  }
};

TEST(RestartWindows, ForceOnTheNtFamilyEnablesThePrivilegeThenAsksWithFlags6AndAPlannedReason) {
  RecordedShutdown recorded;
  EXPECT_TRUE(RestartWindows(true, recorded.Calls()));
  EXPECT_EQ(recorded.steps, (std::vector<std::string>{"privilege", "exit"}));
  EXPECT_EQ(recorded.flags, (std::vector<UINT>{6}));
  // SHTDN_REASON_FLAG_PLANNED | SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_MAINTENANCE
  EXPECT_EQ(recorded.reasons, (std::vector<DWORD>{0x80040001}));
  recorded.accepted = false;
  EXPECT_FALSE(RestartWindows(true, recorded.Calls()));
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
