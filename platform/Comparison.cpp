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
#include "platform/SystemError.h"

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
// folders beside the comparison rather than after it. Its answers go to its
// standard output, a file made anew here and read back through the same
// handle: nobody else can write or replace them in between.
class SecondLook {
 public:
  // `listed_after` is when the listing began (a FILETIME; 0: not known).
  SecondLook(const std::string& work_folder, const std::string& lister_path, std::uint64_t listed_after)
      : lister_path_(lister_path), answers_path_(work_folder + kRecheckAnswerFile), listed_after_(listed_after) {}
  ~SecondLook() {
    process_.reset();
    if (answers_) {
      answers_.reset();
      DeleteFileA(answers_path_.c_str());
    }
  }
  SecondLook(const SecondLook&) = delete;
  SecondLook& operator=(const SecondLook&) = delete;

  // `journal` is where the volume's change journal stood when the listing began.
  void Ask(const std::string& path, const EntryFacts& facts, const std::optional<JournalMark>& journal) {
    if (!failure_.empty() || lister_path_.empty()) return;
    if (!process_ && !Start(journal)) return;
    pending_ += RecheckRequestLine(path, facts);
    pending_ += "\r\n";
    ++asked_;
    if (pending_.size() >= kFeedSize) Feed();
  }

  // The answers once the lister has answered every path asked; nothing when
  // none was asked, `should_stop` ended it first, or it failed: `state` says
  // which. Answers of a lister that failed are never used, not even in part:
  // its last line may be cut anywhere.
  std::optional<RecheckAnswers> Answers(const std::function<bool()>& should_stop, SecondLookState& state) {
    state = {};
    if (process_) {
      Feed();
      DWORD exit_code = 0;
      if (!process_->Finish(should_stop, &exit_code)) return std::nullopt;
      if (exit_code != 0) {
        failure_ = "the lister did not finish (exit code " + std::to_string(exit_code) + ": " +
                   ListerEndText(exit_code) + ")";
      } else if (feed_broken_) {
        failure_ = "the lister stopped reading the files asked about";
      }
    }
    std::optional<RecheckAnswers> answers;
    if (failure_.empty() && process_) {
      answers.emplace();
      const std::size_t answered = ReadAnswers(*answers);
      if (answered < asked_) {
        failure_ = "the lister answered " + std::to_string(answered) + " of the " + std::to_string(asked_) +
                   " files asked about";
      } else if (!EndsInLineEnd()) {
        // A count that agrees does not make whole a last line cut short.
        failure_ = "the lister's last answer was cut short";
      }
    }
    if (!failure_.empty()) {
      state = {SecondLookState::Kind::kFailed, failure_};
      return std::nullopt;
    }
    if (answers) state.kind = SecondLookState::Kind::kTaken;
    return answers;
  }

 private:
  static constexpr std::size_t kFeedSize = 16 * 1024;

  bool Start(const std::optional<JournalMark>& journal) {
    // A file already under the name is deleted (a planted hard link loses
    // only its link) and the answers file made new, shared for reading only.
    DeleteFileA(answers_path_.c_str());
    answers_.reset(CreateFileA(answers_path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!answers_) {
      failure_ = "its answers file " + answers_path_ + " could not be made: " + SystemErrorDescription(GetLastError());
      return false;
    }
    DWORD error = 0;
    std::string since;
    if (listed_after_ != 0) since += " /SINCE:" + HexText(listed_after_);
    if (journal) since += " /USN:" + JournalMarkText(*journal);
    process_ = FedProcess::Start(Quoted(lister_path_) + " /CHECK -" + since, error, answers_.get());
    if (!process_) failure_ = "the lister could not be started: " + SystemErrorDescription(error);
    return process_.has_value();
  }

  void Feed() {
    if (!pending_.empty() && !feed_broken_ && !process_->Write(pending_)) feed_broken_ = true;
    pending_.clear();
  }

  bool EndsInLineEnd() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(answers_.get(), &size) || size.QuadPart == 0) return false;
    OVERLAPPED at{};
    const auto last = static_cast<ULONGLONG>(size.QuadPart - 1);
    at.Offset = static_cast<DWORD>(last);
    at.OffsetHigh = static_cast<DWORD>(last >> 32);
    char byte = 0;
    DWORD read = 0;
    return ReadFile(answers_.get(), &byte, 1, &read, &at) && read == 1 && byte == '\n';
  }

  // Reads the answers file from its start; the number of answers read.
  std::size_t ReadAnswers(RecheckAnswers& answers) {
    const LARGE_INTEGER start{};
    if (!SetFilePointerEx(answers_.get(), start, nullptr, FILE_BEGIN)) return 0;
    PulledLines lines(
        [this](char* into, std::size_t size) {
          DWORD read = 0;
          if (!ReadFile(answers_.get(), into, static_cast<DWORD>(size), &read, nullptr)) return std::size_t{0};
          return static_cast<std::size_t>(read);
        },
        kLongestRecheckLine);
    std::size_t answered = 0;
    while (const std::string* line = lines.Next()) answered += answers.ReadLine(*line) ? 1 : 0;
    return answered;
  }

  std::string lister_path_;
  std::string answers_path_;
  std::uint64_t listed_after_;
  UniqueFileHandle answers_;
  std::optional<FedProcess> process_;
  std::string pending_;
  std::size_t asked_ = 0;
  bool feed_broken_ = false;
  std::string failure_;
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
    answers = second_look.Answers(
        [&] {
          outcome.stopped = callbacks.keep_going && !callbacks.keep_going();
          return outcome.stopped;
        },
        outcome.second_look);
  }
  const bool second_look_failed = outcome.second_look.kind == SecondLookState::Kind::kFailed;
  // Tens of thousands of verdicts take a while under Wine: the window answers
  // meanwhile (a stop now changes nothing, the decisions are the last step).
  for (std::size_t at = 0; at < candidates.size(); ++at) {
    pump();
    Candidate& candidate = candidates[at];
    const Decision decision = Decide(candidate.facts, answers ? answers->Find(candidate.facts.path) : nullptr,
                                     run.started_at != 0 ? std::optional<std::uint64_t>(run.started_at) : std::nullopt,
                                     second_look_failed);
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
