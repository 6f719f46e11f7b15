// The two steps of a scan in the window: run the lister, then compare its
// listing with what the ordinary Win32 search sees. The work itself is shared
// with the console companion (ListerRun, Comparison); this unit shows it.
#include <shlwapi.h>

#include <algorithm>
#include <chrono>

#include "app/ControlIds.h"
#include "app/FrmFerrow.h"
#include "app/WorkFiles.h"
#include "core/ListerCommandLine.h"
#include "core/ListingViews.h"
#include "core/Pacer.h"
#include "core/PlatformId.h"
#include "core/RepairText.h"
#include "platform/CommonFunction.h"
#include "platform/Comparison.h"
#include "platform/LaunchAppSync.h"
#include "platform/ListerRun.h"
#include "platform/OS_Detect.h"
#include "platform/SystemError.h"
#include "ui/ListFiller.h"
#include "ui/WindowText.h"

namespace quarvel::app {
namespace {

using namespace std::chrono_literals;

// How often it redraws the result lists: a redraw of a long list box costs
// about ten milliseconds, far more than the labels or the message loop.
constexpr auto kListRedrawInterval = 500ms;
// The labels show their latest text this often: repainting them costs more
// than letting the messages run, which happens far more often.
constexpr auto kLabelInterval = 50ms;

}  // namespace

void FrmFerrow::CmdLocate_Click() {
  work_.Run(StopOn::kClose, [this] { RunLister(); });
}

void FrmFerrow::RunLister() {
  const std::string path_box = ui::GetText(Control(kPathTxt));
  const std::string filter = ui::GetText(Control(kComboExt));
  HWND info = Control(kLblInfo);
  // A quotation mark would break out of the lister's quoted pattern.
  if (const auto refusal = ListerInputRefusal(path_box, filter)) {
    ui::SetText(info, "Nothing was listed");
    MessageBoxA(hwnd_, refusal->c_str(), kAppTitle, MB_OK | MB_ICONWARNING);
    return;
  }
  ui::SetTextNow(info, "Locating Files in " + path_box);
  ui::SetText(Control(kLblSize), "");
  win::SetShowWindowState(SW_SHOWMINIMIZED);

  ListerLaunch launch;
  launch.platform_id = win::GetPlatformId();
  launch.current_folder = win::GetCurDir();
  if (launch.platform_id == kPlatform9x) {
    launch.short_current_folder = win::GetShortName(launch.current_folder);
    launch.windows_folder = win::GetWinDir();
  }
  launch.path_box_text = path_box;
  launch.filter_text = filter;
  launch.include_subdirectories_value = static_cast<int>(SendMessageA(Control(kChkSubDir), BM_GETCHECK, 0, 0));
  // Closing the window ends the lister: a partial listing is of no use, and a
  // second copy of the program in this folder would meet its files.
  lister_run_ = {};  // an earlier run's files are let go before they are replaced
  lister_run_ = win::RunListerIn(launch, [this] { return work_.StopRequested(); });
  const auto& outcome = lister_run_;
  using Kind = win::ListerRunOutcome::Kind;
  switch (outcome.kind) {
    case Kind::kStopped:
      return;
    case Kind::kNotWritten:
    case Kind::kForeignFile:
      ui::SetText(info, "");
      if (ExplainUnusableWorkFolder()) return;
      MessageBoxA(hwnd_,
                  ("The file " + outcome.lister_path +
                   " is not this program's lister and could not be replaced, so it was not run. "
                   "Remove it, or start the program from another folder.")
                      .c_str(),
                  kAppTitle, MB_OK | MB_ICONWARNING);
      return;
    case Kind::kNotStarted: {
      ui::SetText(info, "The lister could not be started");
      const std::string text = "The lister " + outcome.lister_path + " could not be started: " +
                               win::SystemErrorDescription(outcome.error) + " (error " +
                               std::to_string(outcome.error) +
                               "). An antivirus program or an application-control policy may be blocking it; "
                               "nothing was listed.";
      MessageBoxA(hwnd_, text.c_str(), kAppTitle, MB_OK | MB_ICONWARNING);
      return;
    }
    case Kind::kFailed:
    case Kind::kNotHeld: {
      // A listing that may not be whole is never compared: it would read as clean.
      ui::SetText(info, outcome.kind == Kind::kFailed ? "The lister did not finish" : "The lister was not run");
      const std::string text =
          outcome.kind == Kind::kFailed
              ? "The lister " + outcome.lister_path + " ended without finishing its listing (exit code " +
                    std::to_string(outcome.exit_code) + ": " + win::ListerEndText(outcome.exit_code) +
                    "). Nothing is compared, since a partial listing would hide what it did not reach. "
                    "An antivirus program may have ended it; try again."
              : "The lister " + outcome.lister_path +
                    " was not run: its listing file could not be made anew, since another program holds its "
                    "name: " + win::SystemErrorDescription(outcome.error) + " (error " +
                    std::to_string(outcome.error) + "). Close that program, or start this one from another folder.";
      MessageBoxA(hwnd_, text.c_str(), kAppTitle, MB_OK | MB_ICONWARNING);
      lister_run_ = {};
      return;
    }
    case Kind::kListed:
    case Kind::kNoCommand:
      break;
  }

  if (work_.Closing()) return;
  ui::SetText(info, "Completed the Scan, Click Compare to Continue");
  EnableWindow(Control(kCmdScan), TRUE);
  EnableWindow(Control(kCmdEsc), TRUE);
}

void FrmFerrow::CmdScan_Click() {
  win::SetShowWindowState(SW_SHOWMINIMIZED);
  if (ui::GetText(Control(kCmdScan)) == kStep2Caption) {
    work_.Run(StopOn::kNothing, [this] { RepairStep2(); });
  } else {
    work_.Run(StopOn::kEscapeOrClose, [this] { CompareListing(); });
  }
}

void FrmFerrow::CompareListing() {
  if (!PathFileExistsA(WorkPath(kListingFileAsCompared).c_str())) return;
  HWND info = Control(kLblInfo);
  HWND is_dir = Control(kLblIsDir);
  HWND size = Control(kLblSize);
  HWND list1_window = Control(kList1);
  ui::SetTextNow(info, "Comparing Files Found....");
  // Emptying a list of half a million items frees each one: tens of
  // milliseconds under Wine, so the window answers after each list.
  for (HWND list : {list1_window, Control(kList2)}) {
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SendMessageA(list, LB_SETHORIZONTALEXTENT, 0, 0);
    work_.KeepGoing();
  }
  unseen_.clear();
  unseen_by_item_.clear();

  win::ComparisonOutcome outcome;
  {
    ui::ListFiller list1(list1_window);
    ui::ListFiller list2(Control(kList2));

    // The labels show their latest text on the progress clock, not per line.
    std::string info_text, is_dir_text, size_text;
    std::size_t headings_read = 0, is_dir_heading = 0;  // the label's text is built once per folder
    bool info_changed = false, is_dir_changed = false, size_changed = false;
    const auto show_labels = [&] {
      if (info_changed) ui::SetTextNow(info, info_text);
      if (is_dir_changed) ui::SetTextNow(is_dir, is_dir_text);
      if (size_changed) ui::SetTextNow(size, size_text);
      info_changed = is_dir_changed = size_changed = false;
    };

    Pacer list_pacer(kListRedrawInterval), label_pacer(kLabelInterval);
    list_pacer.Due();  // the lists are first drawn one interval from now
    win::ComparisonCallbacks callbacks;
    callbacks.keep_going = [&] {
      return work_.KeepGoing([&] {
        if (label_pacer.Due()) show_labels();
        if (list_pacer.Due()) {
          list1.Show();
          list2.Show();
        }
      });
    };
    callbacks.line_read = [&](const ListingLineResult& result, std::string_view line, const ListingReader& reader) {
      if (result.size_summary_changed) {
        size_text = reader.SizeSummary();  // summary lines are few: a copy each
        size_changed = true;
      }
      if (result.kind == ListingLineKind::kFolderHeading) ++headings_read;
      if (result.kind != ListingLineKind::kFile) return;
      if (!is_dir_changed || is_dir_heading != headings_read) {
        is_dir_text = "Analyzing Files Found in " + reader.ListingFolder();
        is_dir_heading = headings_read;
        is_dir_changed = true;
      }
      if (result.name_searched) {
        info_text.assign(line);
        info_changed = true;
      }
    };
    callbacks.unseen = [&](const std::string& item) { list1.Add(item); };
    callbacks.seen = [&](const std::string& item) { list2.Add(item); };
    // The second look runs only the lister checked and held since "Run".
    outcome = win::RunComparison(win::GetCurDir(), lister_run_, callbacks);
    show_labels();
    ui::SetTextNow(size, outcome.size_summary);
    // Each step of the end takes tens of milliseconds on a whole drive under
    // Wine: the window answers between them rather than after them all.
    work_.KeepGoing();
    list1.Finish();
    work_.KeepGoing();
    list2.Finish();
    work_.KeepGoing();
  }

  if (work_.Closing()) return;
  // What merely vanished since the listing is not reported. List1 holds the
  // candidates in the order they came, so each is taken out at its place.
  for (auto at = outcome.vanished_at.rbegin(); at != outcome.vanished_at.rend(); ++at) {
    SendMessageA(list1_window, LB_DELETESTRING, static_cast<WPARAM>(*at), 0);
  }
  unseen_ = std::move(outcome.unseen);
  unseen_by_item_.resize(unseen_.size());
  for (std::uint32_t at = 0; at < unseen_by_item_.size(); ++at) unseen_by_item_[at] = at;
  std::ranges::stable_sort(unseen_by_item_, {}, [this](std::uint32_t at) -> const std::string& { return unseen_[at].item; });
  work_.KeepGoing();
  ui::SetTextNow(info, "Completed");
  // The counts, whether the strongest view was read (a scan without the
  // volume's own MFT cannot see a hider of the directory query), and a second
  // look that failed.
  std::string counts;
  if (!outcome.stopped) {
    counts = VerdictCountsText(outcome.counts, static_cast<int>(outcome.vanished.size()));
    if (outcome.volume_view) counts += "; " + VolumeViewText(*outcome.volume_view);
    // The first look's verdicts stand unconfirmed: the user must know.
    if (outcome.second_look.kind == SecondLookState::Kind::kFailed) counts += "; " + SecondLookText(outcome.second_look);
  }
  ui::SetText(is_dir, counts);
  EnableWindow(Control(kCmdLog), TRUE);
  EnableWindow(Control(kCmdScan), FALSE);
  lister_run_ = {};  // the second look has ended with the comparison: the files can go
  DeleteFileA(WorkPath(kListerFile).c_str());
  DeleteFileA(WorkPath(kListingFileAsCompared).c_str());
  DeleteFileA(WorkPath(kViewsFile).c_str());
}

}  // namespace quarvel::app
