#include "core/ListingViews.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

namespace quarvel {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// The bytes a field holds only escaped: a tab or a line end would cut the
// record, a '%' would read as an escape.
constexpr auto kNeedsEscape = [] {
  std::array<bool, 256> needs{};
  for (const unsigned char c : {'\t', '\r', '\n', '%'}) needs[c] = true;
  return needs;
}();

}  // namespace

std::string EscapedField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  AppendEscapedField(out, field);
  return out;
}

void AppendEscapedField(std::string& out, std::string_view field) {
  // The text between two characters that need an escape goes in whole: names
  // hardly ever hold one, and the lister writes millions of them.
  while (!field.empty()) {
    std::size_t plain = 0;
    while (plain < field.size() && !kNeedsEscape[static_cast<unsigned char>(field[plain])]) ++plain;
    out.append(field.substr(0, plain));
    if (plain == field.size()) return;
    const auto c = static_cast<unsigned char>(field[plain]);
    out += '%';
    out += kHex[(c >> 4) & 0xF];
    out += kHex[c & 0xF];
    field.remove_prefix(plain + 1);
  }
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> UnescapedField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '%') {
      out += field[i];
      continue;
    }
    if (i + 2 >= field.size()) return std::nullopt;
    const int high = HexDigit(field[i + 1]);
    const int low = HexDigit(field[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

namespace {

void AppendHex8(std::string& out, std::uint32_t value) {
  for (int shift = 28; shift >= 0; shift -= 4) out.push_back(kHex[(value >> shift) & 0xF]);
}

std::string Hex8(std::uint32_t value) {
  std::string text;
  AppendHex8(text, value);
  return text;
}

std::optional<std::uint32_t> ParseHex8(std::string_view text) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const auto tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos || fields.size() > 8) return fields;
    start = tab + 1;
  }
}

}  // namespace

std::string ViewsFileFor(std::string_view listing_path) {
  const auto separator = listing_path.find_last_of("\\/");
  const auto dot = listing_path.rfind('.');
  const bool has_extension = dot != std::string_view::npos && (separator == std::string_view::npos || dot > separator);
  return std::string(listing_path.substr(0, has_extension ? dot : listing_path.size())) + "-views.txt";
}

std::string IdsField(const ViewIds& ids) {
  std::string field;
  AppendIdsField(field, ids);
  return field;
}

void AppendIdsField(std::string& out, const ViewIds& ids) {
  bool first = true;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (!ids[i]) continue;
    if (!first) out += ',';
    first = false;
    out += kViewTable[i].letter;
    std::uint64_t value = *ids[i];
    char digits[16];
    for (int d = 15; d >= 0; --d, value >>= 4) digits[d] = kHex[value & 0xF];
    out.append(digits, sizeof(digits));
  }
}

std::optional<ViewIds> ParseIdsField(std::string_view field) {
  ViewIds ids;
  while (!field.empty()) {
    const auto comma = field.find(',');
    const std::string_view one = field.substr(0, comma);
    field = comma == std::string_view::npos ? std::string_view() : field.substr(comma + 1);
    if (one.size() != 17) return std::nullopt;
    const auto view = ViewOfLetter(one[0]);
    if (!view) return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(one.data() + 1, one.data() + one.size(), value, 16);
    if (error != std::errc() || end != one.data() + one.size()) return std::nullopt;
    ids[static_cast<std::size_t>(*view)] = value;
  }
  return ids;
}

namespace {

// What a file record holds after its name, in both its forms.
void AppendFileFacts(std::string& out, std::uint32_t attributes, Views views, const ViewIds& ids,
                     std::string_view long_name) {
  out.push_back('\t');
  AppendHex8(out, attributes);
  out.push_back('\t');
  views.AppendLetters(out);
  out.push_back('\t');
  AppendIdsField(out, ids);
  out += '\t';
  AppendEscapedField(out, long_name);
}

}  // namespace

std::string ViewsFileRecord(std::string_view path, std::uint32_t attributes, Views views, const ViewIds& ids,
                            std::string_view long_name) {
  std::string record = "F\t";
  AppendEscapedField(record, path);
  AppendFileFacts(record, attributes, views, ids, long_name);
  return record;
}

std::string FolderFileRecord(std::string_view listed_name, std::uint32_t attributes, Views views, const ViewIds& ids,
                             std::string_view long_name) {
  std::string record;
  AppendFolderFileRecord(record, listed_name, attributes, views, ids, long_name);
  return record;
}

void AppendFolderFileRecord(std::string& out, std::string_view listed_name, std::uint32_t attributes, Views views,
                            const ViewIds& ids, std::string_view long_name) {
  // Every field straight into `out`: a string per field costs more than its
  // characters (millions of records).
  out.push_back('f');
  out.push_back('\t');
  AppendEscapedField(out, listed_name);
  AppendFileFacts(out, attributes, views, ids, long_name);
}

