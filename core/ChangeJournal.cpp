#include "core/ChangeJournal.h"

#include <charconv>
#include <cstring>
#include <vector>

namespace quarvel {
namespace {

template <class T>
T Load(std::span<const std::byte> bytes, std::size_t at) {
  T value{};
  std::memcpy(&value, bytes.data() + at, sizeof(T));  // the journal is little-endian, as this machine
  return value;
}

std::optional<std::uint64_t> ParseHex(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The fixed part of each record version: where its file reference and time
// stamp lie, and how long it is before the name.
struct RecordLayout {
  std::size_t reference;
  std::size_t time_stamp;
  std::size_t reason;
  std::size_t fixed_size;
};
constexpr RecordLayout kVersion2{8, 32, 40, 60};
constexpr RecordLayout kVersion3{8, 48, 56, 76};  // 128-bit ids: NTFS puts the reference in the low half

}  // namespace

std::string JournalMarkText(const JournalMark& mark) {
  char text[40];
  const auto id_end = std::to_chars(text, text + 20, mark.journal_id, 16).ptr;
  *id_end = ':';
  const auto end = std::to_chars(id_end + 1, text + sizeof(text), static_cast<std::uint64_t>(mark.next_usn), 16).ptr;
  return std::string(text, end);
}

std::optional<JournalMark> ParseJournalMark(std::string_view text) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const auto id = ParseHex(text.substr(0, colon));
  const auto usn = ParseHex(text.substr(colon + 1));
  if (!id || !usn || *usn > static_cast<std::uint64_t>(INT64_MAX)) return std::nullopt;
  return JournalMark{*id, static_cast<std::int64_t>(*usn)};
}

std::optional<std::int64_t> JournalChanges::Take(std::span<const std::byte> buffer, std::uint32_t reasons) {
  if (buffer.size() < 8) return std::nullopt;
  const auto next_usn = Load<std::int64_t>(buffer, 0);
  // The whole buffer is checked before any of it is kept.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> found;
  for (std::size_t at = 8; at < buffer.size();) {
    if (buffer.size() - at < 8) return std::nullopt;
    const auto length = Load<std::uint32_t>(buffer, at);
    const auto major = Load<std::uint16_t>(buffer, at + 4);
    if (length < 8 || length % 8 != 0 || length > buffer.size() - at) return std::nullopt;
    const RecordLayout* layout = major == 2 ? &kVersion2 : major == 3 ? &kVersion3 : nullptr;
    if (layout != nullptr) {
      if (length < layout->fixed_size) return std::nullopt;
      const auto record = buffer.subspan(at, length);
      if ((Load<std::uint32_t>(record, layout->reason) & reasons) != 0) {
        found.emplace_back(Load<std::uint64_t>(record, layout->reference), Load<std::uint64_t>(record, layout->time_stamp));
      }
    }
    at += length;  // a version this reader does not know is passed over
  }
  for (const auto& [reference, time_stamp] : found) {
    auto& latest = latest_[reference];
    if (time_stamp > latest) latest = time_stamp;
  }
  return next_usn;
}

std::optional<std::uint64_t> JournalChanges::ChangedAt(std::uint64_t reference) const {
  const auto found = latest_.find(reference);
  if (found == latest_.end()) return std::nullopt;
  return found->second;
}

}  // namespace quarvel
