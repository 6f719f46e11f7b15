#include "core/RepairSteps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "core/RepairText.h"
#include "core/Sha256.h"
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

std::string Digest(const KeyContents& values) { return ContentsDigest(KeyTree{values, {}, ""}); }

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
    EXPECT_FALSE(Did(host, "delete-tree " + kWindows));
    // A parked copy this run made is gone again: nothing offers step 2 for it.
    EXPECT_FALSE(host.registry.contains(kParked));
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
      R"(hold C:\Tools\Windows.hiv)",
      "status! Writing new Registry info.....",
      "create-key " + kParked,
      "run " + RegRestoreParkedCommand(kSys, kNativeRepairKey),
      "protect " + kParked,
      "delete-tree " + kMarker,
      "create-key " + kMarker,
      "protect " + kMarker,
      "write " + kMarker + " Windows!=" + Digest(original),
      "write " + kMarker + " Windows! hive SHA-256=" + Sha256Hex(host.Bytes(R"(C:\Tools\Windows.hiv)")),
      "write " + kMarker + " Windows! access=" + kUsersMayRead,
      "write " + kMarker + " Step 1 boot=" + std::to_string(*host.boot_time),
      "write " + kMarker + " !HLX=ok",
      "delete-tree " + kWindows,
      "status! Completed Writing new Registry info",
      "box Reboot",
      "status! Restarting Windows...",
      "restart force",
  };
  EXPECT_EQ(host.actions, expected);
  EXPECT_EQ(host.boxes.back(), RebootBox());
  EXPECT_FALSE(host.registry.contains(kWindows));
  EXPECT_EQ(host.registry.at(kParked), original);
  EXPECT_EQ(host.security.at(kParked), kAdministratorsAndSystemOnly);
  EXPECT_EQ(host.security.at(kMarker), kAdministratorsAndSystemOnly);
  EXPECT_TRUE(host.held.empty());
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
    EXPECT_FALSE(DidAny(run.host, "hold")) << "an empty hive is not read";
  }
}