std::string FolderRecord(std::string_view folder, const FolderFacts& facts) {
  std::string record;
  AppendFolderRecord(record, folder, "", facts.true_path, facts.ids);
  return record;
}

void AppendFolderRecord(std::string& out, std::string_view folder, std::string_view rest_of_folder,
                        std::string_view true_path, const ViewIds& ids) {
  out += kFolderRecord;
  AppendEscapedField(out, folder);
  AppendEscapedField(out, rest_of_folder);
  out += '\t';
  AppendEscapedField(out, true_path);
  out += '\t';
  AppendIdsField(out, ids);
}

std::string NotUsedRecord(ViewId view, std::string_view why) {
  return std::string("N\t") + RowOf(view).letter + "\t" + EscapedField(why);
}

std::string EndRecord(std::uint64_t files) { return "E\t" + std::to_string(files); }

std::string JournalRecord(const JournalMark& mark) { return "U\t" + JournalMarkText(mark); }

bool EndsWithEndRecord(std::string_view tail) {
  if (!tail.ends_with("\r\n")) return false;
  tail.remove_suffix(2);
  const auto line_start = tail.rfind('\n');
  const std::string_view last = line_start == std::string_view::npos ? tail : tail.substr(line_start + 1);
  return last.size() > 2 && last.starts_with("E\t") &&
         last.find_first_not_of("0123456789", 2) == std::string_view::npos;
}

std::string SourcesRecord(Views views) { return "S\t" + views.Letters(); }

std::string VolumeViewRecord(const VolumeViewState& state) {
  if (state.used)
    return "V\tused\t" + std::to_string(state.records_skipped) + "\t" + std::to_string(state.stretches_unreadable);
  return "V\tnot used\t" + EscapedField(state.reason);
}

std::string VolumeViewText(const VolumeViewState& state) {
  if (!state.used) return "volume view: not used, because " + state.reason;
  std::string text = "volume view: used";
  if (state.records_skipped != 0) {
    text += ", " + std::to_string(state.records_skipped) + " MFT record" + (state.records_skipped == 1 ? "" : "s") +
            " skipped";
    if (state.stretches_unreadable != 0)
      text += " (" + std::to_string(state.stretches_unreadable) + " stretch" +
              (state.stretches_unreadable == 1 ? "" : "es") + " unreadable)";
  }
  return text;
}

namespace {

std::optional<std::uint64_t> ParseCount(std::string_view field) {
  if (field.empty() || field.size() > 19 || field.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : field) value = value * 10 + static_cast<std::uint64_t>(c - '0');
  return value;
}

}  // namespace

std::string UnreadByQueryRecord(std::string_view folder, std::uint32_t status) {
  return "D\t" + EscapedField(folder) + "\t" + Hex8(status);
}

