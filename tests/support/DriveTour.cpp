// drive-tour <quarvel.exe> <work folder> <scan folder> <output folder>
// Scans a small prepared folder through the window, then takes the README's
// screenshots: the details tip over List2 and the context menu of List1.
#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>

#include "tests/support/UiDriver.h"
#include "app/ControlIds.h"

namespace {

void MakeFile(const std::string& path, const std::string& content, DWORD attributes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quarvel;
  using namespace quarvel::testing;
  if (argc != 5) {
    std::fprintf(stderr, "usage: drive-tour <quarvel.exe> <work folder> <scan folder> <output folder>\n");
    return 2;
  }
  const std::string scan = argv[3];
  const std::string out = argv[4];
  try {
    CreateDirectoryA(scan.c_str(), nullptr);
    MakeFile(scan + "\\visible.dll", std::string(24576, 'v'), FILE_ATTRIBUTE_NORMAL);
    MakeFile(scan + "\\Shared Helper Library.dll", std::string(4096, 's'), FILE_ATTRIBUTE_READONLY);
    MakeFile(scan + "\\cwsvc32.dll", std::string(53248, 'h'), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    MakeFile(scan + "\\Hidden Service Hook.dll", std::string(8192, 'k'), FILE_ATTRIBUTE_HIDDEN);

    AppSession app(argv[1], argv[2]);
    app.Type(app::kPathTxt, scan);
    app.Click(app::kCmdLocate);
    if (!WaitUntil([&] { return app.Enabled(app::kCmdScan); })) throw std::runtime_error("the lister did not finish");
    app.Click(app::kCmdScan);
    if (!WaitUntil([&] { return app.Text(app::kLblInfo) == "Completed"; })) throw std::runtime_error("no compare");

    app.ClickListItem(app::kList2, 2);
    Sleep(500);
    app.Hover(app::kList2);
    WaitUntil([] {
      HWND tip = nullptr;
      while ((tip = FindWindowExA(nullptr, tip, "tooltips_class32", nullptr)) != nullptr) {
        if (IsWindowVisible(tip)) return true;
      }
      return false;
    }, 10s);
    Sleep(300);
    app.Screenshot(out + "\\details-tip.bmp", 200);
    SetCursorPos(0, 0);
    Sleep(300);

    app.ClickListItem(app::kList1, 0);
    RECT list;
    GetWindowRect(app.Control(app::kList1), &list);
    SetCursorPos(list.left + 120, list.top + 10);
    app.ClickListItem(app::kList1, 0, WM_RBUTTONDOWN);
    WaitUntil([] {
      HWND menu = FindWindowA("#32768", nullptr);
      return menu != nullptr && IsWindowVisible(menu);
    }, 10s);
    Sleep(300);
    app.Screenshot(out + "\\context-menu.bmp", 200);
    app.ClosePopupMenu();
    std::printf("screenshots written to %s\n", out.c_str());
    return 0;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "drive-tour: %s\n", failure.what());
    return 1;
  }
}
