#include "core/RepairSteps.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/RepairText.h"
#include "tests/support/FakeRepairHost.h"

namespace quarvel {
namespace {

using Actions = std::vector<std::string>;

const std::string kWindows = kWindowsKey;
const std::string kParked = kParkedKey;
const std::string kWow = kWow64WindowsKey;
const std::string kWowParked = kWow64ParkedKey;
const std::string kMarker = kMarkerKey;
const std::string kSys = R"(C:\WINDOWS\system32)";
const std::string kDll = R"(C:\WINDOWS\system32\abc.dll)";

KeyContents WindowsValues(const std::string& app_init) {
  return {{"AppInit_DLLs", Sz(app_init)},
          {"Spooler", Sz("yes")},
          {"LoadAppInit_DLLs", {4, std::string("\x01\x00\x00\x00", 4)}},
          {"Blob", {3, std::string("\x00\xff", 2)}}};
}

bool Did(const FakeRepairHost& host, const std::string& action) {
  return std::find(host.actions.begin(), host.actions.end(), action) != host.actions.end();
}

bool DidAny(const FakeRepairHost& host, const std::string& part) {
  return std::any_of(host.actions.begin(), host.actions.end(),
                     [&part](const std::string& action) { return action.find(part) != std::string::npos; });
}

// The machine before step 1; tests that need a second one make their own.
struct Step1World {
  Step1World() {
    host.AddFile(kSys + "\\reg.exe");
    host.registry[kWindows] = original;
  }
  bool Step(std::string_view text = "!HLX", bool is_admin = true) { return RunRepairStep1(host, text, is_admin); }
  // The Windows key as it was, no copy and no marker: the registry as before step 1.
  void ExpectUntouched() {
    EXPECT_EQ(host.registry.at(kWindows), original);
    EXPECT_FALSE(IsStep1Done(host.ReadText(kMarker, "!HLX")));
    EXPECT_FALSE(DidAny(host, "delete-key " + kWindows));
    EXPECT_FALSE(DidAny(host, "restart"));
  }
  const KeyContents original = WindowsValues(kDll);
  FakeRepairHost host;
};

class RepairStep1 : public testing::Test, public Step1World {};

TEST_F(RepairStep1, OnlyTheExactCommandOnTheNtFamilyOpensIt) {
  for (std::string_view text : {"!hlx", "!HLX ", " !HLX", "!HL", "", "!HLXX"}) Step(text);
  host.platform_id = 1;
  Step();
  EXPECT_EQ(host.actions, Actions{});
}

TEST_F(RepairStep1, LimitedAccountShowsItsBoxOnly) {
  Step("!HLX", false);
  EXPECT_EQ(host.actions, Actions{"box Limited Account"});
  EXPECT_EQ(host.boxes[0], LimitedAccountBox());
}

TEST_F(RepairStep1, WithoutAnElevatedTokenItOffersToStartAgainElevatedAndChangesNothing) {
  host.elevated = false;
  Step();  // answered No
  EXPECT_EQ(host.actions, Actions{"box Administrator Rights"});
  EXPECT_EQ(host.boxes[0], ElevationBox(R"(C:\Tools)", "type !HLX into the folder box"));
  EXPECT_EQ(host.boxes[0].buttons, BoxButtons::kYesNo);

  host.actions.clear();
  host.answers = {BoxAnswer::kYes};
  Step();
  EXPECT_EQ(host.actions,
            (Actions{"box Administrator Rights", R"(shell runas C:\Tools\quarvel.exe in C:\Tools show 1)"}));

  host.actions.clear();
  host.answers = {BoxAnswer::kYes};
  host.shell_starts = false;  // the user refused the elevation prompt
  Step();
  EXPECT_EQ(host.actions.back(), "box Administrator Rights");
  EXPECT_EQ(host.boxes.back(), ElevationFailedBox(R"(C:\Tools)", "type !HLX into the folder box"));
  ExpectUntouched();
}

TEST_F(RepairStep1, AnsweringNoChangesNothing) {
  host.AddFile(R"(C:\Tools\windows.reg)");
  host.answers = {BoxAnswer::kNo};
  Step();
  EXPECT_EQ(host.actions, Actions{"box Delete File"});
  ExpectUntouched();
}

TEST_F(RepairStep1, CompleteRunBacksUpParksChecksTheCopyMarksAndRestarts) {
  host.answers = {BoxAnswer::kYes, BoxAnswer::kOk};
  EXPECT_FALSE(Step());
  const Actions expected = {
      "box Delete File",
      "status! Backing up Registry info.....",
      "run " + RegeditExportCommand(R"(C:\WINDOWS)", R"(C:\Tools)", kNativeRepairKey),
      "run " + RegSaveCommand(kSys, R"(C:\Tools)", kNativeRepairKey),
      "status! Writing new Registry info.....",
      "create-key " + kParked,
      "run " + RegRestoreParkedCommand(kSys, kNativeRepairKey),
      "create-key " + kMarker,
      "write " + kMarker + " Windows!=" + Fingerprint(original),
      "write " + kMarker + " !HLX=ok",
      "delete-key " + kWindows,
      "status! Completed Writing new Registry info",
      "box Reboot",
      "status! Restarting Windows...",
      "restart force",
  };
  EXPECT_EQ(host.actions, expected);
  EXPECT_EQ(host.boxes.back(), RebootBox());
  EXPECT_FALSE(host.registry.contains(kWindows));
  EXPECT_EQ(host.registry.at(kParked), original);
}

TEST_F(RepairStep1, OlderBackupsAreRenamedAsideNeverDeleted) {
  host.AddFile(R"(C:\Tools\windows.reg)", 7);
  host.AddFile(R"(C:\Tools\Windows.hiv)", 8);
  host.hidden.insert(R"(C:\Tools\Windows.hiv)");  // the ordinary search does not see it
  host.AddFile(R"(C:\Tools\Windows.1.hiv)", 9);
  host.answers = {BoxAnswer::kYes};
  Step();
  EXPECT_EQ(host.actions[2], R"(rename C:\Tools\windows.reg C:\Tools\windows.1.reg)");
  EXPECT_EQ(host.actions[3], R"(rename C:\Tools\Windows.hiv C:\Tools\Windows.2.hiv)");
  EXPECT_EQ(host.files.at(R"(C:\Tools\windows.1.reg)"), 7u);
  EXPECT_EQ(host.files.at(R"(C:\Tools\Windows.1.hiv)"), 9u);
  EXPECT_EQ(host.files.at(R"(C:\Tools\Windows.2.hiv)"), 8u);
  EXPECT_FALSE(DidAny(host, "delete-file"));
  EXPECT_EQ(host.actions.back(), "restart force");

  // One that cannot be renamed stops the step before anything is written.
  Step1World again;
  again.host.AddFile(R"(C:\Tools\Windows.hiv)", 8);
  again.host.renames = false;
  again.host.answers = {BoxAnswer::kYes};
  again.Step();
  EXPECT_EQ(again.host.boxes.back(), BackupNotMovedAsideBox(R"(C:\Tools\Windows.hiv)"));
  EXPECT_FALSE(DidAny(again.host, "run "));
  again.ExpectUntouched();
}

TEST_F(RepairStep1, WithoutRegExeOnlyTheTextExportIsWritten) {
  host.files.clear();
  host.answers = {BoxAnswer::kYes};
  Step();
  EXPECT_EQ(host.actions.back(), "box Reg.exe");
  EXPECT_EQ(host.actions[host.actions.size() - 2],
            "run " + RegeditExportCommand(R"(C:\WINDOWS)", R"(C:\Tools)", kNativeRepairKey));
  EXPECT_EQ(host.boxes.back(), RegExeMissingBox(kSys));
  ExpectUntouched();
}

TEST_F(RepairStep1, AHiveThatWasNotWrittenStopsWithTheRegistryUntouched) {
  for (std::optional<std::uint64_t> size : {std::optional<std::uint64_t>{}, std::optional<std::uint64_t>{0}}) {
    Step1World run;
    run.host.saves = size.has_value();
    run.host.saved_hive_size = size;
    run.host.answers = {BoxAnswer::kYes};
    run.Step();
    EXPECT_EQ(run.host.boxes.back(), BackupNotWrittenBox(R"(C:\Tools\Windows.hiv)"));
    run.ExpectUntouched();
    EXPECT_FALSE(DidAny(run.host, "create-key"));
  }
}

TEST_F(RepairStep1, ACopyThatDoesNotHoldEveryValueKeepsTheKeyAndWritesNoMarker) {
  host.restores = false;  // reg.exe restore failed, or reported success and restored nothing
  host.answers = {BoxAnswer::kYes};
  Step();
  ASSERT_EQ(host.boxes.back().title, "Repair Stopped");
  EXPECT_EQ(host.boxes.back(), RepairStoppedBox(CopyIncompleteText(kParked, kWindows),
                                                KeptText({&kNativeRepairKey}, R"(C:\Tools)", KeptIn::kKey)));
  EXPECT_FALSE(DidAny(host, "write " + kMarker));
  ExpectUntouched();

  // The next run replaces the incomplete copy and goes on.
  host.restores = true;
  host.answers = {BoxAnswer::kYes};
  Step();
  EXPECT_EQ(host.actions.back(), "restart force");
  EXPECT_EQ(host.registry.at(kParked), original);
}

TEST_F(RepairStep1, AFailedRegistryCallStopsBeforeTheKeyIsRemoved) {
  for (const std::string& call : {"read " + kWindows, "create " + kParked, "read " + kParked, "create " + kMarker,
                                  "write " + kMarker}) {
    Step1World run;
    run.host.failing[call] = 5;
    run.host.answers = {BoxAnswer::kYes};
    run.Step();
    EXPECT_EQ(run.host.boxes.back().title, "Repair Stopped") << call;
    EXPECT_NE(run.host.boxes.back().text.find("failed with error 5."), std::string::npos) << call;
    run.ExpectUntouched();
  }
}

TEST_F(RepairStep1, AKeyThatCannotBeRemovedLeavesStep2DueWithTheCheckedCopy) {
  host.failing["delete " + kWindows] = 5;
  host.answers = {BoxAnswer::kYes};
  EXPECT_TRUE(Step());  // the window offers step 2 at once
  EXPECT_EQ(host.boxes.back(),
            RepairStoppedBox(RegistryFailureText("Removing", kWindows, 5),
                             KeptText({&kNativeRepairKey}, R"(C:\Tools)", KeptIn::kParkedCopy)));
  EXPECT_EQ(host.registry.at(kWindows), original);
  EXPECT_EQ(host.registry.at(kParked), original);
  EXPECT_TRUE(IsStep1Done(host.ReadText(kMarker, "!HLX")));
  EXPECT_FALSE(DidAny(host, "restart"));
}

TEST_F(RepairStep1, ARefusedRestartSaysSo) {
  host.restarts = false;
  host.answers = {BoxAnswer::kYes};
  EXPECT_TRUE(Step());
  EXPECT_EQ(host.boxes.back(), RestartRefusedBox(R"(C:\Tools)"));
}

TEST_F(RepairStep1, RefusedWhileStep2IsDue) {
  host.registry[kMarker] = {{"!HLX", Sz("ok")}};
  Step();
  EXPECT_EQ(host.actions, Actions{"box Step 2"});
  EXPECT_EQ(host.boxes[0], Step2DueBox());
}

TEST_F(RepairStep1, AMarkerThatIsNotExactlyOkDoesNotRefuseAndIsReplaced) {
  for (const char* marker : {"OK", "ok "}) {
    Step1World run;
    // Left by a run that stopped: it names a 32-bit copy this run does not make.
    run.host.registry[kMarker] = {{"!HLX", Sz(marker)}, {"WOW6432Node Windows!", Sz("1 values 0")}};
    run.host.answers = {BoxAnswer::kYes};
    run.Step();
    EXPECT_EQ(run.host.actions[0], "box Delete File") << marker;
    EXPECT_EQ(run.host.registry.at(kMarker),
              (KeyContents{{"!HLX", Sz("ok")}, {"Windows!", Sz(Fingerprint(run.original))}}));
  }
}

TEST_F(RepairStep1, The32BitKeyGoesTheSameWayWhenItNamesDlls) {
  const KeyContents wow = {{"AppInit_DLLs", Sz(R"(C:\WINDOWS\SysWOW64\abc32.dll)")}, {"Spooler", Sz("yes")}};
  host.registry[kWow] = wow;
  host.answers = {BoxAnswer::kYes};
  Step();
  EXPECT_TRUE(Did(host, "run " + RegeditExportCommand(R"(C:\WINDOWS)", R"(C:\Tools)", kWow64RepairKey)));
  EXPECT_TRUE(Did(host, "run " + RegRestoreParkedCommand(kSys, kWow64RepairKey)));
  EXPECT_TRUE(host.files.contains(R"(C:\Tools\Windows32.hiv)"));
  EXPECT_EQ(host.registry.at(kWowParked), wow);
  EXPECT_FALSE(host.registry.contains(kWow));
  EXPECT_EQ(host.ReadText(kMarker, "WOW6432Node Windows!"), Fingerprint(wow));
  EXPECT_EQ(host.actions.back(), "restart force");

  // Blank or commas only: nothing named, the key is left alone.
  Step1World blank;
  blank.host.registry[kWow] = {{"AppInit_DLLs", Sz(" , ")}};
  blank.host.answers = {BoxAnswer::kYes};
  blank.Step();
  EXPECT_FALSE(DidAny(blank.host, kWow));
  EXPECT_EQ(blank.host.actions.back(), "restart force");
}

// The machine as step 1 leaves it.
struct Step2World {
  Step2World() {
    Park(kNativeRepairKey, original);
    host.registry[kMarker]["!HLX"] = Sz("ok");
    host.AddFile(kDll);
    host.hidden.insert(kDll);
    host.AddFile(kSys + "\\reg.exe");
  }
  void Park(const RepairKey& key, const KeyContents& values) {
    const std::string hive = std::string(R"(C:\Tools)") + key.hive_file;
    host.hives[hive] = values;
    host.AddFile(hive, 4096);
    host.registry[key.parked] = values;
    host.registry[kMarker][key.marker_value] = Sz(Fingerprint(values));
  }
  Step2Outcome Step() { return RunRepairStep2(host); }
  KeyContents Repaired() const {
    KeyContents values = original;
    values["AppInit_DLLs"] = Sz("");
    return values;
  }
  // Nothing deleted: the parked copy and the marker as step 1 left them.
  void ExpectStillDue(const Step2Outcome& outcome) {
    EXPECT_FALSE(outcome.finished);
    EXPECT_EQ(host.registry.at(kParked), original);
    EXPECT_TRUE(IsStep1Done(host.ReadText(kMarker, "!HLX")));
  }
  const KeyContents original = WindowsValues(" " + kDll + " ");
  FakeRepairHost host;
};

class RepairStep2 : public testing::Test, public Step2World {};

TEST_F(RepairStep2, RestoresChecksEmptiesMovesTheDllAndThenRemovesCopyAndMarker) {
  const Step2Outcome outcome = Step();
  const Actions expected = {
      "create-key " + kWindows,
      "run " + RegRestoreWindowsCommand(kSys, R"(C:\Tools)", kNativeRepairKey),
      "box AppInit_DLLs",
      "write " + kWindows + " AppInit_DLLs=",
      "run " + IcaclsCommand(kSys, kDll),
      "attributes " + kDll,
      R"(create-folder C:\Tools C:\Tools\cws)",
      "box ",
      "move " + kDll + R"( C:\Tools\cws\abc.dll)",
      "delete-key " + kParked,
      "delete-key " + kMarker,
      "status Completed",
  };
  EXPECT_EQ(host.actions, expected);
  EXPECT_EQ(host.boxes[0], AppInitBox(" " + kDll + " ", kNativeRepairKey));
  EXPECT_EQ(host.boxes[1].text, R"(Moving abc.dll to C:\Tools\cws as Backup)");
  EXPECT_EQ(outcome.app_init_value, " " + kDll + " ");
  EXPECT_TRUE(outcome.finished);
  EXPECT_EQ(host.registry.at(kWindows), Repaired());
  EXPECT_EQ(host.registry.size(), 1u);
  EXPECT_TRUE(host.files.contains(R"(C:\Tools\cws\abc.dll)"));
}

TEST_F(RepairStep2, WithoutAnElevatedTokenItOffersToStartAgainElevatedAndChangesNothing) {
  host.elevated = false;
  host.answers = {BoxAnswer::kYes};
  ExpectStillDue(Step());
  EXPECT_EQ(host.actions,
            (Actions{"box Administrator Rights", R"(shell runas C:\Tools\quarvel.exe in C:\Tools show 1)"}));
  EXPECT_EQ(host.boxes[0], ElevationBox(R"(C:\Tools)", "click the Step 2 Button"));
  EXPECT_FALSE(host.registry.contains(kWindows));
}

TEST_F(RepairStep2, ARestoreThatDoesNotPutEveryValueBackDeletesNothingAndStaysDue) {
  host.restores = false;
  ExpectStillDue(Step());
  EXPECT_EQ(host.boxes.back(), RepairStoppedBox(CopyIncompleteText(kWindows, kParked),
                                                KeptText({&kNativeRepairKey}, R"(C:\Tools)", KeptIn::kParkedCopy)));
  EXPECT_FALSE(DidAny(host, "write "));
  EXPECT_TRUE(host.files.contains(kDll));

  // Clicked again once reg.exe restores: finished.
  host.restores = true;
  host.actions.clear();
  EXPECT_TRUE(Step().finished);
  EXPECT_EQ(host.registry.at(kWindows), Repaired());
}

TEST_F(RepairStep2, AFailedRegistryCallStopsWithEverythingKept) {
  for (const std::string& call :
       {"read " + kParked, "read " + kWindows, "create " + kWindows, "write " + kWindows, "delete " + kParked}) {
    Step2World run;
    run.host.failing[call] = 5;
    run.ExpectStillDue(run.Step());
    EXPECT_EQ(run.host.boxes.back().title, "Repair Stopped") << call;
    EXPECT_NE(run.host.boxes.back().text.find("failed with error 5."), std::string::npos) << call;
  }
}

TEST_F(RepairStep2, AMarkerThatCannotBeRemovedIsRemovedByTheNextClick) {
  host.failing["delete " + kMarker] = 5;
  EXPECT_FALSE(Step().finished);
  EXPECT_EQ(host.boxes.back(), RepairStoppedBox(RegistryFailureText("Removing", kMarker, 5),
                                                KeptText({&kNativeRepairKey}, R"(C:\Tools)", KeptIn::kKeyBack)));
  EXPECT_FALSE(host.registry.contains(kParked));

  host.failing.clear();
  host.actions.clear();
  EXPECT_TRUE(Step().finished);
  EXPECT_EQ(host.actions, Actions{"delete-key " + kMarker});
  EXPECT_EQ(host.registry.at(kWindows), Repaired());
}

TEST_F(RepairStep2, WithoutTheHiveANewOneIsWrittenFromTheCheckedCopy) {
  host.files.erase(R"(C:\Tools\Windows.hiv)");
  host.hives.clear();
  EXPECT_TRUE(Step().finished);
  EXPECT_EQ(host.actions[0], "run " + RegSaveParkedCommand(kSys, R"(C:\Tools)", kNativeRepairKey));
  EXPECT_TRUE(host.files.contains(R"(C:\Tools\Windows.hiv)"));
  EXPECT_EQ(host.registry.at(kWindows), Repaired());
}

TEST_F(RepairStep2, WithoutTheHiveACopyStep1DidNotCheckIsNotTrusted) {
  host.files.erase(R"(C:\Tools\Windows.hiv)");
  host.registry[kParked].erase("Spooler");  // not what step 1 recorded
  const KeyContents parked = host.registry.at(kParked);
  EXPECT_FALSE(Step().finished);
  EXPECT_EQ(host.boxes.back().title, "Repair Stopped");
  EXPECT_NE(host.boxes.back().text.find("is not the copy Step 1 checked"), std::string::npos);
  EXPECT_EQ(host.registry.at(kParked), parked);
  EXPECT_FALSE(host.registry.contains(kWindows));
  EXPECT_FALSE(DidAny(host, "run "));
}

TEST_F(RepairStep2, WithoutRegExeNothingIsChangedAndTheStepStaysDue) {
  host.files.erase(kSys + "\\reg.exe");
  ExpectStillDue(Step());
  EXPECT_EQ(host.actions, Actions{"box Reg.exe"});
}

TEST_F(RepairStep2, WhenStep2IsDoneAlreadyItSaysSoAndChangesNothing) {
  host.registry.erase(kMarker);
  EXPECT_TRUE(Step().finished);
  EXPECT_EQ(host.actions, Actions{"box Step 2"});
  EXPECT_EQ(host.boxes[0], Step2DoneBox());
}

TEST_F(RepairStep2, AnEmptyValueRebuildsTheKeyAndMovesNothing) {
  Step2World run;
  const KeyContents empty = WindowsValues("");
  run.Park(kNativeRepairKey, empty);
  const Step2Outcome outcome = run.Step();
  EXPECT_TRUE(outcome.finished);
  EXPECT_EQ(outcome.app_init_value, "");
  EXPECT_EQ(run.host.registry.at(kWindows), empty);
  EXPECT_TRUE(run.host.boxes.empty());
  EXPECT_FALSE(DidAny(run.host, "status"));
}

TEST_F(RepairStep2, EveryDllOfTheListIsMovedAndThoseThatAreNotAreNamed) {
  const std::string in_use = R"(C:\WINDOWS\system32\inuse.dll)";
  const std::string too_long = R"(C:\)" + std::string(40000, 'x') + ".dll";
  Step2World run;
  run.Park(kNativeRepairKey,
           WindowsValues(kDll + "," + in_use + "  missing.dll " + too_long + R"( C:\WINDOWS\SYSTEM32\ABC.DLL)"));
  run.host.AddFile(in_use);
  run.host.stuck.insert(in_use);
  run.host.hidden.erase(kDll);
  ASSERT_TRUE(run.Step().finished);
  EXPECT_TRUE(run.host.files.contains(R"(C:\Tools\cws\abc.dll)"));
  EXPECT_TRUE(Did(run.host, "delete-at-restart SHORT:" + in_use));
  EXPECT_EQ(run.host.boxes.back(),
            NotMovedBox(R"(C:\Tools)", {in_use + ": in use or already in cws; Windows deletes it at its next start",
                                        "missing.dll: not found",
                                        too_long.substr(0, 80) + "...: too long to be a file path"}));
  EXPECT_EQ(std::count_if(run.host.boxes.begin(), run.host.boxes.end(),
                          [](const RepairBox& box) { return box.text.starts_with("Moving "); }),
            2);

  run.host.deletes_at_restart = false;
  run.Park(kNativeRepairKey, WindowsValues(in_use));
  run.host.registry[kMarker]["!HLX"] = Sz("ok");
  ASSERT_TRUE(run.Step().finished);
  EXPECT_EQ(run.host.boxes.back().text.substr(run.host.boxes.back().text.find("\r\n") + 2),
            in_use + ": not moved, and Windows refused to delete it at its next start");
}

TEST_F(RepairStep2, AFailureOfTheMoveKeepsTheButtonAndASecondClickOnlyFinishes) {
  for (const char* failing : {"create-folder", "move"}) {
    Step2World run;
    run.host.throw_in = failing;
    const Step2Outcome outcome = run.Step();
    EXPECT_FALSE(outcome.finished) << failing;
    EXPECT_EQ(run.host.boxes.back(), FileAccessErrorBox());
    EXPECT_EQ(run.host.registry.at(kParked), run.original);
    EXPECT_FALSE(DidAny(run.host, "status Completed"));

    // The key is back already: the second click neither restores it (which
    // would bring the DLL's name back) nor needs the hive.
    run.host.throw_in.clear();
    run.host.actions.clear();
    run.host.files.erase(R"(C:\Tools\Windows.hiv)");
    EXPECT_TRUE(run.Step().finished) << failing;
    EXPECT_FALSE(DidAny(run.host, "reg.exe")) << failing;
    EXPECT_EQ(run.host.registry.at(kWindows), run.Repaired());
    EXPECT_TRUE(run.host.files.contains(R"(C:\Tools\cws\abc.dll)"));
  }
}

TEST_F(RepairStep2, PathsWithoutAFolderOrADot) {
  Step2World run;
  run.Park(kNativeRepairKey, WindowsValues("abc.dll"));
  run.host.AddFile("abc.dll");
  run.Step();
  EXPECT_EQ(run.host.boxes[1].text, R"(Moving abc.dll to C:\Tools\cws as Backup)");
  EXPECT_TRUE(Did(run.host, R"(move abc.dll C:\Tools\cws\abc.dll)"));

  const std::string nodot = R"(C:\WINDOWS\system32\nodot)";
  Step2World other;
  other.Park(kNativeRepairKey, WindowsValues(nodot));
  other.host.AddFile(nodot);
  other.Step();
  EXPECT_EQ(other.host.boxes[1].text, R"(Moving  to C:\Tools\cws as Backup)");
  EXPECT_TRUE(Did(other.host, "delete-at-restart SHORT:" + nodot));
}

TEST_F(RepairStep2, The32BitKeyStep1ParkedIsPutBackAndItsDllsMoved) {
  const std::string dll32 = R"(C:\WINDOWS\SysWOW64\abc32.dll)";
  const KeyContents wow = {{"AppInit_DLLs", Sz(dll32)}, {"Spooler", Sz("yes")}};
  Park(kWow64RepairKey, wow);
  host.AddFile(dll32);
  ASSERT_TRUE(Step().finished);
  EXPECT_EQ(host.boxes[1], AppInitBox(dll32, kWow64RepairKey));
  EXPECT_EQ(host.registry.at(kWow), (KeyContents{{"AppInit_DLLs", Sz("")}, {"Spooler", Sz("yes")}}));
  EXPECT_EQ(host.registry.size(), 2u);  // both keys back, no copy, no marker
  EXPECT_TRUE(host.files.contains(R"(C:\Tools\cws\abc32.dll)"));

  // A 32-bit copy the marker does not name is not this repair's: left alone.
  Step2World unnamed;
  unnamed.host.registry[kWowParked] = wow;
  ASSERT_TRUE(unnamed.Step().finished);
  EXPECT_EQ(unnamed.host.registry.at(kWowParked), wow);
}

}  // namespace
}  // namespace quarvel
