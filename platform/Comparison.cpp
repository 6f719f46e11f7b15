#include "platform/Comparison.h"

#include <windows.h>

#include <charconv>
#include <fstream>
#include <stdexcept>

#include "core/HeadingGuard.h"
#include "core/LineSplitter.h"
#include "core/ListingFormat.h"
#include "core/Recheck.h"
#include "core/ScanDecision.h"
#include "core/UnseenLine.h"
#include "core/Text.h"
#include "core/WorkFiles.h"
#include "platform/AnsiText.h"
#include "platform/FedProcess.h"
#include "platform/FileLines.h"
#include "platform/OrdinarySearchView.h"

namespace quarvel::win {
namespace {

// The longest path the ordinary "A" search can name, in UTF-16 units.
constexpr std::size_t kLongestSearchablePath = MAX_PATH - 1;

// Feeds every line of a file to `sink` until `keep_going` says no.
bool ReadLines(const std::string& path, const LineSplitter::LineSink& sink, const std::function<bool()>& keep_going,
               bool must_exist, std::size_t longest_line = LineSplitter::kDefaultMaxLine) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    if (must_exist) throw std::runtime_error("the listing " + path + " cannot be read");
    return true;
  }
  LineSplitter splitter(longest_line);
  bool stopped = false;
  const auto guarded = [&](std::string_view line) {
    if (stopped) return;
    if (keep_going && !keep_going()) {
      stopped = true;
      return;
    }
    sink(line);
  };
  std::string chunk(64 * 1024, '\0');
  while (!stopped && file) {
    file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    splitter.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(file.gcount())), guarded);
  }
  if (!stopped) splitter.Finish(guarded);
  return !stopped;
}

// The numbers of "N file(s) found: M folder(s) listed".
void ReadCounts(std::string_view line, std::uint64_t& files, std::uint64_t& folders) {
  const std::string_view trimmed = TrimLeadingBlanks(line);
  const auto files_end = trimmed.find(' ');
  const auto colon = trimmed.find(kCountSummaryMark);
  if (files_end == std::string_view::npos || colon == std::string_view::npos) return;
  std::from_chars(trimmed.data(), trimmed.data() + files_end, files);
  const std::string_view rest = TrimLeadingBlanks(trimmed.substr(colon + kCountSummaryMark.size()));
  std::from_chars(rest.data(), rest.data() + rest.size(), folders);
}

// What the comparison learned of one List1 candidate as it read it.
struct Candidate {
  std::string item;
  std::string folder;
  UnseenFacts facts;
};

// What the lister's views file says of the candidates.
void AddListerFacts(std::vector<Candidate>& candidates, const ListingViews& views, ComparisonOutcome& outcome) {
  if (views.Sources()) outcome.lister_views = *views.Sources();
  outcome.views_not_used = views.NotUsed();
  outcome.volume_view = views.VolumeView();
  for (auto& candidate : candidates) {
    if (const EntryFacts* found = views.Find(candidate.facts.path)) candidate.facts.lister = *found;
    if (!candidate.facts.unread_folder_note) candidate.facts.unread_status = views.UnreadByQuery(candidate.folder);
  }
}

UnseenFacts FactsOf(const std::string& folder, std::string_view line, const OrdinarySearchView& view) {
  UnseenFacts facts = FactsFromLine(folder, line, [](std::string_view path) { return Utf16Length(path); },
                                    kLongestSearchablePath);
  facts.win32_folder_error = view.FolderError(folder);
  return facts;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string HexText(std::uint64_t value) {
  char text[17];
  const auto end = std::to_chars(text, text + sizeof(text), value, 16).ptr;
  return std::string(text, end);
}

// The lister's second look at the candidates, started with the first of them
// and fed the others as the comparison meets them, so that it reads their
// folders beside the comparison rather than after it.
class SecondLook {
 public:
  // `listed_after` is when the listing began (a FILETIME; 0: not known).
  SecondLook(const std::string& work_folder, const std::string& lister_path, std::uint64_t listed_after)
      : lister_path_(lister_path), answers_file_(work_folder + kRecheckAnswerFile), listed_after_(listed_after) {}
  ~SecondLook() { DeleteFileA(answers_file_.c_str()); }

  // `journal` is where the volume's change journal stood when the listing began.
  void Ask(const std::string& path, const EntryFacts& facts, const std::optional<JournalMark>& journal) {
    if (failed_ || lister_path_.empty()) return;
    if (!process_) {
      DeleteFileA(answers_file_.c_str());
      DWORD error = 0;
      std::string since;
      if (listed_after_ != 0) since += " /SINCE:" + HexText(listed_after_);
      if (journal) since += " /USN:" + JournalMarkText(*journal);
      process_ = FedProcess::Start(Quoted(lister_path_) + " /CHECK -" + since + " >" + Quoted(answers_file_), error);
      failed_ = !process_;
      if (failed_) return;
    }
    pending_ += RecheckRequestLine(path, facts);
    pending_ += "\r\n";
    if (pending_.size() >= kFeedSize) Feed();
  }

  // The answers once the lister has answered every path; nothing when it could
  // not be asked, or `should_stop` ended it first.
  std::optional<RecheckAnswers> Answers(const std::function<bool()>& should_stop) {
    if (!process_ || failed_) return std::nullopt;
    Feed();
    if (failed_ || !process_->Finish(should_stop)) return std::nullopt;
    std::optional<RecheckAnswers> answers(std::in_place);
    ReadLines(answers_file_, [&](std::string_view line) { answers->ReadLine(line); }, {}, false, kLongestRecheckLine);
    return answers;
  }

 private:
  static constexpr std::size_t kFeedSize = 16 * 1024;

  void Feed() {
    if (!pending_.empty() && !process_->Write(pending_)) failed_ = true;
    pending_.clear();
  }

  std::string lister_path_;
  std::string answers_file_;
  std::optional<FedProcess> process_;
  std::uint64_t listed_after_;
  std::string pending_;
  bool failed_ = false;
};

}  // namespace

