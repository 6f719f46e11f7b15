#include "core/ViewTable.h"

namespace quarvel {

const ViewRow& RowOf(ViewId id) {
  for (const ViewRow& row : kViewTable) {
    if (row.id == id) return row;
  }
  return kViewTable.front();
}

std::optional<ViewId> ViewOfLetter(char letter) {
  for (const ViewRow& row : kViewTable) {
    if (row.letter == letter) return row.id;
  }
  return std::nullopt;
}

std::string Views::Letters() const {
  std::string letters;
  AppendLetters(letters);
  return letters;
}

void Views::AppendLetters(std::string& out) const {
  for (const ViewRow& row : kViewTable) {
    if (Has(row.id)) out.push_back(row.letter);
  }
}

std::optional<Views> Views::FromLetters(std::string_view letters) {
  if (letters.empty()) return std::nullopt;
  Views views;
  for (const char letter : letters) {
    const auto id = ViewOfLetter(letter);
    if (!id) return std::nullopt;
    views.Add(*id);
  }
  return views;
}

std::string Views::Shown() const {
  std::string text;
  for (const ViewRow& row : kViewTable) {
    if (!Has(row.id)) continue;
    if (!text.empty()) text += ", ";
    text += row.shown;
  }
  return text;
}

}  // namespace quarvel
