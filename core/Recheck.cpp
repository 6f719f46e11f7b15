#include "core/Recheck.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <vector>

namespace quarvel {
namespace {

constexpr char kLookMarks[] = {' ', '+', '-', '~', '?'};

std::optional<Look> LookOfMark(char mark) {
  for (std::size_t i = 1; i < sizeof(kLookMarks); ++i) {
    if (kLookMarks[i] == mark) return static_cast<Look>(i);
  }
  return std::nullopt;
}

std::vector<std::string_view> SplitTabs(std::string_view line, std::size_t most) {
  std::vector<std::string_view> fields;
  for (;;) {
    const auto tab = line.find('\t');
    fields.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos || fields.size() > most) return fields;
    line.remove_prefix(tab + 1);
  }
}

}  // namespace

std::optional<std::uint64_t> LastChangeBesidesWrites(std::uint64_t created, std::uint64_t written,
                                                     std::uint64_t changed) {
  const std::uint64_t latest = std::max(created, changed > written ? changed : std::uint64_t{0});
  if (latest == 0) return std::nullopt;
  return latest;
}

std::string RecheckRequestLine(std::string_view path, const EntryFacts& facts) {
  return EscapedField(path) + "\t" + EscapedField(facts.folder.true_path) + "\t" + EscapedField(facts.long_name) +
         "\t" + IdsField(facts.ids) + "\t" + IdsField(facts.folder.ids);
}

std::optional<RecheckRequest> ParseRecheckRequestLine(std::string_view line) {
  const auto fields = SplitTabs(line, 5);
  if (fields.size() != 5) return std::nullopt;
  RecheckRequest request;
  const auto path = UnescapedField(fields[0]);
  const auto folder = UnescapedField(fields[1]);
  const auto name = UnescapedField(fields[2]);
  const auto ids = ParseIdsField(fields[3]);
  const auto folder_ids = ParseIdsField(fields[4]);
  if (!path || path->empty() || !folder || !name || !ids || !folder_ids) return std::nullopt;
  return RecheckRequest{*path, *folder, *name, *ids, *folder_ids};
}

std::string RecheckAnswerLine(std::string_view path, const RecheckAnswer& answer) {
  std::string looks;
  for (std::size_t i = 0; i < answer.looks.size(); ++i) {
    if (answer.looks[i] == Look::kNotAsked) continue;
    looks += kViewTable[i].letter;
    looks += kLookMarks[static_cast<std::size_t>(answer.looks[i])];
  }
  std::string attributes = "-";
  if (answer.attributes) {
    char hex[9];
    std::snprintf(hex, sizeof(hex), "%08X", static_cast<unsigned>(*answer.attributes));
    attributes = hex;
  }
  std::string changed = "-";
  if (answer.changed_at) {
    char hex[17];
    std::snprintf(hex, sizeof(hex), "%016llX", static_cast<unsigned long long>(*answer.changed_at));
    changed = hex;
  }
  return EscapedField(path) + "\t" + looks + "\t" + attributes + "\t" + changed;
}

bool RecheckAnswers::ReadLine(std::string_view line) {
  const auto fields = SplitTabs(line, 4);
  if (fields.size() != 4 || fields[1].size() % 2 != 0) return false;
  const auto path = UnescapedField(fields[0]);
  if (!path) return false;
  RecheckAnswer answer;
  for (std::size_t i = 0; i < fields[1].size(); i += 2) {
    const auto view = ViewOfLetter(fields[1][i]);
    const auto look = LookOfMark(fields[1][i + 1]);
    if (!view || !look) return false;
    answer.Set(*view, *look);
  }
  if (fields[2] != "-") {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(fields[2].data(), fields[2].data() + fields[2].size(), value, 16);
    if (error != std::errc() || end != fields[2].data() + fields[2].size() || fields[2].size() > 8) return false;
    answer.attributes = value;
  }
  if (fields[3] != "-") {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(fields[3].data(), fields[3].data() + fields[3].size(), value, 16);
    if (error != std::errc() || end != fields[3].data() + fields[3].size() || fields[3].size() > 16) return false;
    answer.changed_at = value;
  }
  answers_[*path] = answer;
  return true;
}

const RecheckAnswer* RecheckAnswers::Find(const std::string& path) const {
  const auto found = answers_.find(path);
  return found == answers_.end() ? nullptr : &found->second;
}

}  // namespace quarvel
