// The second look the comparison asks of the lister before it reports a file
// as unseen: a file deleted or renamed between the listing and the comparison
// (minutes apart, perhaps) has merely vanished. The comparison writes one path
// per line (escaped as in the views file); the lister, started with /CHECK,
// answers each with the views that show it now:
//
//   <path> TAB <views>       views: V and/or Q as in the views file; "-" when
//                            no view shows it any more; "?" when its folder
//                            could not be asked (the file is then kept)
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "core/ListingViews.h"

namespace quarvel {

enum class RecheckAnswer { kStillThere, kGone, kUnknown };

// The longest line of a request or an answer: a path of the listing (up to the
// listing's own line limit) after its folder, with room to spare.
inline constexpr std::size_t kLongestRecheckLine = 1 << 17;

std::string RecheckRequestLine(std::string_view path);
std::optional<std::string> ParseRecheckRequestLine(std::string_view line);
std::string RecheckAnswerLine(std::string_view path, RecheckAnswer answer, Views views);

// The answers of a whole file, by path; a path without an answer is unknown.
class RecheckAnswers {
 public:
  bool ReadLine(std::string_view line);
  RecheckAnswer Answer(const std::string& path) const;

 private:
  std::unordered_map<std::string, RecheckAnswer> answers_;
};

}  // namespace quarvel
