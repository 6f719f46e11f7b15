#include "platform/Comparison.h"

#include <windows.h>

#include <charconv>
#include <fstream>
#include <stdexcept>

#include "core/DeviceName.h"
#include "core/LineSplitter.h"
#include "core/ListingFormat.h"
#include "core/Recheck.h"
#include "core/Text.h"
#include "core/WorkFiles.h"
#include "platform/AnsiText.h"
#include "platform/LaunchAppSync.h"
#include "platform/OrdinarySearchView.h"

namespace quarvel::win {
namespace {

// The longest path the ordinary "A" search can name, in UTF-16 units.
constexpr std::size_t kLongestSearchablePath = MAX_PATH - 1;
constexpr std::string_view kNotAnsiMark = "NOT-ANSI:";

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
  UnseenFacts facts;
};

UnseenFacts FactsOf(const std::string& folder, std::string_view line, const ListingViews& views,
                    const OrdinarySearchView& view) {
  UnseenFacts facts;
  const std::string_view trimmed = TrimBlanks(line);
  const auto column_name = NameBeforeSizeColumn(trimmed);
  const std::string name(column_name ? *column_name : trimmed.substr(0, trimmed.find(' ')));
  facts.path = folder + name;
  if (column_name) {
    std::uint64_t size = 0;
    const std::string_view digits = TrimLeadingBlanks(trimmed.substr(column_name->size()));
    if (std::from_chars(digits.data(), digits.data() + digits.size(), size).ec == std::errc()) facts.size = size;
  }
  if (const EntryFacts* found = views.Find(facts.path)) facts.lister = *found;
  const std::string leaf = name.substr(name.find_last_of('\\') == std::string::npos ? 0 : name.find_last_of('\\') + 1);
  if (leaf.rfind(kUnreadFolderMark, 0) == 0) {
    facts.unread_folder_note = true;
    std::uint32_t status = 0;
    const std::string_view hex = std::string_view(leaf).substr(kUnreadFolderMark.size() + 2);
    if (std::from_chars(hex.data(), hex.data() + hex.size(), status, 16).ec == std::errc()) facts.unread_status = status;
  } else {
    facts.unread_status = views.UnreadByQuery(folder);
  }
  facts.win32_folder_error = view.FolderError(folder);
  facts.device_name = MayNameDevice(leaf);
  facts.too_long = Utf16Length(facts.path) > kLongestSearchablePath;
  facts.not_spelled = name.find(kNotAnsiMark) != std::string::npos;
  return facts;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The lister's second look at the candidates; nothing when it could not be had.
std::optional<RecheckAnswers> Recheck(const std::string& work_folder, const std::string& lister_path,
                                      const std::vector<Candidate>& candidates) {
  const std::string request = work_folder + kRecheckRequestFile;
  const std::string answers_file = work_folder + kRecheckAnswerFile;
  {
    std::ofstream out(request, std::ios::binary | std::ios::trunc);
    for (const auto& candidate : candidates) out << RecheckRequestLine(candidate.facts.path) << "\r\n";
    if (!out) return std::nullopt;
  }
  const auto run = StartAndWait(Quoted(lister_path) + " /CHECK " + Quoted(request) + " >" + Quoted(answers_file));
  std::optional<RecheckAnswers> answers;
  if (run.started) {
    answers.emplace();
    ReadLines(answers_file, [&](std::string_view line) { answers->ReadLine(line); }, {}, false, kLongestRecheckLine);
  }
  DeleteFileA(request.c_str());
  DeleteFileA(answers_file.c_str());
  return answers;
}

}  // namespace

ComparisonOutcome RunComparison(const std::string& work_folder, const std::string& lister_path,
                                const ComparisonCallbacks& callbacks) {
  ComparisonOutcome outcome;
  const std::string listing = work_folder + kListingFile;
  ListingViews views;
  ReadLines(ViewsFileFor(listing), [&](std::string_view line) { views.ReadLine(line); }, {}, false);

  OrdinarySearchView view;
  ListingReader reader([&view](const std::string& text) { return view.NamesFolder(text); },
                       [&view](const std::string& path) { return view.Sees(path); }, kLongestSearchablePath,
                       [](std::string_view path) { return Utf16Length(path); });
  std::vector<Candidate> candidates;
  const bool read_whole = ReadLines(
      listing,
      [&](std::string_view line) {
        const ListingLineResult result = reader.ReadLine(line);
        if (result.kind == ListingLineKind::kCountSummary) ReadCounts(line, outcome.files_listed, outcome.folders_listed);
        if (callbacks.line_read) callbacks.line_read(result, line, reader);
        if (result.list1_item) {
          candidates.push_back({*result.list1_item, FactsOf(reader.ListingFolder(), line, views, view)});
          if (callbacks.unseen) callbacks.unseen(*result.list1_item);
        }
        if (result.list2_item && callbacks.seen) callbacks.seen(*result.list2_item);
      },
      callbacks.keep_going, true);
  outcome.stopped = !read_whole;
  outcome.size_summary = reader.SizeSummary();
  if (views.Sources()) outcome.lister_views = *views.Sources();

  // The second look, for every candidate that names a file (a folder the lister
  // could not read has nothing to look at again).
  std::optional<RecheckAnswers> answers;
  if (!outcome.stopped && !candidates.empty()) answers = Recheck(work_folder, lister_path, candidates);
  for (std::size_t at = 0; at < candidates.size(); ++at) {
    Candidate& candidate = candidates[at];
    const bool gone = answers && !candidate.facts.unread_folder_note &&
                      answers->Answer(candidate.facts.path) == RecheckAnswer::kGone;
    if (gone) {
      outcome.vanished.push_back(std::move(candidate.item));
      outcome.vanished_at.push_back(at);
      continue;
    }
    UnseenEntry entry{std::move(candidate.item), std::move(candidate.facts), {}};
    entry.judgement = Judge(entry.facts);
    ++outcome.counts[static_cast<std::size_t>(entry.judgement.verdict)];
    outcome.unseen.push_back(std::move(entry));
  }
  return outcome;
}

}  // namespace quarvel::win
