#include "core/hive/Hive.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace quarvel::hive {
namespace {

using ntfs::Le16;
using ntfs::Le32;
using ntfs::Le64;

constexpr std::uint32_t kPage = 4096;
constexpr std::uint16_t kAsciiKeyName = 0x0020;
constexpr std::uint16_t kAsciiValueName = 0x0001;

bool Signature(Bytes bytes, std::size_t at, const char (&text)[3]) {
  return ntfs::Fits(bytes, at, 2) && bytes[at] == std::byte(text[0]) && bytes[at + 1] == std::byte(text[1]);
}

std::string Hex(std::uint32_t value) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xF];
  return text;
}

std::u16string NameAt(Bytes bytes, std::size_t at, std::size_t length, bool ascii) {
  std::u16string name;
  if (ascii) {
    name.reserve(length);
    for (std::size_t i = 0; i < length; ++i) name += static_cast<char16_t>(bytes[at + i]);
  } else {
    name.reserve(length / 2);
    for (std::size_t i = 0; i + 1 < length; i += 2) name += static_cast<char16_t>(Le16(bytes, at + i));
  }
  return name;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return UpcaseUnit(x) == UpcaseUnit(y); });
}

}  // namespace

char16_t UpcaseUnit(char16_t unit) {
  if (unit >= u'a' && unit <= u'z') return static_cast<char16_t>(unit - 0x20);
  if (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7) return static_cast<char16_t>(unit - 0x20);
  if (unit == 0xFF) return 0x178;
  return unit;
}

std::uint32_t BaseBlockChecksum(Bytes bytes) {
  std::uint32_t sum = 0;
  for (std::size_t at = 0; at < 508; at += 4) sum ^= Le32(bytes, at);
  if (sum == 0) return 1;
  if (sum == 0xFFFFFFFF) return 0xFFFFFFFE;
  return sum;
}

Result<BaseBlock> ReadBaseBlock(Bytes bytes) {
  if (bytes.size() < 512 || Le32(bytes, 0) != 0x66676572)  // "regf"
    return Failure{"base block: no regf signature"};
  BaseBlock base;
  base.primary_sequence = Le32(bytes, 4);
  base.secondary_sequence = Le32(bytes, 8);
  base.last_written = Le64(bytes, 12);
  base.major = Le32(bytes, 20);
  base.minor = Le32(bytes, 24);
  base.file_type = Le32(bytes, 28);
  base.file_format = Le32(bytes, 32);
  base.root_cell = Le32(bytes, 36);
  base.bins_size = Le32(bytes, 40);
  base.clustering = Le32(bytes, 44);
  base.checksum_ok = BaseBlockChecksum(bytes) == Le32(bytes, 508);
  return base;
}

Result<Hive> Hive::Open(std::vector<std::byte> file) {
  if (file.size() < kBaseBlockSize) return Failure{"hive: shorter than its base block"};
  auto base = ReadBaseBlock(file);
  if (!base) return base.failure();
  if (base->bins_size % kPage != 0) return Failure{"base block: hive bins size " + Hex(base->bins_size) + " is not whole pages"};
  // The bins that lie in the file; a bin that is not where the last one ended
  // ends the walk, and what follows it is out of reach, as for Windows.
  const std::size_t limit = std::min<std::size_t>(base->bins_size, (file.size() - kBaseBlockSize) / kPage * kPage);
  const Bytes data = Bytes(file).subspan(kBaseBlockSize, limit);
  std::vector<Bin> bins(limit / kPage);
  std::size_t at = 0;
  while (at + 32 <= limit) {
    const std::uint32_t size = Le32(data, at + 8);
    if (Le32(data, at) != 0x6E696268 || Le32(data, at + 4) != at || size < kPage || size % kPage != 0 || size > limit - at)
      break;
    for (std::size_t page = at / kPage; page < (at + size) / kPage; ++page)
      bins[page] = Bin{static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(at + size)};
    at += size;
  }
  if (at == 0) return Failure{"hive: no hive bin after the base block"};
  bins.resize(at / kPage);
  return Hive(std::move(file), *base, std::move(bins));
}

Result<Bytes> Hive::Cell(std::uint32_t offset) const {
  const std::size_t page = offset / kPage;
  if (offset % 8 != 0 || page >= bins_.size() || offset < bins_[page].start + 32)
    return Failure{"cell " + Hex(offset) + ": not inside a hive bin"};
  const Bytes data = Bytes(file_).subspan(kBaseBlockSize);
  const auto size = static_cast<std::int32_t>(Le32(data, offset));
  const std::uint32_t length = size < 0 ? 0u - static_cast<std::uint32_t>(size) : static_cast<std::uint32_t>(size);
  if (length < 8 || length > bins_[page].end - offset) return Failure{"cell " + Hex(offset) + ": size runs outside its bin"};
  return data.subspan(offset + 4, length - 4);
}

