// drive-scan <quarvel.exe> <work folder> <screenshot.bmp>
// Starts Quarvel, runs the default scan (the system folder, "*.dll") through its
// window as a user would, prints what it found and saves a screenshot.
#include <cstdio>
#include <string>
#include <exception>

#include "tests/support/UiDriver.h"
#include "app/ControlIds.h"

int main(int argc, char** argv) {
  using namespace quarvel;
  using namespace quarvel::testing;
  if (argc != 4) {
    std::fprintf(stderr, "usage: drive-scan <quarvel.exe> <work folder> <screenshot.bmp>\n");
    return 2;
  }
  try {
    AppSession app(argv[1], argv[2]);
    std::printf("Folder: %s   Filter: %s\n", app.Text(app::kPathTxt).c_str(), app.Text(app::kComboExt).c_str());
    app.Click(app::kCmdLocate);
    if (!WaitUntil([&] { return app.Enabled(app::kCmdScan); }, 120s)) throw std::runtime_error("the lister did not finish");
    app.Click(app::kCmdScan);
    if (!WaitUntil([&] { return app.Text(app::kLblInfo) == "Completed"; }, 300s)) {
      throw std::runtime_error("the comparison did not finish");
    }
    const auto unseen = app.ListItems(app::kList1);
    std::printf("\nNot seen by Windows (List1): %zu\n", unseen.size());
    for (const auto& item : unseen) std::printf("  %s\n", item.c_str());
    std::printf("\nSeen by Windows (List2): %d entries\n", app.ListCount(app::kList2));
    std::string summary = app.Text(app::kLblSize);
    for (auto at = summary.find("\r\n"); at != std::string::npos; at = summary.find("\r\n", at)) {
      summary.replace(at, 2, "\n  ");
    }
    std::printf("\nSummary (LblSize):\n  %s\n", summary.c_str());
    if (!app.Screenshot(argv[3])) std::fprintf(stderr, "the screenshot could not be saved\n");
    return 0;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "drive-scan: %s\n", failure.what());
    return 1;
  }
}
