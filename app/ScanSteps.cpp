// The two steps of a scan: run the lister, then compare its listing with what
// the ordinary Win32 search sees.
#include <shlwapi.h>

#include <chrono>
#include <fstream>
#include <stdexcept>

#include "app/ControlIds.h"
#include "app/FrmFerrow.h"
#include "app/WorkFiles.h"
#include "core/LineSplitter.h"
#include "core/ListerCommandLine.h"
#include "core/PlatformId.h"
#include "core/ListingReader.h"
#include "core/Pacer.h"
#include "core/RepairText.h"
#include "platform/AnsiText.h"
#include "platform/CommonFunction.h"
#include "platform/LaunchAppSync.h"
#include "platform/MessagePump.h"
#include "platform/OS_Detect.h"
#include "platform/OrdinarySearchView.h"
#include "platform/ResourceFile.h"
#include "platform/SystemError.h"
#include "ui/ListFiller.h"
#include "ui/WindowText.h"

namespace quarvel::app {
namespace {

using namespace std::chrono_literals;

// How often it redraws the result lists: a redraw of a long list box costs
// about ten milliseconds, far more than the labels or the message loop.
constexpr auto kListRedrawInterval = 500ms;

// The longest path the ordinary "A" search can name, in UTF-16 units.
constexpr std::size_t kLongestSearchablePath = MAX_PATH - 1;

}  // namespace

void FrmFerrow::CmdLocate_Click() {
  RunStep([this] { RunLister(); });
}

void FrmFerrow::RunLister() {
  const std::string path_box = ui::GetText(Control(kPathTxt));
  ui::SetTextNow(Control(kLblInfo), "Locating Files in " + path_box);
  ui::SetText(Control(kLblSize), "");
  win::SetShowWindowState(SW_SHOWMINIMIZED);
  const std::string listing = WorkPath(kListingFile);
  if (PathFileExistsA(listing.c_str())) DeleteFileA(listing.c_str());
  const std::string lister = WorkPath(kListerFile);
  if (!PathFileExistsA(lister.c_str())) LoadDataIntoFile(win::kListerResourceId, lister);
  // Only our own lister is ever run: a locate.com with other bytes (left by
  // another program, or planted) is replaced first, and never run.
  if (!win::FileHoldsResource(win::kListerResourceId, lister) &&
      !win::ReplaceWithResource(win::kListerResourceId, lister)) {
    ui::SetText(Control(kLblInfo), "");
    if (ExplainUnusableWorkFolder()) return;
    MessageBoxA(hwnd_,
                ("The file " + lister + " is not this program's lister and could not be replaced, so it was not run. "
                 "Remove it, or start the program from another folder.").c_str(),
                kAppTitle, MB_OK | MB_ICONWARNING);
    return;
  }

  ListerLaunch launch;
  launch.platform_id = win::GetPlatformId();
  launch.current_folder = win::GetCurDir();
  if (launch.platform_id == kPlatform9x) {
    launch.short_current_folder = win::GetShortName(launch.current_folder);
    launch.windows_folder = win::GetWinDir();
  }
  launch.path_box_text = path_box;
  launch.filter_text = ui::GetText(Control(kComboExt));
  launch.include_subdirectories_value =
      static_cast<int>(SendMessageA(Control(kChkSubDir), BM_GETCHECK, 0, 0));
  if (const auto command_line = BuildListerCommandLine(launch)) {
    // Closing the window ends the lister: a partial listing is of no use, and
    // a second copy of the program in this folder would meet its files.
    const auto outcome = win::StartAndWait(*command_line, [this] { return close_requested_; });
    if (outcome.stopped) {
      DeleteFileA(listing.c_str());
      return;
    }
    if (!outcome.started) {
      ui::SetText(Control(kLblInfo), "The lister could not be started");
      const std::string text = "The lister " + lister + " could not be started: " +
                               win::SystemErrorDescription(outcome.error) + " (error " +
                               std::to_string(outcome.error) +
                               "). An antivirus program or an application-control policy may be blocking it; "
                               "nothing was listed.";
      MessageBoxA(hwnd_, text.c_str(), kAppTitle, MB_OK | MB_ICONWARNING);
      return;
    }
  }

  if (close_requested_) return;
  ui::SetText(Control(kLblInfo), "Completed the Scan, Click Compare to Continue");
  EnableWindow(Control(kCmdScan), TRUE);
  EnableWindow(Control(kCmdEsc), TRUE);
}

void FrmFerrow::CmdScan_Click() {
  win::SetShowWindowState(SW_SHOWMINIMIZED);
  if (ui::GetText(Control(kCmdScan)) == kStep2Caption) {
    RunStep([this] { RepairStep2(); });
  } else {
    RunStep([this] { CompareListing(); });
  }
}

void FrmFerrow::CompareListing() {
  if (!PathFileExistsA(WorkPath(kListingFileAsCompared).c_str())) return;
  if (AbortScan == kTrue) {
    AbortScan = kFalse;
    ui::SetText(Control(kCmdEsc), "Escape");
  }
  HWND info = Control(kLblInfo);
  HWND is_dir = Control(kLblIsDir);
  HWND size = Control(kLblSize);
  ui::SetTextNow(info, "Comparing Files Found....");
  for (HWND list : {Control(kList1), Control(kList2)}) {
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SendMessageA(list, LB_SETHORIZONTALEXTENT, 0, 0);
  }

  {
    const std::string listing_path = WorkPath(kListingFile);
    std::ifstream listing(listing_path, std::ios::binary);
    if (!listing) throw std::runtime_error("the listing " + listing_path + " cannot be read");

    win::OrdinarySearchView view;
    ListingReader reader([&view](const std::string& text) { return view.NamesFolder(text); },
                         [&view](const std::string& path) { return view.Sees(path); },
                         kLongestSearchablePath, [](std::string_view path) { return win::Utf16Length(path); });
    ui::ListFiller list1(Control(kList1));
    ui::ListFiller list2(Control(kList2));

    // The labels show their latest text on the progress clock, not per line.
    std::string info_text, is_dir_text;
    std::size_t headings_read = 0, is_dir_heading = 0;  // the label's text is built once per folder
    bool info_changed = false, is_dir_changed = false, size_changed = false;
    const auto show_labels = [&] {
      if (info_changed) ui::SetTextNow(info, info_text);
      if (is_dir_changed) ui::SetTextNow(is_dir, is_dir_text);
      if (size_changed) ui::SetTextNow(size, reader.SizeSummary());
      info_changed = is_dir_changed = size_changed = false;
    };

    Pacer answer_pacer(kAnswerInterval);
    Pacer list_pacer(kListRedrawInterval);
    list_pacer.Due();  // the lists are first drawn one interval from now
    bool stopped = false;
    const auto read_line = [&](std::string_view line) {
      if (stopped) return;
      if (answer_pacer.Due()) {
        show_labels();
        if (list_pacer.Due()) {
          list1.Show();
          list2.Show();
        }
        win::PumpPendingMessages();
        if (AbortScan == kTrue || close_requested_ || win::QuitRequested()) {
          stopped = true;
          return;
        }
      }
      const ListingLineResult result = reader.ReadLine(line);
      size_changed |= result.size_summary_changed;
      if (result.kind == ListingLineKind::kFolderHeading) ++headings_read;
      if (result.kind == ListingLineKind::kFile) {
        if (!is_dir_changed || is_dir_heading != headings_read) {
          is_dir_text = "Analyzing Files Found in " + reader.ListingFolder();
          is_dir_heading = headings_read;
          is_dir_changed = true;
        }
        if (result.name_searched) {
          info_text.assign(line);
          info_changed = true;
        }
      }
      if (result.list1_item) list1.Add(*result.list1_item);
      if (result.list2_item) list2.Add(*result.list2_item);
    };

    LineSplitter splitter;
    std::string chunk(64 * 1024, '\0');
    while (!stopped && listing) {
      listing.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
      splitter.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(listing.gcount())), read_line);
    }
    if (!stopped) splitter.Finish(read_line);
    show_labels();
  }  // the lists show their final state and the listing is closed here, before it is deleted

  if (close_requested_) return;
  ui::SetTextNow(info, "Completed");
  ui::SetText(is_dir, "");
  EnableWindow(Control(kCmdLog), TRUE);
  EnableWindow(Control(kCmdScan), FALSE);
  DeleteFileA(WorkPath(kListerFile).c_str());
  DeleteFileA(WorkPath(kListingFileAsCompared).c_str());
}

}  // namespace quarvel::app
