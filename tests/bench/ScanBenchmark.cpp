// scan-benchmark <quarvel.exe> <scratch folder> [folders files_per_folder]
// Generates a tree (5 % hidden, a third long names with blanks), then prints from
// one run: a plain FindFirstFileA enumeration of the tree, the lister's time
// (click to "Compare" enabled) and the compare time (click to "Completed")
// through the real window, how fast the window answered during the compare, and
// on a smaller tree the literal per-line, per-candidate behaviour for reference.
#include <windows.h>

#include <shlwapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "../e2e/UiDriver.h"
#include "app/ControlIds.h"
#include "core/LineSplitter.h"
#include "core/ListingReader.h"
#include "platform/LaunchAppSync.h"
#include "platform/MessagePump.h"
#include "platform/ResourceFile.h"
#include "platform/modVBFileDisk.h"

namespace {

using namespace quarvel;
using namespace quarvel::testing;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void MakeTree(const std::string& root, int folders, int files) {
  CreateDirectoryA(root.c_str(), nullptr);
  for (int f = 0; f < folders; ++f) {
    const std::string folder = root + "\\DIR" + std::to_string(f);
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < files; ++i) {
      const std::string name = i % 3 == 0 ? "A Long File Name " + std::to_string(i) + ".dat" : "F" + std::to_string(i) + ".DAT";
      const DWORD attributes = i % 20 == 0 ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL;
      HANDLE h = CreateFileA((folder + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
      CloseHandle(h);
    }
  }
}

long long Enumerate(const std::string& folder) {
  long long count = 0;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return 0;
  std::vector<std::string> subfolders;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    ++count;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) subfolders.push_back(name);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  for (const auto& sub : subfolders) count += Enumerate(folder + "\\" + sub);
  return count;
}

struct WindowTimes {
  double lister_ms = 0, compare_ms = 0, worst_answer_ms = 0;
  int list1 = 0, list2 = 0;
};

WindowTimes TimeThroughWindow(const std::string& exe, const std::string& work, const std::string& tree) {
  CreateDirectoryA(work.c_str(), nullptr);
  AppSession app(exe, work);
  app.Type(app::kPathTxt, tree);
  app.Type(app::kComboExt, "*.*");
  app.Click(app::kChkSubDir);
  WaitUntil([&] { return app.Checked(app::kChkSubDir); });
  WindowTimes times;
  auto start = Clock::now();
  app.Click(app::kCmdLocate);
  WaitUntil([&] { return app.Enabled(app::kCmdScan); }, 600s);
  times.lister_ms = Ms(Clock::now() - start);

  start = Clock::now();
  app.Click(app::kCmdScan);
  // Each probe is a message the window must answer while it compares.
  WaitUntil([&] {
    const auto asked = Clock::now();
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(app.Main(), WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
    times.worst_answer_ms = std::max(times.worst_answer_ms, Ms(Clock::now() - asked));
    return app.Text(app::kLblInfo) == "Completed";
  }, 600s);
  times.compare_ms = Ms(Clock::now() - start);
  times.list1 = app.ListCount(app::kList1);
  times.list2 = app.ListCount(app::kList2);
  return times;
}

// The comparison as first written: one repaint and one pass of the message loop
// per line, one search per candidate, one visible list item added at a time.
double LiteralCompare(const std::string& work, const std::string& tree) {
  SetCurrentDirectoryA(work.c_str());
  win::LoadDataIntoFile(win::kListerResourceId, work + "\\locate.com");
  win::RunAndWait(work + "\\locate.com \"" + tree + "\\*.*\">dll.txt");
  HWND window = CreateWindowA("STATIC", "reference", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
  HWND label = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 600, 20, window, nullptr, nullptr, nullptr);
  HWND list1 = CreateWindowA("LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 20, 600, 180, window, nullptr, nullptr, nullptr);
  HWND list2 = CreateWindowA("LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 200, 600, 180, window, nullptr, nullptr, nullptr);
  ListingReader reader([](const std::string& t) { return PathIsDirectoryA(t.c_str()) != FALSE; },
                       [&](const std::string& path) {
                         SetWindowTextA(label, path.c_str());
                         UpdateWindow(label);
                         return win::FileExists(path) == kTrue;
                       });
  const auto start = Clock::now();
  HANDLE file = CreateFileA((work + "\\dll.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  std::string text(static_cast<std::size_t>(GetFileSize(file, nullptr)), '\0');
  DWORD read = 0;
  ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
  CloseHandle(file);
  LineSplitter splitter;
  const auto line = [&](std::string_view l) {
    win::PumpPendingMessages();
    const auto result = reader.ReadLine(l);
    if (result.list1_item) SendMessageA(list1, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(result.list1_item->c_str()));
    if (result.list2_item) {
      SendMessageA(list2, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(result.list2_item->c_str()));
      UpdateWindow(list2);
    }
  };
  splitter.Feed(text, line);
  splitter.Finish(line);
  const double elapsed = Ms(Clock::now() - start);
  DestroyWindow(window);
  return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: scan-benchmark <quarvel.exe> <scratch folder> [folders files]\n");
    return 2;
  }
  const std::string exe = argv[1];
  const std::string scratch = argv[2];
  const int folders = argc > 3 ? std::atoi(argv[3]) : 50;
  const int files = argc > 4 ? std::atoi(argv[4]) : 1000;
  CreateDirectoryA(scratch.c_str(), nullptr);

  const std::string tree = scratch + "\\tree";
  std::printf("Generating %d folders of %d files (5 %% hidden, a third long names with blanks)...\n", folders, files);
  MakeTree(tree, folders, files);

  auto start = Clock::now();
  const long long entries = Enumerate(tree);
  const double enumeration_ms = Ms(Clock::now() - start);
  const WindowTimes times = TimeThroughWindow(exe, scratch + "\\work", tree);

  std::printf("\nLarge tree: %lld entries\n", entries);
  std::printf("  plain FindFirstFileA enumeration   %9.0f ms\n", enumeration_ms);
  std::printf("  lister (click to Compare enabled)  %9.0f ms   lister/enumeration  %.2f  (goal: within 2)\n",
              times.lister_ms, times.lister_ms / enumeration_ms);
  std::printf("  compare (click to Completed)       %9.0f ms   compare/enumeration %.2f  (goal: within 3)\n",
              times.compare_ms, times.compare_ms / enumeration_ms);
  std::printf("  slowest answer of the window while comparing: %.0f ms (goal: within 100)\n", times.worst_answer_ms);
  std::printf("  List1 %d entries, List2 %d entries\n", times.list1, times.list2);

  const int small_folders = std::max(1, folders / 25);
  const std::string small_tree = scratch + "\\small";
  MakeTree(small_tree, small_folders, files);
  const WindowTimes small = TimeThroughWindow(exe, scratch + "\\work-small", small_tree);
  CreateDirectoryA((scratch + "\\work-literal").c_str(), nullptr);
  const double literal_ms = LiteralCompare(scratch + "\\work-literal", small_tree);
  std::printf("\nSmall tree (%d folders of %d files), for reference:\n", small_folders, files);
  std::printf("  compare through the window         %9.0f ms\n", small.compare_ms);
  std::printf("  literal per-line, per-candidate    %9.0f ms   (%.0f times slower)\n", literal_ms,
              literal_ms / small.compare_ms);
  return 0;
}
