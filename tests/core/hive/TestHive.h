// Hives built in memory cell by cell, for the cases hivex never writes:
// hostile offsets, cycles, index roots, big data, names with embedded NULs,
// and the transaction logs Windows writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quarvel::hive::test {

using ByteVector = std::vector<std::byte>;

ByteVector Le(std::uint64_t value, std::size_t width);
ByteVector Concat(std::initializer_list<ByteVector> parts);
ByteVector Ascii(const std::string& text);
ByteVector Utf16(const std::u16string& text);

class TestHive {
 public:
  explicit TestHive(std::uint32_t minor = 5);

  // Appends a cell holding `payload` (allocated unless `free`); returns its offset.
  std::uint32_t Cell(const ByteVector& payload, bool free = false);
  std::uint32_t Key(const std::u16string& name, std::uint32_t subkeys = 0, std::uint32_t subkey_list = 0xFFFFFFFF,
                    std::uint32_t values = 0, std::uint32_t value_list = 0xFFFFFFFF, bool ascii = true);
  std::uint32_t Value(const std::u16string& name, std::uint32_t type, const ByteVector& data, bool ascii = true);
  // A value whose data lies in a big-data cell, split into `segment`-byte pieces.
  std::uint32_t BigValue(const std::u16string& name, std::uint32_t type, const ByteVector& data, std::size_t segment = 16344);
  std::uint32_t List(const std::vector<std::uint32_t>& cells);  // a value list or a db segment list
  std::uint32_t Leaf(const char* signature, const std::vector<std::uint32_t>& keys);  // li, lf, lh, ri

  void Put(std::uint32_t cell, std::size_t at, const ByteVector& bytes);  // in a cell's data
  void SetCellSize(std::uint32_t cell, std::int32_t size);
  void SetRoot(std::uint32_t cell) { root_ = cell; }
  void SetSequence(std::uint32_t primary, std::uint32_t secondary);

  // The file: base block (checksum sealed) and bins.
  ByteVector Bytes() const;

 private:
  std::uint32_t minor_;
  std::uint32_t root_ = 0xFFFFFFFF;
  std::uint32_t primary_ = 1;
  std::uint32_t secondary_ = 1;
  ByteVector bins_;
  std::size_t bin_start_ = 0;
  std::size_t used_ = 0;  // in the current bin
};

// The base block's checksum recomputed after a change.
void Seal(ByteVector& file);
// A transaction log's first sector, as Windows writes it from the hive in memory.
ByteVector LogBase(const ByteVector& hive, std::uint32_t file_type, std::uint32_t sequence);
// A new-format entry holding `pages` (4 KiB pages of `hive`, offsets in the bins).
ByteVector LogEntry(const ByteVector& hive, const std::vector<std::uint32_t>& pages, std::uint32_t sequence);
// An old-format log: dirty vector and the 512-byte pages of `hive` listed.
ByteVector OldLog(const ByteVector& hive, const std::vector<std::uint32_t>& pages, std::uint32_t sequence);

}  // namespace quarvel::hive::test
