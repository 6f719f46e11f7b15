// The second look the comparison asks of the lister before it reports a file
// as unseen. A file deleted or renamed between the listing and the comparison
// (minutes apart, perhaps) has merely vanished; a file that changed while it
// was scanned must not be taken for a hidden one. The comparison writes one
// request per line; the lister, started with /CHECK, answers each:
//
//   request: <path> TAB <folder's real path> TAB <long name> TAB <ids> TAB <folder ids>
//   answer:  <path> TAB <look> TAB <attributes> TAB <change time>
//
// Each file is found again by its identity where a view has one (the volume's
// MFT record and sequence number), and by its long name in its folder, the
// folder opened by its real path and checked by its id. <look> holds, for each
// view asked, its letter and one of "+" (there, as listed), "-" (positively
// gone: its record is free or reused, or its name is gone from its folder),
// "~" (changed: renamed, or its name now names another file) and "?" (could
// not be asked: its folder could not be opened or is another folder now).
// <attributes> are the file's FILE_ATTRIBUTE_* now, in hex, or "-"; <change
// time> when its metadata last changed (a FILETIME in hex), or "-".
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/ListingViews.h"

namespace quarvel {

enum class Look : std::uint8_t { kNotAsked, kThere, kGone, kChanged, kUnknown };

struct RecheckRequest {
  std::string path;  // as the listing and the views file name it
  std::string folder_path;  // UTF-8, as the lister opened it
  std::string long_name;    // UTF-8
  ViewIds ids;
  ViewIds folder_ids;
};

struct RecheckAnswer {
  std::array<Look, kViewTable.size()> looks{};
  std::optional<std::uint32_t> attributes;
  std::optional<std::uint64_t> changed_at;  // FILETIME

  Look Of(ViewId view) const { return looks[static_cast<std::size_t>(view)]; }
  void Set(ViewId view, Look look) { looks[static_cast<std::size_t>(view)] = look; }
};

// The longest line of a request or an answer: a path of the listing (up to the
// listing's own line limit) after its folder, with room to spare.
inline constexpr std::size_t kLongestRecheckLine = 1 << 17;

// When a file last changed in a way that can alter how a view lists it: it was
// made, or its metadata changed after its data was last written (a rename, new
// attributes). A write of its data moves the change time and the write time
// together and is left out, so a hidden file that a hider keeps writing stays
// open to accusation. The times are FILETIMEs, 0 where a view gives none.
std::optional<std::uint64_t> LastChangeBesidesWrites(std::uint64_t created, std::uint64_t written,
                                                     std::uint64_t changed);

std::string RecheckRequestLine(std::string_view path, const EntryFacts& facts);
std::optional<RecheckRequest> ParseRecheckRequestLine(std::string_view line);
std::string RecheckAnswerLine(std::string_view path, const RecheckAnswer& answer);

// The answers of a whole file, by path; a path without an answer was not
// answered (the lister ended early), which is never taken for gone.
class RecheckAnswers {
 public:
  bool ReadLine(std::string_view line);
  const RecheckAnswer* Find(const std::string& path) const;

 private:
  std::unordered_map<std::string, RecheckAnswer> answers_;
};

}  // namespace quarvel
