#include "core/RepairSteps.h"

#include <gtest/gtest.h>

#include "core/RepairText.h"
#include "tests/core/FakeRepairHost.h"

namespace quarvel {
namespace {

using Actions = std::vector<std::string>;

const std::string kWindows = kWindowsKey;
const std::string kParked = kParkedKey;
const std::string kMarker = kMarkerKey;
const std::string kSys = R"(C:\WINDOWS\system32)";

class RepairStep1 : public testing::Test {
 protected:
  RepairStep1() {
    host.AddFile(kSys + "\\reg.exe");
    host.registry[kWindows] = {{"AppInit_DLLs", R"(C:\WINDOWS\system32\abc.dll)"}, {"Spooler", "yes"}};
  }
  void Run(std::string_view text = "!HLX", bool is_admin = true) { RunRepairStep1(host, text, is_admin); }
  bool RegistryUntouched() const {
    return host.registry.size() == 1 && host.registry.contains(kWindows) && host.registry.at(kWindows).size() == 2;
  }
  FakeRepairHost host;
};

TEST_F(RepairStep1, OnlyTheExactCommandOnTheNtFamilyOpensIt) {
  for (std::string_view text : {"!hlx", "!HLX ", " !HLX", "!HL", "", "!HLXX"}) Run(text);
  host.platform_id = 1;
  Run();
  EXPECT_EQ(host.actions, Actions{});
}

TEST_F(RepairStep1, LimitedAccountShowsItsBoxOnly) {
  Run("!HLX", false);
  EXPECT_EQ(host.actions, Actions{"box Limited Account"});
  EXPECT_EQ(host.boxes[0], LimitedAccountBox());
  EXPECT_EQ(host.boxes[0].icon, BoxIcon::kError);
}

TEST_F(RepairStep1, AnsweringNoChangesNothing) {
  host.AddFile(R"(C:\Tools\windows.reg)");
  host.answers = {BoxAnswer::kNo};
  Run();
  EXPECT_EQ(host.actions, Actions{"box Delete File"});
  EXPECT_EQ(host.boxes[0].buttons, BoxButtons::kYesNo);
  EXPECT_TRUE(RegistryUntouched());
  EXPECT_TRUE(host.files.contains(R"(C:\Tools\windows.reg)"));
}

TEST_F(RepairStep1, CompleteRunBacksUpMarksParksAndRestarts) {
  host.answers = {BoxAnswer::kYes, BoxAnswer::kOk};
  Run();
  const Actions expected = {
      "box Delete File",
      "status! Backing up Registry info.....",
      "run " + RegeditExportCommand(R"(C:\WINDOWS)", R"(C:\Tools)"),
      "run " + RegSaveCommand(kSys, R"(C:\Tools)"),
      "create-key " + kMarker,
      "write " + kMarker + " !HLX=ok",
      "status! Writing new Registry info.....",
      "delete-key " + kWindows,
      "create-key " + kParked,
      "run " + RegRestoreParkedCommand(kSys),
      "status! Completed Writing new Registry info",
      "box Reboot",
      "status! Restarting Windows...",
      "restart force",
  };
  EXPECT_EQ(host.actions, expected);
  EXPECT_EQ(host.boxes.back(), RebootBox());
  EXPECT_EQ(host.boxes.back().icon, BoxIcon::kWarning);
}

TEST_F(RepairStep1, OlderBackupsAreDeletedBeforeNewOnesAreWritten) {
  host.AddFile(R"(C:\Tools\windows.reg)");
  // One file on disk, asked for as "windows.hiv" and deleted as "Windows.hiv";
  // the fake keeps names as given.
  host.visible[R"(C:\Tools\windows.hiv)"] = true;
  host.files[R"(C:\Tools\Windows.hiv)"] = 10;
  host.answers = {BoxAnswer::kYes};
  Run();
  ASSERT_GE(host.actions.size(), 4u);
  EXPECT_EQ(host.actions[2], R"(delete-file C:\Tools\windows.reg)");
  EXPECT_EQ(host.actions[3], R"(delete-file C:\Tools\Windows.hiv)");
  EXPECT_EQ(host.actions.back(), "restart force");
}

TEST_F(RepairStep1, WithoutRegExeOnlyTheTextExportIsWritten) {
  host.files.clear();
  host.visible.clear();
  host.answers = {BoxAnswer::kYes};
  Run();
  EXPECT_EQ(host.actions.back(), "box Reg.exe");
  EXPECT_EQ(host.actions[host.actions.size() - 2], "run " + RegeditExportCommand(R"(C:\WINDOWS)", R"(C:\Tools)"));
  EXPECT_EQ(host.boxes.back(), RegExeMissingBox(kSys));
  EXPECT_TRUE(RegistryUntouched());
}

TEST_F(RepairStep1, AHiveThatWasNotWrittenStopsWithTheRegistryUntouched) {
  for (std::optional<std::uint64_t> hive : {std::optional<std::uint64_t>{}, std::optional<std::uint64_t>{0}}) {
    host.files.erase(R"(C:\Tools\Windows.hiv)");
    host.saved_hive_size = hive;
    host.answers = {BoxAnswer::kYes};
    host.actions.clear();
    host.boxes.clear();
    Run();
    EXPECT_EQ(host.actions.back(), "box Backup Failed");
    EXPECT_EQ(host.boxes.back(), BackupNotWrittenBox(R"(C:\Tools\Windows.hiv)"));
    EXPECT_EQ(host.actions[host.actions.size() - 2], "run " + RegSaveCommand(kSys, R"(C:\Tools)"));
    EXPECT_TRUE(RegistryUntouched());
  }
}

TEST_F(RepairStep1, AnOldHiveThatCouldNotBeDeletedIsNeverTakenForANewOne) {
  host.files[R"(C:\Tools\Windows.hiv)"] = 4096;  // hidden: the ordinary search does not see it
  host.answers = {BoxAnswer::kYes};
  Run();
  EXPECT_EQ(host.actions.back(), "box Backup Failed");
  for (const auto& action : host.actions) EXPECT_EQ(action.find("reg.exe save"), std::string::npos);
  EXPECT_TRUE(RegistryUntouched());
}

TEST_F(RepairStep1, RefusedWhileStep2IsDue) {
  host.registry[kMarker] = {{"!HLX", "ok"}};
  host.AddFile(R"(C:\Tools\Windows.hiv)", 4096);
  Run();
  EXPECT_EQ(host.actions, Actions{"box Step 2"});
  EXPECT_EQ(host.boxes[0], Step2DueBox());
  EXPECT_TRUE(host.files.contains(R"(C:\Tools\Windows.hiv)"));
}

TEST_F(RepairStep1, AMarkerThatIsNotExactlyOkDoesNotRefuse) {
  for (const char* marker : {"OK", "ok "}) {
    host.registry[kMarker] = {{"!HLX", marker}};
    host.actions.clear();
    Run();
    EXPECT_EQ(host.actions, Actions{"box Delete File"}) << marker;
  }
}

class RepairStep2 : public testing::Test {
 protected:
  RepairStep2() {
    host.AddFile(R"(C:\Tools\Windows.hiv)", 4096);
    host.registry[kMarker] = {{"!HLX", "ok"}};
    host.registry[kParked] = {{"AppInit_DLLs", R"( C:\WINDOWS\system32\abc.dll )"}, {"Spooler", "yes"}};
    host.AddFile(R"(C:\WINDOWS\system32\abc.dll)");
    host.AddFile(kSys + "\\reg.exe");
  }
  Step2Outcome Run() { return RunRepairStep2(host); }
  FakeRepairHost host;
};

TEST_F(RepairStep2, RestoresEmptiesTheValueAndMovesTheDllAside) {
  const Step2Outcome outcome = Run();
  const std::string dll = R"(C:\WINDOWS\system32\abc.dll)";
  const Actions expected = {
      "delete-key " + kWindows,
      "delete-key " + kMarker,
      "delete-key " + kParked,
      "create-key " + kWindows,
      "run " + RegRestoreWindowsCommand(kSys, R"(C:\Tools)"),
      "box AppInit_DLLs",
      "write " + kWindows + " AppInit_DLLs=",
      "run " + CaclsCommand(kSys, dll),
      "attributes " + dll,
      R"(create-folder C:\Tools C:\Tools\cws)",
      "box ",
      "move " + dll + R"( C:\Tools\cws\abc.dll)",
      "status Completed",
  };
  EXPECT_EQ(host.actions, expected);
  EXPECT_EQ(host.boxes[0], AppInitBox(R"( C:\WINDOWS\system32\abc.dll )"));
  EXPECT_EQ(host.boxes[1].text, R"(Moving abc.dll to C:\Tools\cws as Backup)");
  EXPECT_EQ(outcome.app_init_value, R"( C:\WINDOWS\system32\abc.dll )");
  EXPECT_TRUE(outcome.finished);
}

TEST_F(RepairStep2, WithoutTheHiveNothingIsChangedAndTheStepStaysDue) {
  for (std::uint64_t size : {std::uint64_t{0}, std::uint64_t{1}}) {
    host.files.clear();
    if (size == 0) host.files[R"(C:\Tools\Windows.hiv)"] = 0;
    host.current_folder = R"(D:\Elsewhere)";
    host.actions.clear();
    const Step2Outcome outcome = Run();
    EXPECT_EQ(host.actions, Actions{"box Windows.hiv"});
    EXPECT_EQ(host.boxes.back(), HiveNotFoundBox(R"(D:\Elsewhere)"));
    EXPECT_FALSE(outcome.finished);
    EXPECT_FALSE(outcome.app_init_value);
    EXPECT_EQ(host.registry.size(), 2u);
  }
}

TEST_F(RepairStep2, WithoutRegExeNothingIsChangedAndTheStepStaysDue) {
  host.visible.erase(kSys + "\\reg.exe");
  const Step2Outcome outcome = Run();
  EXPECT_EQ(host.actions, Actions{"box Reg.exe"});
  EXPECT_EQ(host.boxes.back(), RegExeMissingBox(kSys));
  EXPECT_FALSE(outcome.finished);
  EXPECT_EQ(host.registry.size(), 2u);
}

TEST_F(RepairStep2, AnEmptyValueRebuildsTheKeyAndMovesNothing) {
  host.registry.erase(kParked);  // a second click after the failure path finds it gone
  const Step2Outcome outcome = Run();
  EXPECT_EQ(host.actions.size(), 5u);
  EXPECT_EQ(host.actions.back(), "run " + RegRestoreWindowsCommand(kSys, R"(C:\Tools)"));
  EXPECT_EQ(outcome.app_init_value, "");
  EXPECT_TRUE(outcome.finished);
}

TEST_F(RepairStep2, ADllThatDidNotMoveIsDeletedAtTheNextRestart) {
  host.moves = false;  // a namesake already in cws
  EXPECT_TRUE(Run().finished);
  EXPECT_EQ(host.actions.back(), R"(delete-at-restart SHORT:C:\WINDOWS\system32\abc.dll)");
  EXPECT_EQ(host.actions[host.actions.size() - 2], "status Completed");
}

TEST_F(RepairStep2, AFailureOfTheMoveShowsFileAccessErrorAndKeepsTheButton) {
  for (const char* failing : {"create-folder", "move"}) {
    host.throw_in = failing;
    host.boxes.clear();
    host.actions.clear();
    host.registry[kParked] = {{"AppInit_DLLs", "abc.dll"}};
    const Step2Outcome outcome = Run();
    EXPECT_FALSE(outcome.finished) << failing;
    EXPECT_EQ(host.boxes.back(), FileAccessErrorBox());
    EXPECT_EQ(host.boxes.back().icon, BoxIcon::kWarning);
    for (const auto& action : host.actions) EXPECT_NE(action, "status Completed");
  }
}

TEST_F(RepairStep2, PathsWithoutAFolderOrADotOrWithABlank) {
  host.registry[kParked] = {{"AppInit_DLLs", "abc.dll"}};
  Run();
  EXPECT_EQ(host.boxes[1].text, R"(Moving abc.dll to C:\Tools\cws as Backup)");
  EXPECT_NE(std::find(host.actions.begin(), host.actions.end(), R"(move abc.dll C:\Tools\cws\abc.dll)"),
            host.actions.end());

  host.registry[kParked] = {{"AppInit_DLLs", R"(C:\WINDOWS\system32\nodot)"}};
  host.AddFile(R"(C:\WINDOWS\system32\nodot)");
  host.moves = false;
  host.boxes.clear();
  Run();
  EXPECT_EQ(host.boxes[1].text, R"(Moving  to C:\Tools\cws as Backup)");
  EXPECT_EQ(host.actions.back(), R"(delete-at-restart SHORT:C:\WINDOWS\system32\nodot)");

  host.registry[kParked] = {{"AppInit_DLLs", R"(C:\Program Files\x\abc.dll)"}};
  host.actions.clear();
  Run();
  EXPECT_NE(std::find(host.actions.begin(), host.actions.end(),
                      "run " + kSys + R"(\cacls.exe "C:\Program Files\x\abc.dll" /t /e /g Administrators:f)"),
            host.actions.end());
}

}  // namespace
}  // namespace quarvel