Result<KeyNode> Hive::Key(std::uint32_t cell) const {
  auto data = Cell(cell);
  if (!data) return data.failure();
  const Bytes nk = *data;
  if (nk.size() < 76 || !Signature(nk, 0, "nk")) return Failure{"key " + Hex(cell) + ": not a key node"};
  KeyNode key;
  key.cell = cell;
  key.flags = Le16(nk, 2);
  key.last_written = Le64(nk, 4);
  key.parent = Le32(nk, 16);
  key.subkey_count = Le32(nk, 20);
  key.subkey_list = Le32(nk, 28);
  key.value_count = Le32(nk, 36);
  key.value_list = Le32(nk, 40);
  key.security = Le32(nk, 44);
  key.class_cell = Le32(nk, 48);
  key.class_length = Le16(nk, 74);
  const std::size_t name_length = Le16(nk, 72);
  if (name_length > nk.size() - 76) return Failure{"key " + Hex(cell) + ": name runs outside its cell"};
  key.ascii_name = (key.flags & kAsciiKeyName) != 0;
  key.name = NameAt(nk, 76, name_length, key.ascii_name);
  return key;
}

ntfs::Status Hive::AppendLeaf(Bytes list, std::uint32_t offset, std::vector<std::uint32_t>& out) const {
  const std::size_t stride = Signature(list, 0, "li") ? 4 : (Signature(list, 0, "lf") || Signature(list, 0, "lh")) ? 8 : 0;
  if (stride == 0) return Failure{"subkey list " + Hex(offset) + ": not a leaf (li, lf, lh)"};
  const std::size_t count = Le16(list, 2);
  if (!ntfs::Fits(list, 4, count * stride)) return Failure{"subkey list " + Hex(offset) + ": more entries than its cell holds"};
  for (std::size_t i = 0; i < count; ++i) out.push_back(Le32(list, 4 + i * stride));
  return ntfs::Ok();
}

Result<std::vector<std::uint32_t>> Hive::SubkeyCells(const KeyNode& key) const {
  std::vector<std::uint32_t> cells;
  if (key.subkey_count == 0) return cells;
  auto list = Cell(key.subkey_list);
  if (!list) return list.failure();
  if (!Signature(*list, 0, "ri")) {
    if (auto leaf = AppendLeaf(*list, key.subkey_list, cells); !leaf) return leaf.failure();
    return cells;
  }
  // An index root names leaves only. A leaf named twice would repeat its keys
  // (and, named thousands of times, exhaust memory): refused.
  const std::size_t count = Le16(*list, 2);
  if (!ntfs::Fits(*list, 4, count * 4)) return Failure{"index root " + Hex(key.subkey_list) + ": more entries than its cell holds"};
  std::unordered_set<std::uint32_t> seen;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t offset = Le32(*list, 4 + i * 4);
    if (!seen.insert(offset).second) return Failure{"index root " + Hex(key.subkey_list) + ": names leaf " + Hex(offset) + " twice"};
    auto leaf = Cell(offset);
    if (!leaf) return leaf.failure();
    if (auto appended = AppendLeaf(*leaf, offset, cells); !appended) return appended.failure();
  }
  return cells;
}

Result<std::vector<std::uint32_t>> Hive::ValueCells(const KeyNode& key) const {
  std::vector<std::uint32_t> cells;
  if (key.value_count == 0) return cells;
  auto list = Cell(key.value_list);
  if (!list) return list.failure();
  if (!ntfs::Fits(*list, 0, std::size_t{key.value_count} * 4))
    return Failure{"value list " + Hex(key.value_list) + ": shorter than the key's " + std::to_string(key.value_count) + " values"};
  cells.reserve(key.value_count);
  for (std::size_t i = 0; i < key.value_count; ++i) cells.push_back(Le32(*list, i * 4));
  return cells;
}

Result<ValueKey> Hive::Value(std::uint32_t cell) const {
  auto data = Cell(cell);
  if (!data) return data.failure();
  const Bytes vk = *data;
  if (vk.size() < 20 || !Signature(vk, 0, "vk")) return Failure{"value " + Hex(cell) + ": not a value key"};
  ValueKey value;
  value.cell = cell;
  const std::size_t name_length = Le16(vk, 2);
  const std::uint32_t size = Le32(vk, 4);
  value.inline_data = (size & 0x80000000u) != 0;
  value.data_size = size & 0x7FFFFFFFu;
  value.data_offset = Le32(vk, 8);
  value.type = Le32(vk, 12);
  value.ascii_name = (Le16(vk, 16) & kAsciiValueName) != 0;
  if (name_length > vk.size() - 20) return Failure{"value " + Hex(cell) + ": name runs outside its cell"};
  value.name = NameAt(vk, 20, name_length, value.ascii_name);
  return value;
}

