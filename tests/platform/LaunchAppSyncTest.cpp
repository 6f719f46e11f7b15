#include <gtest/gtest.h>

#include <shlwapi.h>

#include <chrono>
#include <string>

#include "tests/support/HandleCount.h"
#include "tests/support/TempFolder.h"
#include "platform/CommonFunction.h"
#include "platform/LaunchAppSync.h"

namespace quarvel::win {
namespace {

constexpr const char* kChildEvent = "QuarvelLaunchTestChildEvent";
constexpr UINT kSignalChild = WM_APP + 1;

std::string SelfPath() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

// Runs only as the child of LaunchAppSync.PumpsWindowMessagesWhileItWaits: ends
// when the parent signals from inside a dispatched window message.
TEST(ChildProcess, DISABLED_WaitsForTheParentsSignal) {
  HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, kChildEvent);
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(WaitForSingleObject(event, 30000), WAIT_OBJECT_0);
  CloseHandle(event);
}

LRESULT CALLBACK SignalingWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kSignalChild) {
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, kChildEvent);
    SetEvent(event);
    CloseHandle(event);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

class LaunchAppSyncTest : public ::testing::Test {
 protected:
  void SetUp() override { SetShowWindowState(2); }
};

TEST_F(LaunchAppSyncTest, UnknownProgramIsFalseAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunAndWait("C:\\no\\such\\program.exe /x"), kFalse);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(LaunchAppSyncTest, ReturnsOnlyAfterTheProgramHasEnded) {
  testing::TempFolder folder;
  const std::string marker = folder / "done.txt";
  const std::string command = GetSysDir() + "\\cmd.exe /c echo done>\"" + marker + "\"";
  EXPECT_EQ(RunAndWait(command), kTrue);
  EXPECT_TRUE(PathFileExistsA(marker.c_str()));
}

TEST_F(LaunchAppSyncTest, ProgramRunsInTheCallersCurrentFolder) {
  testing::TempFolder folder;
  const std::string previous = GetCurDir();
  SetCurrentDirectoryA(folder.Path().c_str());
  EXPECT_EQ(RunAndWait(GetSysDir() + "\\cmd.exe /c echo here>relative.txt"), kTrue);
  SetCurrentDirectoryA(previous.c_str());
  EXPECT_TRUE(PathFileExistsA((folder / "relative.txt").c_str()));
}

TEST_F(LaunchAppSyncTest, PumpsWindowMessagesWhileItWaits) {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = SignalingWindowProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "QuarvelLaunchTestWindow";
  RegisterClassA(&window_class);
  HWND window = CreateWindowA(window_class.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              window_class.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, kChildEvent);

  // The child ends only once this message has been dispatched, which can only
  // happen inside RunAndWait.
  PostMessageA(window, kSignalChild, 0, 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunAndWait("\"" + SelfPath() +
                       "\" --gtest_also_run_disabled_tests "
                       "--gtest_filter=ChildProcess.DISABLED_WaitsForTheParentsSignal"),
            kTrue);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  CloseHandle(event);
  DestroyWindow(window);
}

TEST_F(LaunchAppSyncTest, RepeatedRunsLeakNoHandle) {
  const std::string command = GetSysDir() + "\\cmd.exe /c rem";
  RunAndWait(command);
  const auto before = testing::HandleWatermark();
  for (int i = 0; i < 15; ++i) RunAndWait(command);
  EXPECT_EQ(testing::HandleWatermark(), before);
}

}  // namespace
}  // namespace quarvel::win
