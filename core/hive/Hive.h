// A registry hive read from its file's bytes: the base block, the hive bins and
// the cells they hold (key nodes, value keys, subkey lists, big data). Every
// offset a cell names is checked against the bins before it is followed, so a
// damaged or hostile hive yields a failure, never a read outside the file.
// Names are kept as stored: an ASCII ("compressed") name widened byte by byte,
// a UTF-16 name with every code unit, embedded NULs included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ntfs/LittleEndian.h"
#include "core/ntfs/Result.h"

namespace quarvel::hive {

using ntfs::Bytes;
using ntfs::Failure;
using ntfs::Result;

constexpr std::size_t kBaseBlockSize = 4096;
constexpr std::uint32_t kNoCell = 0xFFFFFFFF;
// Values longer than this are split into segments listed by a big-data cell.
constexpr std::uint32_t kBigDataSegment = 16344;

enum : std::uint32_t { kPrimaryFile = 0, kOldLogFile = 1, kOldLogFileAlternate = 2, kNewLogFile = 6 };

struct BaseBlock {
  std::uint32_t primary_sequence = 0;
  std::uint32_t secondary_sequence = 0;
  std::uint64_t last_written = 0;
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t file_type = 0;
  std::uint32_t file_format = 0;
  std::uint32_t root_cell = 0;
  std::uint32_t bins_size = 0;
  std::uint32_t clustering = 0;
  bool checksum_ok = false;

  // Windows calls a hive dirty when a write may not have finished.
  bool Dirty() const { return !checksum_ok || primary_sequence != secondary_sequence; }
};

// The XOR of the first 508 bytes' 32-bit words, with 0 and ~0 moved aside as
// Windows does.
std::uint32_t BaseBlockChecksum(Bytes bytes);
// The first 512 bytes of a primary or log file; fails without "regf".
Result<BaseBlock> ReadBaseBlock(Bytes bytes);

struct KeyNode {
  std::uint32_t cell = kNoCell;
  std::uint16_t flags = 0;
  std::uint64_t last_written = 0;
  std::uint32_t parent = kNoCell;
  std::uint32_t subkey_count = 0;
  std::uint32_t subkey_list = kNoCell;
  std::uint32_t value_count = 0;
  std::uint32_t value_list = kNoCell;
  std::uint32_t security = kNoCell;
  std::uint32_t class_cell = kNoCell;
  std::uint16_t class_length = 0;
  bool ascii_name = false;
  std::u16string name;
};

struct ValueKey {
  std::uint32_t cell = kNoCell;
  std::uint32_t type = 0;
  std::uint32_t data_size = 0;  // without the inline flag
  bool inline_data = false;     // the data sits in the data offset field itself
  std::uint32_t data_offset = 0;
  bool ascii_name = false;
  std::u16string name;  // empty: the key's default value
};

class Hive {
 public:
  // The hive in `file`, a primary file with any logs already applied.
  static Result<Hive> Open(std::vector<std::byte> file);

  const BaseBlock& base() const { return base_; }
  std::uint32_t root() const { return base_.root_cell; }
  std::size_t size() const { return file_.size(); }

  Result<KeyNode> Key(std::uint32_t cell) const;
  // The key nodes a key's subkey list names, in list order (through one index root).
  Result<std::vector<std::uint32_t>> SubkeyCells(const KeyNode& key) const;
  Result<std::vector<std::uint32_t>> ValueCells(const KeyNode& key) const;
  Result<ValueKey> Value(std::uint32_t cell) const;
  // The value's bytes, exactly `data_size` of them.
  Result<std::vector<std::byte>> Data(const ValueKey& value) const;
  // A subkey by name, compared without regard to case as the registry does.
  Result<std::optional<KeyNode>> Subkey(const KeyNode& key, std::u16string_view name) const;
  // A key by its path below the root ("Microsoft\\Windows NT"); nullopt where a part is missing.
  Result<std::optional<KeyNode>> Find(std::u16string_view path) const;

 private:
  struct Bin {
    std::uint32_t start = 0;
    std::uint32_t end = 0;  // 0: the page lies in no bin
  };
  Hive(std::vector<std::byte> file, BaseBlock base, std::vector<Bin> bins)
      : file_(std::move(file)), base_(base), bins_(std::move(bins)) {}
  // The data of the cell at `offset` (after its size field), inside its bin.
  Result<Bytes> Cell(std::uint32_t offset) const;
  ntfs::Status AppendLeaf(Bytes list, std::uint32_t offset, std::vector<std::uint32_t>& out) const;

  std::vector<std::byte> file_;
  BaseBlock base_;
  // Per 4 KiB page of the bins: the bin that holds it.
  std::vector<Bin> bins_;
};

// Visits every key reachable from the root, depth first, each with its path
// below the root ("" for the root, parts joined by "\\"). A key named a second
// time (a cycle, or two lists sharing a key) is not entered again. Failures are
// gathered and the walk goes on past the key they concern.
std::vector<Failure> WalkKeys(const Hive& hive, const std::function<void(const KeyNode&, const std::u16string&)>& visit);

// Upper-cases one UTF-16 code unit as the registry's name comparison does for
// the characters this reader needs: ASCII and Latin-1.
char16_t UpcaseUnit(char16_t unit);

}  // namespace quarvel::hive
