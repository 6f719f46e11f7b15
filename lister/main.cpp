// The lister: lists a folder, or a folder tree, from the NTFS volume's own MFT
// where it can read the volume raw, else through the NT directory query, and
// writes the listing that the comparison reads. It writes nothing but
// listing lines (no banner, no prompt, no error text), since any other line would
// be read as a file that Windows does not see.
//
//   locate.com "<folder>\<filter>" [/NR] [>file]
//   locate.com /CHECK "<file of paths>"|- [/SINCE:<filetime>] [/USN:<journal mark>] [>answers]
//
// /NR lists the folder only; without it the whole tree. ">file" writes the
// listing to that file (on NT no command interpreter does the redirection),
// and the views file beside it; without it, to standard output. A program
// that starts it can make both files itself and hand them over as standard
// output and standard error: the lister then writes through those handles. /CHECK says
// which of the paths in the file (or, with "-", on standard input) its views
// still show (see core/Recheck.h); /SINCE: gives when the listing began (a
// FILETIME in hex), /USN: where the volume's change journal stood then, so
// that it says what changed since. The comparison hands it the answers file
// as its standard output.
#include <windows.h>

#include <array>
#include <chrono>
#include <fstream>
#include <future>
#include <memory>
#include <optional>

#include "core/ListerCommandLine.h"
#include "core/ListingFormat.h"
#include "core/ListingViews.h"
#include "core/Recheck.h"
#include "core/Wtf8.h"
#include "lister/AnsiName.h"
#include "lister/DirectoryWalk.h"
#include "lister/ListingOutput.h"
#include "lister/NtDirectory.h"
#include "lister/RawNtfsSource.h"
#include "lister/ReadAhead.h"
#include "lister/Recheck.h"
#include "platform/AnsiText.h"
#include "platform/DllSearch.h"

