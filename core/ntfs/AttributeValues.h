// The values of the attributes the scan reads: $STANDARD_INFORMATION,
// $FILE_NAME, $REPARSE_POINT and $ATTRIBUTE_LIST.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/ntfs/FileReference.h"
#include "core/ntfs/LittleEndian.h"
#include "core/ntfs/Result.h"

namespace quarvel::ntfs {

// File attribute bits as Windows reports them (FILE_ATTRIBUTE_*).
namespace file_attribute {
inline constexpr std::uint32_t kReadOnly = 0x0001;
inline constexpr std::uint32_t kHidden = 0x0002;
inline constexpr std::uint32_t kSystem = 0x0004;
inline constexpr std::uint32_t kDirectory = 0x0010;
inline constexpr std::uint32_t kArchive = 0x0020;
inline constexpr std::uint32_t kReparsePoint = 0x0400;
}  // namespace file_attribute

// $STANDARD_INFORMATION's file attributes. The directory bit is not among them:
// that comes from the record's flags.
Result<std::uint32_t> ParseFileAttributes(Bytes value);
// $STANDARD_INFORMATION's times (FILETIMEs): made, data last written, record
// last changed (any change of data, name, attributes or security moves it).
struct StandardTimes {
  std::uint64_t created = 0;
  std::uint64_t written = 0;
  std::uint64_t changed = 0;
  bool operator==(const StandardTimes&) const = default;
};
Result<StandardTimes> ParseStandardTimes(Bytes value);

// The namespaces a name can be in. A Win32 name that is also a valid 8.3 name is
// stored once, as kWin32AndDos; otherwise a file with a short name has a kWin32
// name and a kDos name under the same parent.
enum class NameSpace : std::uint8_t { kPosix = 0, kWin32 = 1, kDos = 2, kWin32AndDos = 3 };

struct FileName {
  FileReference parent;
  NameSpace name_space = NameSpace::kPosix;
  std::u16string name;
};

Result<FileName> ParseFileName(Bytes value);
// The same, into `name`, whose string keeps its capacity: the MFT's reader
// parses millions of names into the same few.
Status ParseFileNameInto(Bytes value, FileName& name);

// The reparse tag (IO_REPARSE_TAG_*) at the start of $REPARSE_POINT.
Result<std::uint32_t> ParseReparseTag(Bytes value);

struct AttributeListEntry {
  std::uint32_t type = 0;
  std::uint64_t first_vcn = 0;
  FileReference record;  // the record that holds this part of the attribute
  bool unnamed = true;
};

Result<std::vector<AttributeListEntry>> ParseAttributeList(Bytes value);

}  // namespace quarvel::ntfs
