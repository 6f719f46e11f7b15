#include "core/Recheck.h"

namespace quarvel {

std::string RecheckRequestLine(std::string_view path) { return EscapedField(path); }

std::optional<std::string> ParseRecheckRequestLine(std::string_view line) {
  if (line.empty() || line.find('\t') != std::string_view::npos) return std::nullopt;
  return UnescapedField(line);
}

std::string RecheckAnswerLine(std::string_view path, RecheckAnswer answer, Views views) {
  std::string letters;
  if (answer == RecheckAnswer::kGone) letters = "-";
  if (answer == RecheckAnswer::kUnknown) letters = "?";
  if (answer == RecheckAnswer::kStillThere) {
    if (views.volume) letters += 'V';
    if (views.query) letters += 'Q';
  }
  return EscapedField(path) + "\t" + letters;
}

bool RecheckAnswers::ReadLine(std::string_view line) {
  const auto tab = line.rfind('\t');
  if (tab == std::string_view::npos) return false;
  const auto path = UnescapedField(line.substr(0, tab));
  const std::string_view letters = line.substr(tab + 1);
  if (!path) return false;
  if (letters == "-") {
    answers_[*path] = RecheckAnswer::kGone;
  } else if (letters == "?") {
    answers_[*path] = RecheckAnswer::kUnknown;
  } else if (!letters.empty() && letters.find_first_not_of("VQ") == std::string_view::npos) {
    answers_[*path] = RecheckAnswer::kStillThere;
  } else {
    return false;
  }
  return true;
}

RecheckAnswer RecheckAnswers::Answer(const std::string& path) const {
  const auto found = answers_.find(path);
  return found == answers_.end() ? RecheckAnswer::kUnknown : found->second;
}

}  // namespace quarvel