TEST_F(RepairStep1, ACopyThatDoesNotHoldEveryValueKeepsTheKeyAndWritesNoMarker) {
  host.restores = false;  // reg.exe restore failed, or reported success and restored nothing
  host.answers = {BoxAnswer::kYes};
  Step();
  ASSERT_EQ(host.boxes.back().title, "Repair Stopped");
  EXPECT_EQ(host.boxes.back(),
            RepairStoppedBox(CopyIncompleteText(kParked, kWindows) + " " + CopiesRemovedText({&kNativeRepairKey}, {}),
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
    run.host.registry[kMarker] = {{"!HLX", Sz(marker)}, {"WOW6432Node Windows!", Sz("00")}};
    run.host.answers = {BoxAnswer::kYes};
    run.Step();
    EXPECT_EQ(run.host.actions[0], "box Delete File") << marker;
    const KeyContents& marked = run.host.registry.at(kMarker);
    EXPECT_EQ(marked.size(), 5u) << marker;
    EXPECT_EQ(marked.at("!HLX"), Sz("ok"));
    EXPECT_EQ(marked.at("Windows!"), Sz(Digest(run.original)));
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
  EXPECT_EQ(host.ReadText(kMarker, "WOW6432Node Windows!"), Digest(wow));
  EXPECT_EQ(host.actions.back(), "restart force");

  // Expandable, or of a type step 2 reports: taken along too.
  for (const StoredValue& value : {ExpandSz(R"(%SystemRoot%\SysWOW64\abc32.dll)"), StoredValue{3, "\x01"}}) {
    Step1World other;
    other.host.registry[kWow] = {{"AppInit_DLLs", value}};
    other.host.answers = {BoxAnswer::kYes};
    other.Step();
    EXPECT_EQ(other.host.registry.at(kWowParked), (KeyContents{{"AppInit_DLLs", value}})) << value.type;
  }

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
    // Step 1 ran an hour before this boot.
    host.registry[kMarker]["Step 1 boot"] = Sz(std::to_string(*host.boot_time - 36'000'000'000LL));
    host.AddFile(kDll);
    host.hidden.insert(kDll);
    host.AddFile(kSys + "\\reg.exe");
  }
  void Park(const RepairKey& key, const KeyContents& values) {
    const std::string hive = std::string(R"(C:\Tools)") + key.hive_file;
    host.hives[hive] = KeyTree{values, {}, ""};
    host.AddFile(hive, 4096);
    host.registry[key.parked] = values;
    host.security[key.parked] = kAdministratorsAndSystemOnly;
    host.registry[kMarker][key.marker_value] = Sz(Digest(values));
    host.registry[kMarker][HiveDigestValue(key)] = Sz(Sha256Hex(host.Bytes(hive)));
    host.registry[kMarker][AccessValue(key)] = Sz(kUsersMayRead);
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
      R"(hold C:\Tools\Windows.hiv)",
      "create-key " + kWindows,
      "run " + RegRestoreWindowsCommand(kSys, R"(C:\Tools)", kNativeRepairKey),
      "box AppInit_DLLs",
      "write " + kWindows + " AppInit_DLLs= type 1",
      "run " + IcaclsCommand(kSys, kDll),
      "attributes " + kDll,
      R"(create-folder C:\Tools C:\Tools\cws)",
      R"(hold-folder C:\Tools\cws)",
      "box ",
      "move " + kDll + R"( C:\Tools\cws\abc.dll)",
      "delete-tree " + kParked,
      "delete-tree " + kMarker,
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
  EXPECT_EQ(host.actions, Actions{"delete-tree " + kMarker});
  EXPECT_EQ(host.registry.at(kWindows), Repaired());
}

// Step 2 puts back only what step 1 wrote and checked: a hive whose SHA-256
// is not the marker's (gone, empty, an earlier repair's, or replaced by anyone
// who can write the folder) is not restored; the checked parked copy is copied
// instead, and a box says so.
TEST_F(RepairStep2, AHiveThatIsNotTheOneStep1WroteIsNotRestored) {
  const std::string hive = R"(C:\Tools\Windows.hiv)";
  const KeyContents evil = {{"AppInit_DLLs", Sz(R"(C:\QACC\DLL\evil.dll)")}, {"Other", Sz("x")}};
  struct Case {
    const char* what;
    std::function<void(FakeRepairHost&)> change;
  };
  const Case cases[] = {
      {"missing", [&](FakeRepairHost& h) { h.files.erase(hive), h.hives.erase(hive); }},
      {"replaced", [&](FakeRepairHost& h) { h.hives[hive] = KeyTree{evil, {}, ""}; }},
      {"empty", [&](FakeRepairHost& h) { h.files[hive] = 0, h.hives.erase(hive); }},
      {"a folder", [&](FakeRepairHost& h) { h.files.erase(hive), h.hives.erase(hive), h.folders.insert(hive); }},
  };
  for (const Case& c : cases) {
    Step2World run;
    c.change(run.host);
    const Step2Outcome outcome = run.Step();
    EXPECT_TRUE(outcome.finished) << c.what;
    EXPECT_FALSE(DidAny(run.host, "reg.exe restore")) << c.what;
    EXPECT_TRUE(Did(run.host, "copy-tree " + kParked + " " + kWindows)) << c.what;
    EXPECT_EQ(run.host.registry.at(kWindows), run.Repaired()) << c.what;
    EXPECT_EQ(outcome.app_init_value, " " + kDll + " ") << c.what;
    EXPECT_EQ(run.host.boxes.at(0), BackupChangedBox({HiveChangedText(hive, kNativeRepairKey)})) << c.what;
    EXPECT_TRUE(run.host.files.contains(R"(C:\Tools\cws\abc.dll)")) << c.what;
    EXPECT_FALSE(run.host.registry.contains(kParked)) << c.what;
  }
  // The empty one is a broken backup: renamed aside, not left to be taken for one.
  Step2World empty;
  empty.host.files[hive] = 0;
  empty.Step();
  EXPECT_TRUE(Did(empty.host, R"(rename C:\Tools\Windows.hiv C:\Tools\Windows.1.hiv)"));

  // A copy that fails, or that does not make the key what step 1 found, deletes nothing.
  Step2World refused;
  refused.host.files.erase(hive);
  refused.host.failing["copy " + kWindows] = 5;
  refused.ExpectStillDue(refused.Step());
  EXPECT_EQ(refused.host.boxes.back().title, "Repair Stopped");
  EXPECT_NE(refused.host.boxes.back().text.find("failed with error 5."), std::string::npos);
  Step2World unlike;
  unlike.host.files.erase(hive);
  unlike.host.registry[kMarker]["Windows! access"] = Sz("D:(A;;KA;;;SY)");
  unlike.host.failing["secure " + kWindows] = 5;
  unlike.ExpectStillDue(unlike.Step());
  EXPECT_NE(unlike.host.boxes.back().text.find("Setting the access list of"), std::string::npos);
}

TEST_F(RepairStep2, AParkedCopyThatIsNotTheOneStep1CheckedIsNeitherUsedNorBelieved) {
  // Changed since step 1: its AppInit_DLLs names another DLL.
  const std::string other = R"(C:\WINDOWS\system32\other.dll)";
  host.registry[kParked]["AppInit_DLLs"] = Sz(other);
  host.AddFile(other);
  const Step2Outcome outcome = Step();
  EXPECT_TRUE(outcome.finished);
  EXPECT_TRUE(Did(host, "run " + RegRestoreWindowsCommand(kSys, R"(C:\Tools)", kNativeRepairKey)));
  EXPECT_FALSE(DidAny(host, "copy-tree"));
  EXPECT_EQ(host.boxes.at(0), BackupChangedBox({ParkedChangedText(R"(C:\Tools\Windows.hiv)", kNativeRepairKey)}));
  // The DLL comes from the key as restored and checked, not from the changed copy.
  EXPECT_EQ(outcome.app_init_value, " " + kDll + " ");
  EXPECT_TRUE(host.files.contains(R"(C:\Tools\cws\abc.dll)"));
  EXPECT_TRUE(host.files.contains(other));
  EXPECT_EQ(host.registry.at(kWindows), Repaired());
}

TEST_F(RepairStep2, WhenNeitherBackupIsWhatStep1CheckedNothingIsChanged) {
  host.hives[R"(C:\Tools\Windows.hiv)"].values.erase("Spooler");
  host.registry[kParked].erase("Spooler");
  const KeyContents parked = host.registry.at(kParked);
  const Step2Outcome outcome = Step();
  EXPECT_FALSE(outcome.finished);
  EXPECT_EQ(host.boxes.back(),
            RepairStoppedBox(NothingTrustedText(R"(C:\Tools\Windows.hiv)", kNativeRepairKey),
                             KeptText({&kNativeRepairKey}, R"(C:\Tools)", KeptIn::kUntrusted)));
  EXPECT_EQ(host.registry.at(kParked), parked);
  EXPECT_FALSE(host.registry.contains(kWindows));
  EXPECT_FALSE(DidAny(host, "run "));
  EXPECT_FALSE(DidAny(host, "create-key"));
  EXPECT_TRUE(IsStep1Done(host.ReadText(kMarker, "!HLX")));
}

TEST_F(RepairStep2, TheHiveIsHeldFromItsCheckUntilTheStepEnds) {
  host.throw_in = "move";  // the step ends at the move: the hive is let go all the same
  Step();
  const auto hold = std::find(host.actions.begin(), host.actions.end(), R"(hold C:\Tools\Windows.hiv)");
  const auto restore = std::find(host.actions.begin(), host.actions.end(),
                                 "run " + RegRestoreWindowsCommand(kSys, R"(C:\Tools)", kNativeRepairKey));
  EXPECT_LT(hold, restore);
  EXPECT_TRUE(host.held.empty());
}

TEST_F(RepairStep2, TheKeysAccessListAndSubkeysComeBackAsStep1FoundThem) {
  Step2World run;
  const KeyTree tree{run.original, {{"Sub", KeyTree{{{"v", Sz("1")}}, {{"Deeper", KeyTree{{{"w", Sz("2")}}, {}, ""}}}, ""}}},
                     "D:(A;;KA;;;SY)"};
  const std::string hive = R"(C:\Tools\Windows.hiv)";
  run.host.hives[hive] = tree;
  run.host.Plant(kParked, tree);
  run.host.registry[kMarker]["Windows!"] = Sz(ContentsDigest(tree));
  run.host.registry[kMarker]["Windows! hive SHA-256"] = Sz(Sha256Hex(run.host.Bytes(hive)));
  run.host.registry[kMarker]["Windows! access"] = Sz("D:(A;;KA;;;SY)");
  ASSERT_TRUE(run.Step().finished);
  EXPECT_TRUE(Did(run.host, "secure " + kWindows + " D:(A;;KA;;;SY)"));
  EXPECT_EQ(run.host.registry.at(kWindows + R"(\Sub\Deeper)"), (KeyContents{{"w", Sz("2")}}));
  EXPECT_FALSE(run.host.registry.contains(kParked + R"(\Sub)"));

  // A subkey the restore did not bring back is a copy that is not whole.
  Step2World short_one;
  short_one.host.hives[hive] = KeyTree{short_one.original, {}, ""};
  short_one.host.Plant(kParked, tree);
  short_one.host.registry[kMarker]["Windows!"] = Sz(ContentsDigest(tree));
  short_one.host.registry[kMarker]["Windows! hive SHA-256"] = Sz(Sha256Hex(short_one.host.Bytes(hive)));
  EXPECT_FALSE(short_one.Step().finished);
  EXPECT_EQ(short_one.host.boxes.back().title, "Repair Stopped");
  EXPECT_TRUE(short_one.host.registry.contains(kParked + R"(\Sub\Deeper)"));
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

namespace quarvel {
namespace {

TEST_F(RepairStep1, AKeyWithSubkeysIsParkedAndRemovedWithThemAll) {
  host.registry[kWindows + R"(\Sub)"] = {{"v", Sz("1")}};
  host.registry[kWindows + R"(\Sub\Deeper)"] = {{"w", Sz("2")}};
  host.answers = {BoxAnswer::kYes};
  Step();
  EXPECT_EQ(host.actions.back(), "restart force");
  EXPECT_EQ(host.registry.at(kParked + R"(\Sub\Deeper)"), (KeyContents{{"w", Sz("2")}}));
  EXPECT_EQ(host.security.at(kParked + R"(\Sub\Deeper)"), kAdministratorsAndSystemOnly);
  EXPECT_FALSE(host.registry.contains(kWindows));
  EXPECT_FALSE(host.registry.contains(kWindows + R"(\Sub)"));

}

TEST_F(RepairStep1, EveryToolRunsWithATimeOutAndAFailedOneIsNamed) {
  host.tool_results["reg.exe save"] = {true, 0, true, 1};
  host.answers = {BoxAnswer::kYes};
  Step();
  EXPECT_EQ(host.boxes.back(),
            BackupNotWrittenBox(R"(C:\Tools\Windows.hiv)",
                                "reg.exe save did not end within 120 seconds and was stopped."));
  EXPECT_EQ(host.timeouts.at("regedit.exe /e"), 120u);
  EXPECT_EQ(host.timeouts.at("reg.exe save"), 120u);
  ExpectUntouched();

  // A text export that did not end well is said, and the step goes on.
  Step1World exported;
  exported.host.tool_results["regedit.exe /e"] = {false, 2, false, 0};
  exported.host.answers = {BoxAnswer::kYes};
  exported.Step();
  EXPECT_EQ(exported.host.boxes.at(1),
            ExportFailedBox(R"(C:\Tools\windows.reg)", "regedit.exe could not be started (error 2)."));
  EXPECT_EQ(exported.host.actions.back(), "restart force");

  Step1World run;
  run.host.tool_results["reg.exe restore"] = {true, 0, false, 1};
  run.host.answers = {BoxAnswer::kYes};
  run.Step();
  EXPECT_NE(run.host.boxes.back().text.find("reg.exe restore ended with exit code 1."), std::string::npos);
  run.ExpectUntouched();
}

// A partial step 1 (parked copy made, marker not written) removes the copy it
// made and says so, or says why it could not.
TEST_F(RepairStep1, APartialRunRemovesTheCopyItMadeAndSaysSo) {
  for (const std::string& call : {"protect " + kParked, "protect " + kMarker, "write " + kMarker}) {
    Step1World run;
    run.host.failing[call] = 5;
    run.host.answers = {BoxAnswer::kYes};
    run.Step();
    EXPECT_NE(run.host.boxes.back().text.find(CopiesRemovedText({&kNativeRepairKey}, {})), std::string::npos) << call;
    EXPECT_FALSE(run.host.registry.contains(kMarker)) << call;
    run.ExpectUntouched();
  }
  host.failing["write " + kMarker] = 5;
  host.failing["delete " + kParked] = 5;
  host.answers = {BoxAnswer::kYes};
  Step();
  EXPECT_NE(host.boxes.back().text.find(RegistryFailureText("Removing the parked copy", kParked, 5)),
            std::string::npos);
}

TEST_F(RepairStep2, ItWaitsForARestartAfterStep1) {
  struct Case {
    const char* what;
    std::optional<long long> recorded_offset;  // step 1's boot time against this boot's
    bool known_now;
    bool runs;
  };
  const Case cases[] = {
      {"same boot", 0, true, false},
      {"same boot, clock set 4 s on", -40'000'000, true, false},
      {"an hour earlier", -36'000'000'000LL, true, true},
      {"no boot time recorded", std::nullopt, true, true},
      {"this boot's time unknown", 0, false, true},
  };
  for (const Case& c : cases) {
    Step2World run;
    run.host.registry[kMarker].erase("Step 1 boot");
    if (c.recorded_offset) {
      run.host.registry[kMarker]["Step 1 boot"] = Sz(std::to_string(*run.host.boot_time + *c.recorded_offset));
    }
    if (!c.known_now) run.host.boot_time.reset();
    const Step2Outcome outcome = run.Step();
    EXPECT_EQ(outcome.finished, c.runs) << c.what;
    if (!c.runs) {
      EXPECT_EQ(run.host.actions, Actions{"box Step 2"}) << c.what;
      EXPECT_EQ(run.host.boxes[0], RestartFirstBox(R"(C:\Tools)")) << c.what;
      EXPECT_TRUE(run.host.files.contains(kDll)) << c.what;
    }
  }
}

TEST_F(RepairStep2, AKeyAnotherCopyRemovedFirstIsNoFailure) {
  host.failing["delete " + kParked] = 2;
  host.failing["delete " + kMarker] = 2;
  EXPECT_TRUE(Step().finished);
  EXPECT_FALSE(DidAny(host, "box Repair Stopped"));
}

// What the value names is handled as Windows would load it, one row per case.
TEST_F(RepairStep2, OnlyWhatTheValueNamesIsActedOn) {
  const std::string sys = R"(C:\WINDOWS\system32\)";
  const std::string wow = R"(C:\WINDOWS\SysWOW64\)";
  struct Case {
    const char* what;
    StoredValue value;
    std::optional<StoredValue> value32;
    std::vector<std::string> files;
    std::vector<std::string> moved;      // files now in cws
    std::vector<std::string> not_moved;  // the lines of the "Not Moved" box
    std::string written;                 // the write that empties AppInit_DLLs ("" for none)
    std::vector<std::string> folders = {};
    std::vector<std::string> stuck = {};
    std::vector<std::string> kept = {};  // files left where they are
  };
  const Case cases[] = {
      {"REG_EXPAND_SZ", ExpandSz(R"(%SystemRoot%\system32\abc.dll)"), std::nullopt, {sys + "abc.dll"},
       {"abc.dll"}, {}, "AppInit_DLLs= type 2"},
      {"a folder", Sz(sys + "drivers"), std::nullopt, {}, {},
       {sys + "drivers: a folder, not a file; left where it is"}, "AppInit_DLLs= type 1", {sys + "drivers"}},
      {"REG_MULTI_SZ", StoredValue{7, WideData(sys + "abc.dll") + WideData("")}, std::nullopt, {sys + "abc.dll"}, {},
       {"AppInit_DLLs is of type 7, not text: left as it is, nothing moved"}, ""},
      {"no short name", Sz(sys + "inuse.dll"), std::nullopt, {sys + "inuse.dll"}, {},
       {sys + "inuse.dll: in use or already in cws; Windows deletes it at its next start"}, "AppInit_DLLs= type 1",
       {}, {sys + "inuse.dll"}},
      {"32-bit programs' System32", Sz(""), Sz(R"(C:\WINDOWS\System32\abc32.dll)"), {wow + "abc32.dll",
       sys + "abc32.dll"}, {"abc32.dll"}, {}, "", {}, {}, {sys + "abc32.dll"}},
      {"the same text in both lists", Sz(sys + "abc.dll," + sys + "ABC.DLL"), Sz(sys + "abc.dll"),
       {sys + "abc.dll", wow + "abc.dll"}, {"abc.dll"},
       {wow + "abc.dll: in use or already in cws; Windows deletes it at its next start"}, "AppInit_DLLs= type 1"},
  };
  for (const Case& c : cases) {
    Step2World run;
    KeyContents values = run.original;
    values["AppInit_DLLs"] = c.value;
    run.Park(kNativeRepairKey, values);
    if (c.value32) run.Park(kWow64RepairKey, {{"AppInit_DLLs", *c.value32}});
    run.host.files.erase(kDll);
    for (const std::string& file : c.files) run.host.AddFile(file);
    for (const std::string& folder : c.folders) run.host.folders.insert(folder);
    for (const std::string& file : c.stuck) run.host.stuck.insert(file), run.host.no_short_name.insert(file);
    ASSERT_TRUE(run.Step().finished) << c.what;
    for (const std::string& name : c.moved) EXPECT_TRUE(run.host.files.contains(R"(C:\Tools\cws\)" + name)) << c.what;
    std::vector<std::string> lines;
    if (!run.host.boxes.empty() && run.host.boxes.back().title == "Not Moved") {
      const std::string& text = run.host.boxes.back().text;
      for (auto at = text.find("\r\n"); at != std::string::npos;) {
        const auto next = text.find("\r\n", at + 2);
        lines.push_back(text.substr(at + 2, next == std::string::npos ? next : next - at - 2));
        at = next;
      }
    }
    EXPECT_EQ(lines, c.not_moved) << c.what;
    EXPECT_EQ(DidAny(run.host, "write " + kWindows + " "), !c.written.empty()) << c.what;
    if (!c.written.empty()) {
      EXPECT_TRUE(Did(run.host, "write " + kWindows + " " + c.written)) << c.what;
    }
    for (const std::string& folder : c.folders) {
      EXPECT_FALSE(DidAny(run.host, "move " + folder)) << c.what;
      EXPECT_FALSE(DidAny(run.host, "delete-at-restart " + folder)) << c.what;
      EXPECT_FALSE(DidAny(run.host, "attributes " + folder)) << c.what;
    }
    for (const std::string& file : c.kept) EXPECT_TRUE(run.host.files.contains(file)) << c.what;
    for (const std::string& file : c.stuck) EXPECT_TRUE(Did(run.host, "delete-at-restart " + file)) << c.what;
  }
}

// Elevated in a folder others can write: the runas relaunch would start
// whatever they put there with an administrator's rights.
TEST_F(RepairStep1, ItDoesNotStartItselfElevatedFromAFolderOthersCanChange) {
  for (const std::string& writable : {std::string(R"(C:\Tools)"), std::string(R"(C:\Tools\quarvel.exe)")}) {
    Step1World run;
    run.host.elevated = false;
    run.host.writable_by_others.insert(writable);
    run.host.answers = {BoxAnswer::kYes};
    run.Step();
    EXPECT_EQ(run.host.actions, Actions{"box Administrator Rights"}) << writable;
    EXPECT_EQ(run.host.boxes[0], UnsafeProgramFolderBox(R"(C:\Tools\quarvel.exe)", "type !HLX into the folder box"))
        << writable;
    run.ExpectUntouched();
  }
}

TEST_F(RepairStep2, TheBackupFolderIsNeverALinkAndIsHeldWhileDllsMoveIn) {
  // A junction someone made in the current folder, pointing anywhere.
  host.links.insert(R"(C:\Tools\cws)");
  ASSERT_TRUE(Step().finished);
  EXPECT_TRUE(Did(host, R"(rename C:\Tools\cws C:\Tools\cws.1)"));
  EXPECT_TRUE(host.links.contains(R"(C:\Tools\cws.1)"));
  EXPECT_TRUE(host.folders.contains(R"(C:\Tools\cws)"));
  EXPECT_TRUE(host.files.contains(R"(C:\Tools\cws\abc.dll)"));
  const auto hold = std::find(host.actions.begin(), host.actions.end(), R"(hold-folder C:\Tools\cws)");
  const auto move = std::find(host.actions.begin(), host.actions.end(), "move " + kDll + R"( C:\Tools\cws\abc.dll)");
  EXPECT_LT(hold, move);

  // Not a folder of its own (here a file of that name): nothing moves into it.
  Step2World run;
  run.host.AddFile(R"(C:\Tools\cws)");
  ASSERT_TRUE(run.Step().finished);
  EXPECT_FALSE(DidAny(run.host, "move "));
  EXPECT_TRUE(run.host.files.contains(kDll));
  EXPECT_EQ(run.host.boxes.back(),
            NotMovedBox(R"(C:\Tools)", {kDll + R"(: C:\Tools\cws is a link or junction, or not a folder of its own; )"
                                               "nothing is moved into it"}));
}

}  // namespace
}  // namespace quarvel
