// What one in-use MFT record says about its file: attributes, names, the size
// of the unnamed data stream, the reparse tag, and the extension records its
// attribute list points to.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/ntfs/AttributeValues.h"
#include "core/ntfs/BootSector.h"
#include "core/ntfs/ByteSource.h"
#include "core/ntfs/MftRecord.h"

namespace quarvel::ntfs {

struct RecordContents {
  RecordHeader header;
  std::optional<std::uint32_t> attributes;  // from $STANDARD_INFORMATION
  std::optional<StandardTimes> times;       // from $STANDARD_INFORMATION
  std::vector<FileName> names;
  std::optional<std::uint64_t> data_size;  // from the extent of the unnamed $DATA that starts at VCN 0
  std::optional<std::uint32_t> reparse_tag;
  std::vector<FileReference> extension_records;  // from $ATTRIBUTE_LIST, without this record itself
};

// Reads the attributes above. A non-resident attribute list or reparse point is
// read from `source`. Any attribute that does not parse fails the whole record.
Result<RecordContents> ReadRecordContents(const MftRecord& record, ByteSource& source, const BootSector& boot);
// The same into `contents`, which keeps its names' storage from the record
// before: the MFT's reader reads millions of records into one.
Status ReadRecordContentsInto(const MftRecord& record, ByteSource& source, const BootSector& boot,
                              RecordContents& contents);

// Takes what an extension record holds into its base record's contents.
void MergeExtension(RecordContents& base, const RecordContents& extension);

}  // namespace quarvel::ntfs
