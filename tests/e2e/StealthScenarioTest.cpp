// The reason the program exists: files a program inside it hides from the Win32
// search are still found, because the lister reads the NT directory query in a
// process of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../platform/TempFolder.h"
#include "UiDriver.h"
#include "app/ControlIds.h"
#include "core/ListingFormat.h"

namespace quarvel::testing {
namespace {

using namespace app;
using Items = std::vector<std::string>;

Items Sorted(Items items) {
  std::sort(items.begin(), items.end());
  return items;
}

TEST(StealthScenario, FilesHiddenFromTheSearchInsideTheProgramAreListedAsUnseen) {
  TempFolder work, scan;
  scan.MakeFile("VISIBLE.DLL", "1");
  scan.MakeFile("QVHIDE1.DLL", "4444");  // normal attributes: only the hider hides it
  scan.MakeFolder("SUB");
  scan.MakeFile("SUB\\OTHER.DLL", "22");
  scan.MakeFile("SUB\\QVHIDE2.DLL", "55555");

  AppSession app(NextToThisProgram("..\\bin\\quarvel.exe"), work.Path());
  ASSERT_TRUE(app.InjectLibrary(NextToThisProgram("hider.dll")));
  app.Type(kPathTxt, scan.Path());
  app.Click(kChkSubDir);
  ASSERT_TRUE(WaitUntil([&] { return app.Checked(kChkSubDir); }));
  app.Click(kCmdLocate);
  ASSERT_TRUE(WaitUntil([&] { return app.Enabled(kCmdScan); }));
  app.Click(kCmdScan);
  ASSERT_TRUE(WaitUntil([&] { return app.Text(kLblInfo) == "Completed"; }));

  const std::string top = FolderHeadingLine(scan.Path());
  const std::string sub = FolderHeadingLine(scan / "SUB");
  EXPECT_EQ(Sorted(app.ListItems(kList1)), Sorted({top + FileLine("QVHIDE1.DLL", 4), sub + FileLine("QVHIDE2.DLL", 5)}));
  EXPECT_EQ(Sorted(app.ListItems(kList2)), Sorted({top, top + "VISIBLE.DLL", sub, sub + "OTHER.DLL"}));

  // A second look through the same hooked search finds nothing: the entry stays.
  const Items before = app.ListItems(kList1);
  app.ClickListItem(kList1, 0);
  app.Command(kMnuRescan);
  const auto box = WaitForMessageBox(kAppTitle);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "0 files with a filesize of 0 bytes were found ");
  PressButton(*box, IDOK);
  EXPECT_TRUE(WaitUntil([&] {
    return app.Text(kLblInfo) == "0 file(s) from using Rescan were found and Removed from the List";
  }));
  EXPECT_EQ(app.ListItems(kList1), before);
}

}  // namespace
}  // namespace quarvel::testing