namespace {

std::string FullPathOf(const std::string& folder) {
  const DWORD needed = GetFullPathNameA(folder.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return folder;
  std::string full(needed, '\0');
  const DWORD n = GetFullPathNameA(folder.c_str(), needed, full.data(), nullptr);
  full.resize(n < needed ? n : 0);
  return full.empty() ? folder : full;
}

// The heading is the folder's full path; a path with blanks takes its short
// form when it has one, since later commands cut an entry at its first blank.
std::string HeadingFor(const std::string& full_path) {
  std::string heading = quarvel::FolderHeadingLine(full_path);
  if (heading.find(' ') == std::string::npos) return heading;
  char short_path[MAX_PATH * 4];
  const DWORD n = GetShortPathNameA(heading.c_str(), short_path, sizeof(short_path));
  if (n == 0 || n >= sizeof(short_path)) return heading;
  return quarvel::FolderHeadingLine(std::string(short_path, n));
}

// Long folders are opened through the "\\?\" form, which has no length limit.
std::wstring OpenablePath(const std::string& full_path) {
  std::wstring wide = quarvel::win::WideFromAnsi(full_path);
  if (wide.size() >= MAX_PATH - 12 && wide.size() > 2 && wide[1] == L':') wide = L"\\\\?\\" + wide;
  return wide;
}

// Exit codes: 0 when the listing (or the second look) is whole; any other code
// tells the program that started it not to trust what was written.
constexpr int kListed = 0;
constexpr int kFailed = 3;
constexpr int kNotWritten = 4;

int Run() {
  using namespace quarvel;
  const ListerArguments arguments = ParseListerArguments(SkipProgramToken(GetCommandLineA()));
  lister::ListingOutput output(arguments.output_file);
  if (!output.IsOpen()) return kNotWritten;

  // The folder whose volume the views read: the one to list, or with /CHECK
  // the folder of the first file asked about, by its real path.
  std::optional<lister::InputLines> requests;
  std::string first_request;
  std::wstring check_folder;
  if (arguments.check) {
    requests.emplace(arguments.pattern);
    const std::string* first = requests->Next();
    if (first == nullptr) {
      output.Flush();
      return output.Failed() ? kNotWritten : kListed;
    }
    first_request = *first;
    if (const auto request = ParseRecheckRequestLine(first_request)) {
      if (const auto folder16 = Utf16FromWtf8(request->folder_path)) check_folder.assign(folder16->begin(), folder16->end());
    }
  }
  const ListerPattern pattern = SplitListerPattern(arguments.pattern);
  const std::string full_path = arguments.check ? std::string() : FullPathOf(pattern.folder);
  const std::wstring folder = arguments.check ? check_folder : OpenablePath(full_path);

  // The volume's own MFT where it can be read raw, checked against the NT
  // directory query; the directory query alone everywhere else. The MFT is
  // read on a thread of its own while the directory query reads the tree
  // ahead, so a listing from both views takes about as long as the slower one.
  std::future<lister::RawNtfsSource::Opened> raw_reading =
      std::async(std::launch::async, [&folder, &arguments]() -> lister::RawNtfsSource::Opened {
        if (folder.empty()) return {nullptr, VolumeViewState{false, 0, 0, std::string(kVolumeFailed)}};
        using Reading = lister::RawNtfsSource::Reading;
        return lister::RawNtfsSource::ForFolder(folder, arguments.check     ? Reading::kRecordsOnly
                                                        : arguments.recurse ? Reading::kWholeVolume
                                                                            : Reading::kOneFolder);
      });
  std::optional<lister::NtDirectory> query = lister::NtDirectory::Load();
  std::optional<lister::ReadAheadSource> query_ahead;
  if (query) {
    query_ahead.emplace(*query);
    if (!arguments.check) {
      query_ahead->ReadAhead(folder, arguments.recurse, [&raw_reading] {
        return raw_reading.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
      });
    }
  }
  // A failure of the MFT's thread (out of memory on a huge volume, say) costs
  // the volume view, not the listing: the directory query goes on alone, and
  // the views file says why.
  lister::RawNtfsSource::Opened raw_opened;
  try {
    raw_opened = raw_reading.get();
  } catch (const std::exception& failure) {
    raw_opened = {nullptr, VolumeViewState{false, 0, 0, std::string(kVolumeFailed) + ": " + failure.what()}};
  } catch (...) {
    raw_opened = {nullptr, VolumeViewState{false, 0, 0, std::string(kVolumeFailed)}};
  }
  const std::unique_ptr<lister::RawNtfsSource> raw = std::move(raw_opened.source);

  if (arguments.check) {
    const std::unique_ptr<lister::JournalView> journal =
        raw && arguments.journal_mark ? raw->JournalSince(*arguments.journal_mark) : nullptr;
    lister::Recheck(raw.get(), query ? &*query : nullptr, journal.get(), arguments.listed_after.value_or(0),
                    first_request, *requests, output);
    output.Flush();
    return output.Failed() ? kNotWritten : kListed;
  }

  std::array<lister::View, lister::kWalkViews> views{};
  const std::unique_ptr<lister::FolderSource> folder_indexes = raw ? raw->IndexView() : nullptr;
  if (raw) {
    views[0] = {raw.get(), ViewId::kVolume};
    if (query_ahead) views[1] = {&*query_ahead, ViewId::kQuery};
    if (folder_indexes) views[2] = {folder_indexes.get(), ViewId::kIndex};
  } else if (query_ahead) {
    views[0] = {&*query_ahead, ViewId::kQuery};
  }

  lister::WalkTotals totals;
  std::optional<lister::ListingOutput> facts;
  if (!arguments.output_file.empty()) {
    facts.emplace(ViewsFileFor(arguments.output_file), STD_ERROR_HANDLE);
    if (!facts->IsOpen()) return kNotWritten;
  }
  if (views[0].source != nullptr) {
    lister::DirectoryWalk walk(views, output, facts ? &*facts : nullptr, win::WideFromAnsi(pattern.filter),
                               arguments.recurse);
    // Whether the volume view was used, and what it skipped, after the views it read with.
    if (facts) facts->WriteLine(VolumeViewRecord(raw_opened.state));
    if (facts && !raw) facts->WriteLine(NotUsedRecord(ViewId::kVolume, raw_opened.state.reason));
    if (facts && !query_ahead) facts->WriteLine(NotUsedRecord(ViewId::kQuery, "ntdll lacks the directory query"));
    if (facts && !folder_indexes) {
      facts->WriteLine(NotUsedRecord(ViewId::kIndex, raw ? "the folder was read through its index alone, which cannot show what it leaves out"
                                                         : "the volume view was not used"));
    }
    if (facts && raw && raw->JournalMarkAtOpen()) facts->WriteLine(JournalRecord(*raw->JournalMarkAtOpen()));
    walk.Run(HeadingFor(full_path), folder);
    totals = walk.Totals();
  }
  output.WriteLine(CountSummaryLine(totals.files, totals.folders));
  output.WriteLine(SizeSummaryLine(totals.bytes));
  output.Flush();
  if (output.Failed()) return kNotWritten;
  // Written last: a views file without it is from a lister that did not finish.
  if (facts) {
    facts->WriteLine(EndRecord(totals.files));
    facts->Flush();
    if (facts->Failed()) return kNotWritten;
  }
  return kListed;
}

}  // namespace

int main() {
  // Nothing is ever loaded from the folder the lister runs in.
  quarvel::win::LoadDllsFromSystemFolderOnly();
  try {
    return Run();
  } catch (...) {
    // No text: the listing holds listing lines only. The exit code says it.
    return kFailed;
  }
}