Result<std::vector<std::byte>> Hive::Data(const ValueKey& value) const {
  const std::string what = "value " + Hex(value.cell) + " data";
  std::vector<std::byte> bytes;
  if (value.inline_data) {
    if (value.data_size > 4) return Failure{what + ": inline but " + std::to_string(value.data_size) + " bytes long"};
    for (std::uint32_t i = 0; i < value.data_size; ++i) bytes.push_back(static_cast<std::byte>(value.data_offset >> (8 * i)));
    return bytes;
  }
  if (value.data_size == 0) return bytes;
  auto cell = Cell(value.data_offset);
  if (!cell) return Failure{what + ": " + cell.failure().text};
  // From version 1.4 on, data longer than one segment sits in segments a big-data cell lists.
  if (value.data_size > kBigDataSegment && base_.minor >= 4 && Signature(*cell, 0, "db")) {
    const std::size_t count = Le16(*cell, 2);
    auto list = Cell(Le32(*cell, 4));
    if (!list) return Failure{what + ": " + list.failure().text};
    if (!ntfs::Fits(*list, 0, count * 4)) return Failure{what + ": segment list shorter than its count"};
    bytes.reserve(std::min<std::size_t>(value.data_size, count * kBigDataSegment));
    std::unordered_set<std::uint32_t> seen;
    for (std::size_t i = 0; i < count && bytes.size() < value.data_size; ++i) {
      const std::uint32_t offset = Le32(*list, i * 4);
      if (!seen.insert(offset).second) return Failure{what + ": segment " + Hex(offset) + " listed twice"};
      auto segment = Cell(offset);
      if (!segment) return Failure{what + ": " + segment.failure().text};
      const std::size_t take = std::min({segment->size(), std::size_t{kBigDataSegment}, value.data_size - bytes.size()});
      bytes.insert(bytes.end(), segment->begin(), segment->begin() + static_cast<std::ptrdiff_t>(take));
    }
    if (bytes.size() != value.data_size) return Failure{what + ": segments hold fewer bytes than its size"};
    return bytes;
  }
  if (cell->size() < value.data_size) return Failure{what + ": cell shorter than the data's size"};
  bytes.assign(cell->begin(), cell->begin() + value.data_size);
  return bytes;
}

Result<std::optional<KeyNode>> Hive::Subkey(const KeyNode& key, std::u16string_view name) const {
  auto cells = SubkeyCells(key);
  if (!cells) return cells.failure();
  for (std::uint32_t cell : *cells) {
    auto child = Key(cell);
    if (!child) return child.failure();
    if (SameName(child->name, name)) return std::optional<KeyNode>(std::move(*child));
  }
  return std::optional<KeyNode>();
}

Result<std::optional<KeyNode>> Hive::Find(std::u16string_view path) const {
  auto key = Key(root());
  if (!key) return key.failure();
  std::optional<KeyNode> at = std::move(*key);
  while (!path.empty() && at) {
    const std::size_t cut = path.find(u'\\');
    const std::u16string_view part = path.substr(0, cut);
    path = cut == std::u16string_view::npos ? std::u16string_view() : path.substr(cut + 1);
    if (part.empty()) continue;
    auto next = Subkey(*at, part);
    if (!next) return next.failure();
    at = std::move(*next);
  }
  return at;
}

std::vector<Failure> WalkKeys(const Hive& hive, const std::function<void(const KeyNode&, const std::u16string&)>& visit) {
  std::vector<Failure> failures;
  std::unordered_set<std::uint32_t> entered;
  // An explicit stack: a hostile hive may nest keys deeper than any call stack.
  std::vector<std::pair<std::uint32_t, std::u16string>> pending{{hive.root(), u""}};
  while (!pending.empty()) {
    auto [cell, path] = std::move(pending.back());
    pending.pop_back();
    if (!entered.insert(cell).second) {
      failures.push_back(Failure{"key " + Hex(cell) + ": named more than once"});
      continue;
    }
    auto key = hive.Key(cell);
    if (!key) {
      failures.push_back(key.failure());
      continue;
    }
    if (!path.empty() || cell != hive.root()) path = path.empty() ? key->name : path + u"\\" + key->name;
    visit(*key, path);
    auto children = hive.SubkeyCells(*key);
    if (!children) {
      failures.push_back(children.failure());
      continue;
    }
    for (auto it = children->rbegin(); it != children->rend(); ++it) pending.emplace_back(*it, path);
  }
  return failures;
}

}  // namespace quarvel::hive
