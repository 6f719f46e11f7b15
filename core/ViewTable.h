// The lister's views, as data: each view a row with the letter the work files
// give it, the words the user reads and the name in the console's report. A
// view added to the lister is one row here and one source there.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quarvel {

enum class ViewId : std::uint8_t {
  kVolume,  // the NTFS volume's own master file table, read raw
  kQuery,   // the NT directory query
  kIndex,   // each folder's own index ($I30) on the volume, read raw
};

struct ViewRow {
  ViewId id;
  char letter;             // in the views file and the second look's answers
  std::string_view shown;  // as the window says it
  std::string_view json;   // as the console's report names it
  // A file it alone returns is listed, and the second look asks it again
  // before a file is dropped as vanished. A view that only checks the others
  // (the folders' indexes) does neither.
  bool lists_files;
};

inline constexpr std::array<ViewRow, 3> kViewTable{{
    {ViewId::kVolume, 'V', "the volume's MFT", "volume", true},
    {ViewId::kQuery, 'Q', "the NT directory query", "directory query", true},
    {ViewId::kIndex, 'I', "the folder's index", "folder index", false},
}};

const ViewRow& RowOf(ViewId id);
std::optional<ViewId> ViewOfLetter(char letter);

// A set of views: which views returned an entry, or which the lister read with.
class Views {
 public:
  constexpr Views() = default;
  constexpr Views(std::initializer_list<ViewId> ids) {
    for (const ViewId id : ids) Add(id);
  }
  constexpr bool Has(ViewId id) const { return (bits_ & Bit(id)) != 0; }
  constexpr void Add(ViewId id) { bits_ = static_cast<std::uint8_t>(bits_ | Bit(id)); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool operator==(const Views&) const = default;

  // "VQ": the letters in table order; "" for none.
  std::string Letters() const;
  void AppendLetters(std::string& out) const;
  // Nothing for an empty text or a letter no view has.
  static std::optional<Views> FromLetters(std::string_view letters);
  // "the volume's MFT, the NT directory query"; "" for none.
  std::string Shown() const;

 private:
  static constexpr std::uint8_t Bit(ViewId id) { return static_cast<std::uint8_t>(1u << static_cast<unsigned>(id)); }
  std::uint8_t bits_ = 0;
};

}  // namespace quarvel
