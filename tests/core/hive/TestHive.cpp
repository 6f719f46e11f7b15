#include "tests/core/hive/TestHive.h"

#include <algorithm>
#include <cstring>

#include "core/hive/Hive.h"
#include "core/hive/Marvin32.h"

namespace quarvel::hive::test {
namespace {

constexpr std::size_t kPage = 4096;

void PutAt(ByteVector& bytes, std::size_t at, const ByteVector& value) {
  if (bytes.size() < at + value.size()) bytes.resize(at + value.size());
  std::copy(value.begin(), value.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

void StartBin(ByteVector& bins, std::size_t at, std::size_t size) {
  bins.resize(at + size);
  PutAt(bins, at, Concat({Ascii("hbin"), Le(at, 4), Le(size, 4)}));
}

}  // namespace

ByteVector Le(std::uint64_t value, std::size_t width) {
  ByteVector bytes(width);
  for (std::size_t i = 0; i < width; ++i) bytes[i] = static_cast<std::byte>(value >> (8 * i));
  return bytes;
}

ByteVector Concat(std::initializer_list<ByteVector> parts) {
  ByteVector all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

ByteVector Ascii(const std::string& text) {
  ByteVector bytes;
  for (char c : text) bytes.push_back(static_cast<std::byte>(c));
  return bytes;
}

ByteVector Utf16(const std::u16string& text) {
  ByteVector bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::byte>(c & 0xFF));
    bytes.push_back(static_cast<std::byte>(c >> 8));
  }
  return bytes;
}

TestHive::TestHive(std::uint32_t minor) : minor_(minor) {
  StartBin(bins_, 0, kPage);
  used_ = 32;
}

std::uint32_t TestHive::Cell(const ByteVector& payload, bool free) {
  const std::size_t size = (payload.size() + 4 + 7) / 8 * 8;
  if (bin_start_ + used_ + size > bins_.size()) {
    // Closes the current bin with a free cell and opens one large enough.
    const std::size_t rest = bins_.size() - bin_start_ - used_;
    if (rest >= 8) PutAt(bins_, bin_start_ + used_, Le(rest, 4));
    bin_start_ = bins_.size();
    StartBin(bins_, bin_start_, (size + 32 + kPage - 1) / kPage * kPage);
    used_ = 32;
  }
  const std::size_t at = bin_start_ + used_;
  const auto signed_size = static_cast<std::int32_t>(size);
  PutAt(bins_, at, Le(static_cast<std::uint32_t>(free ? signed_size : -signed_size), 4));
  PutAt(bins_, at + 4, payload);
  used_ += size;
  return static_cast<std::uint32_t>(at);
}

std::uint32_t TestHive::Key(const std::u16string& name, std::uint32_t subkeys, std::uint32_t subkey_list, std::uint32_t values,
                            std::uint32_t value_list, bool ascii) {
  const ByteVector stored = ascii ? [&] {
    ByteVector b;
    for (char16_t c : name) b.push_back(static_cast<std::byte>(c));
    return b;
  }()
                                  : Utf16(name);
  return Cell(Concat({Ascii("nk"), Le(ascii ? 0x20 : 0, 2), Le(0, 8), Le(0, 4), Le(0, 4), Le(subkeys, 4), Le(0, 4),
                      Le(subkey_list, 4), Le(0xFFFFFFFF, 4), Le(values, 4), Le(value_list, 4), Le(0xFFFFFFFF, 4),
                      Le(0xFFFFFFFF, 4), Le(0, 20), Le(stored.size(), 2), Le(0, 2), stored}));
}

std::uint32_t TestHive::Value(const std::u16string& name, std::uint32_t type, const ByteVector& data, bool ascii) {
  ByteVector stored;
  if (ascii) {
    for (char16_t c : name) stored.push_back(static_cast<std::byte>(c));
  } else {
    stored = Utf16(name);
  }
  std::uint64_t size = data.size();
  std::uint64_t offset = 0;
  if (data.size() <= 4) {
    size |= 0x80000000u;
    for (std::size_t i = 0; i < data.size(); ++i) offset |= static_cast<std::uint64_t>(data[i]) << (8 * i);
  } else {
    offset = Cell(data);
  }
  return Cell(Concat({Ascii("vk"), Le(stored.size(), 2), Le(size, 4), Le(offset, 4), Le(type, 4), Le(ascii ? 1 : 0, 2),
                      Le(0, 2), stored}));
}

std::uint32_t TestHive::BigValue(const std::u16string& name, std::uint32_t type, const ByteVector& data, std::size_t segment) {
  std::vector<std::uint32_t> segments;
  for (std::size_t at = 0; at < data.size(); at += segment)
    segments.push_back(Cell(ByteVector(data.begin() + static_cast<std::ptrdiff_t>(at),
                                       data.begin() + static_cast<std::ptrdiff_t>(std::min(data.size(), at + segment)))));
  const std::uint32_t list = List(segments);
  const std::uint32_t db = Cell(Concat({Ascii("db"), Le(segments.size(), 2), Le(list, 4)}));
  ByteVector stored;
  for (char16_t c : name) stored.push_back(static_cast<std::byte>(c));
  return Cell(Concat({Ascii("vk"), Le(stored.size(), 2), Le(data.size(), 4), Le(db, 4), Le(type, 4), Le(1, 2), Le(0, 2), stored}));
}

std::uint32_t TestHive::List(const std::vector<std::uint32_t>& cells) {
  ByteVector bytes;
  for (std::uint32_t cell : cells) bytes = Concat({bytes, Le(cell, 4)});
  return Cell(bytes);
}

std::uint32_t TestHive::Leaf(const char* signature, const std::vector<std::uint32_t>& keys) {
  const bool wide = std::strcmp(signature, "lf") == 0 || std::strcmp(signature, "lh") == 0;
  ByteVector bytes = Concat({Ascii(signature), Le(keys.size(), 2)});
  for (std::uint32_t key : keys) bytes = Concat({bytes, Le(key, 4), wide ? Le(0, 4) : ByteVector{}});
  return Cell(bytes);
}

void TestHive::Put(std::uint32_t cell, std::size_t at, const ByteVector& bytes) { PutAt(bins_, cell + 4 + at, bytes); }

void TestHive::SetCellSize(std::uint32_t cell, std::int32_t size) { PutAt(bins_, cell, Le(static_cast<std::uint32_t>(size), 4)); }

void TestHive::SetSequence(std::uint32_t primary, std::uint32_t secondary) {
  primary_ = primary;
  secondary_ = secondary;
}

ByteVector TestHive::Bytes() const {
  ByteVector file(kPage);
  PutAt(file, 0, Concat({Ascii("regf"), Le(primary_, 4), Le(secondary_, 4), Le(0x01D0000000000000ull, 8), Le(1, 4),
                         Le(minor_, 4), Le(0, 4), Le(1, 4), Le(root_, 4), Le(bins_.size(), 4), Le(1, 4)}));
  Seal(file);
  file.insert(file.end(), bins_.begin(), bins_.end());
  return file;
}

void Seal(ByteVector& file) { PutAt(file, 508, Le(BaseBlockChecksum(file), 4)); }

ByteVector LogBase(const ByteVector& hive, std::uint32_t file_type, std::uint32_t sequence) {
  ByteVector base(hive.begin(), hive.begin() + 512);
  PutAt(base, 4, Concat({Le(sequence, 4), Le(sequence, 4)}));
  PutAt(base, 28, Le(file_type, 4));
  Seal(base);
  return base;
}

ByteVector LogEntry(const ByteVector& hive, const std::vector<std::uint32_t>& pages, std::uint32_t sequence) {
  ByteVector body;
  for (std::uint32_t page : pages) body = Concat({body, Le(page, 4), Le(kPage, 4)});
  for (std::uint32_t page : pages)
    body.insert(body.end(), hive.begin() + static_cast<std::ptrdiff_t>(kPage + page),
                hive.begin() + static_cast<std::ptrdiff_t>(kPage + page + kPage));
  body.resize((body.size() + 40 + 511) / 512 * 512 - 40);
  const std::uint32_t bins_size = static_cast<std::uint32_t>(hive.size() - kPage);
  ByteVector head = Concat({Ascii("HvLE"), Le(body.size() + 40, 4), Le(0, 4), Le(sequence, 4), Le(bins_size, 4),
                            Le(pages.size(), 4), Le(Marvin32(body, kLogEntrySeed), 8)});
  head = Concat({head, Le(Marvin32(head, kLogEntrySeed), 8)});
  return Concat({head, body});
}

ByteVector OldLog(const ByteVector& hive, const std::vector<std::uint32_t>& pages, std::uint32_t sequence) {
  const std::size_t bits = (hive.size() - kPage) / 512;
  ByteVector vector = Concat({Ascii("DIRT"), ByteVector((bits + 7) / 8)});
  for (std::uint32_t page : pages) vector[4 + page / 512 / 8] |= static_cast<std::byte>(1u << (page / 512 % 8));
  vector.resize((vector.size() + 511) / 512 * 512);
  ByteVector log = Concat({LogBase(hive, kOldLogFile, sequence), vector});
  for (std::uint32_t page : pages)
    log.insert(log.end(), hive.begin() + static_cast<std::ptrdiff_t>(kPage + page),
               hive.begin() + static_cast<std::ptrdiff_t>(kPage + page + 512));
  return log;
}

}  // namespace quarvel::hive::test