ComparisonOutcome RunComparison(const std::string& work_folder, const ListerRunOutcome& run,
                                const ComparisonCallbacks& callbacks) {
  const std::string lister_path = run.lister_hold ? run.lister_path : std::string();
  const std::vector<std::string>& roots = run.roots;
  ComparisonOutcome outcome;
  const std::string listing = work_folder + kListingFile;

  OrdinarySearchView view;
  const HeadingGuard guard(roots);
  ListingReader reader([&view, &guard](const std::string& text) { return guard.MayAsk(text) && view.NamesFolder(text); },
                       [&view](const std::string& path) { return view.Sees(path); }, kLongestSearchablePath,
                       [](std::string_view path) { return Utf16Length(path); });
  std::vector<Candidate> candidates;
  SecondLook second_look(work_folder, lister_path, run.started_at);
  FileLines views_file(ViewsFileFor(listing));
  ViewsAlongListing views([&views_file] { return views_file.Next(); });
  const bool read_whole = ReadLines(
      listing,
      [&](std::string_view line) {
        const ListingLineResult result = reader.ReadLine(line);
        if (result.kind == ListingLineKind::kCountSummary) ReadCounts(line, outcome.files_listed, outcome.folders_listed);
        if (callbacks.line_read) callbacks.line_read(result, line, reader);
        const bool file_line = result.kind == ListingLineKind::kFile && result.size_column;
        if (result.list1_item) {
          candidates.push_back(
              {*result.list1_item, reader.ListingFolder(), FactsOf(reader.ListingFolder(), line, view)});
          // A folder the lister could not read has nothing to look at again,
          // and no record in the views file.
          const UnseenFacts& facts = candidates.back().facts;
          if (!facts.unread_folder_note && file_line) {
            views.Listed(&facts.path);
            if (const EntryFacts* listed = views.Views().Find(facts.path)) {
              second_look.Ask(facts.path, *listed, views.Views().JournalMarkOfScan());
            }
          }
          if (callbacks.unseen) callbacks.unseen(*result.list1_item);
        } else if (file_line) {
          views.Listed(nullptr);
        }
        if (result.list2_item && callbacks.seen) callbacks.seen(*result.list2_item);
      },
      callbacks.keep_going, true);
  outcome.stopped = !read_whole;
  outcome.size_summary = reader.SizeSummary();
  // Once the listing is read whole, a stop asked for while the rest of the
  // views file is read waits for its end: the entries listed keep their facts.
  const auto pump = [&callbacks] {
    if (callbacks.keep_going) callbacks.keep_going();
  };
  if (read_whole) {
    views.ReadRest(pump);
  } else if (!candidates.empty()) {
    views.ReadRestOfFolder(candidates.back().folder, pump);
  }
  AddListerFacts(candidates, views.Views(), outcome);

  // A stopped comparison takes no second look (the lister is ended with it);
  // a stop while the lister still looks ends it there.
  std::optional<RecheckAnswers> answers;
  if (!outcome.stopped) {
    answers = second_look.Answers([&] {
      outcome.stopped = callbacks.keep_going && !callbacks.keep_going();
      return outcome.stopped;
    });
  }
  // Tens of thousands of verdicts take a while under Wine: the window answers
  // meanwhile (a stop now changes nothing, the decisions are the last step).
  for (std::size_t at = 0; at < candidates.size(); ++at) {
    pump();
    Candidate& candidate = candidates[at];
    const Decision decision = Decide(candidate.facts, answers ? answers->Find(candidate.facts.path) : nullptr,
                                     run.started_at != 0 ? std::optional<std::uint64_t>(run.started_at) : std::nullopt);
    if (decision.vanished) {
      outcome.vanished.push_back(std::move(candidate.item));
      outcome.vanished_at.push_back(at);
      continue;
    }
    UnseenEntry entry{std::move(candidate.item), std::move(candidate.facts), decision.judgement};
    ++outcome.counts[static_cast<std::size_t>(entry.judgement.verdict)];
    outcome.unseen.push_back(std::move(entry));
  }
  return outcome;
}

}  // namespace quarvel::win