bool ListingViews::ReadLine(std::string_view line) {
  if (!header_seen_) {
    header_seen_ = line == kViewsHeader;
    return header_seen_;
  }
  if (files_.size() + unread_.size() >= kMostRecords) return false;
  // The common case first, without a field split: a file nobody asks about.
  if (wanted_ != nullptr && line.size() > 2 && (line.starts_with(kFileRecord) || line.starts_with(kFolderFileRecord))) {
    const auto end = line.find('\t', 2);
    const std::string_view field = line.substr(2, end == std::string_view::npos ? std::string_view::npos : end - 2);
    if (field.find('%') == std::string_view::npos) {
      std::string_view path = field;
      if (line[0] == kFolderFileRecord[0]) path = path_scratch_.assign(current_folder_).append(field);
      if (wanted_->find(path) == wanted_->end()) return true;
    }
  }
  const auto fields = Fields(line);
  if ((fields[0] == "F" || fields[0] == "f") && fields.size() == 6) {
    const bool in_folder = fields[0] == "f";
    auto name = UnescapedField(fields[1]);
    // A name alone names a file of the last folder record, never one below it.
    if (in_folder && (!name || name->empty() || current_folder_.empty() || name->find('\\') != std::string::npos))
      return false;
    const auto path = in_folder ? std::optional<std::string>(current_folder_ + *name) : std::move(name);
    const auto attributes = ParseHex8(fields[2]);
    const auto views = Views::FromLetters(fields[3]);
    const auto ids = ParseIdsField(fields[4]);
    const auto long_name = UnescapedField(fields[5]);
    if (!path || !attributes || !views || !ids || !long_name) return false;
    if (wanted_ != nullptr && wanted_->find(*path) == wanted_->end()) return true;
    EntryFacts facts{*attributes, *views, *ids, *long_name, {}};
    // A folder's "P" record comes before its files; a file outside it gets none.
    if (in_folder || (!current_folder_.empty() && path->size() > current_folder_.size() &&
                      path->starts_with(current_folder_) &&
                      path->find('\\', current_folder_.size()) == std::string::npos)) {
      facts.folder = current_folder_facts_;
    }
    files_[*path] = std::move(facts);
    return true;
  }
  if (fields[0] == "P" && fields.size() == 4) {
    const auto folder = UnescapedField(fields[1]);
    const auto true_path = UnescapedField(fields[2]);
    const auto ids = ParseIdsField(fields[3]);
    if (!folder || !true_path || !ids) return false;
    current_folder_ = *folder;
    current_folder_facts_ = FolderFacts{*true_path, *ids};
    return true;
  }
  if (fields[0] == "S" && fields.size() == 2) {
    sources_ = Views::FromLetters(fields[1]);
    return sources_.has_value();
  }
  if (fields[0] == "N" && fields.size() == 3 && fields[1].size() == 1) {
    const auto view = ViewOfLetter(fields[1][0]);
    const auto why = UnescapedField(fields[2]);
    if (!view || !why) return false;
    not_used_[*view] = why->substr(0, 512);
    return true;
  }
  if (fields[0] == "V" && fields.size() == 4 && fields[1] == "used") {
    const auto skipped = ParseCount(fields[2]);
    const auto stretches = ParseCount(fields[3]);
    if (!skipped || !stretches) return false;
    volume_view_ = VolumeViewState{true, *skipped, *stretches, {}};
    return true;
  }
  if (fields[0] == "V" && fields.size() == 3 && fields[1] == "not used") {
    const auto reason = UnescapedField(fields[2]);
    if (!reason || reason->empty()) return false;
    volume_view_ = VolumeViewState{false, 0, 0, *reason};
    return true;
  }
  if (fields[0] == "U" && fields.size() == 2) {
    journal_mark_ = ParseJournalMark(fields[1]);
    return journal_mark_.has_value();
  }
  if (fields[0] == "D" && fields.size() == 3) {
    const auto folder = UnescapedField(fields[1]);
    const auto status = ParseHex8(fields[2]);
    if (!folder || !status) return false;
    unread_[*folder] = *status;
    return true;
  }
  if (fields[0] == "E" && fields.size() == 2 && !fields[1].empty() &&
      fields[1].find_first_not_of("0123456789") == std::string_view::npos) {
    ended_ = true;
    return true;
  }
  return false;
}

const EntryFacts* ListingViews::Find(const std::string& path) const {
  const auto found = files_.find(path);
  return found == files_.end() ? nullptr : &found->second;
}

std::optional<std::uint32_t> ListingViews::UnreadByQuery(const std::string& folder) const {
  const auto found = unread_.find(folder);
  if (found == unread_.end()) return std::nullopt;
  return found->second;
}

namespace {

// Lines read between two calls of the pump.
constexpr std::size_t kLinesPerPump = 4096;

bool IsFileRecord(std::string_view line) {
  return line.starts_with(kFileRecord) || line.starts_with(kFolderFileRecord);
}

}  // namespace

bool ViewsAlongListing::ReadOne() {
  const std::string* line = next_line_();
  if (line == nullptr) return false;
  if (IsFileRecord(*line)) ++records_read_;
  views_.ReadLine(*line);
  return true;
}

void ViewsAlongListing::Listed(const std::string* wanted_path) {
  if (wanted_path != nullptr) wanted_.insert(*wanted_path);
  ++listed_;
  while (records_read_ < listed_ && ReadOne()) {
  }
}

void ViewsAlongListing::ReadRest(const std::function<void()>& pump) {
  for (std::size_t lines = 1; ReadOne(); ++lines) {
    if (lines % kLinesPerPump == 0) pump();
  }
}

void ViewsAlongListing::ReadRestOfFolder(std::string_view folder, const std::function<void()>& pump) {
  const std::string escaped = EscapedField(folder);
  for (std::size_t lines = 1;; ++lines) {
    if (lines % kLinesPerPump == 0) pump();
    const std::string* line = next_line_();
    if (line == nullptr) return;
    const std::string_view text = *line;
    // The folder's records end where another folder's begin: at its folder
    // record, or at a file record that names its whole path.
    const bool elsewhere =
        (text.starts_with(kFileRecord) && !text.substr(kFileRecord.size()).starts_with(escaped)) ||
        (text.starts_with(kFolderRecord) && !(text.substr(kFolderRecord.size()).starts_with(escaped) &&
                                              text.substr(kFolderRecord.size() + escaped.size()).starts_with('\t')));
    if (elsewhere && views_.HoldsEveryWanted()) return;
    if (IsFileRecord(text)) ++records_read_;
    views_.ReadLine(text);
  }
}

}  // namespace quarvel
