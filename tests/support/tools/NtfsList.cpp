// ntfs-list IMAGE: lists every user file and folder of an NTFS image from its
// MFT, walking the tree from the root through VolumeIndex::Children and
// reading whole sectors only, as the lister will. One line per name:
//   path <TAB> record <TAB> d|f <TAB> attributes (hex) <TAB> size <TAB> reparse tag (hex) or - <TAB> short name or -
// Paths use "/" and have no leading separator. Counts go to stderr.
#include <cinttypes>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "core/ntfs/ByteSource.h"
#include "core/ntfs/Utf16.h"
#include "core/ntfs/VolumeIndex.h"

namespace {

using quarvel::ntfs::VolumeIndex;

void PrintCounts(const VolumeIndex& index) {
  const auto& t = index.tally();
  const auto& c = index.counts();
  std::fprintf(stderr,
               "mft: %" PRIu64 " records in %zu runs; %" PRIu64 " in use, %" PRIu64 " not in use, %" PRIu64
               " empty, %" PRIu64 " bad\n",
               t.records, index.mft().runs.size(), t.in_use, t.not_in_use, t.empty, t.bad);
  std::fprintf(stderr,
               "index: %" PRIu64 " linked, %" PRIu64 " orphans, %" PRIu64 " metafiles; extensions %" PRIu64
               " merged, %" PRIu64 " unclaimed, %" PRIu64 " missing; names %" PRIu64 " stale, %" PRIu64
               " dangling; %" PRIu64 " loops\n",
               c.linked, c.orphans, c.metafiles, c.extensions_merged, c.extensions_unclaimed, c.extensions_missing,
               c.stale_names, c.dangling_names, c.loops);
  if (index.mft().mirror_used) std::fprintf(stderr, "mft: %s\n", index.mft().mirror_used->c_str());
  for (const auto& bad : t.bad_records) std::fprintf(stderr, "bad: %s\n", bad.reason.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ntfs-list IMAGE\n");
    return 2;
  }
  auto source = quarvel::ntfs::FileByteSource::Open(argv[1]);
  if (!source) {
    std::fprintf(stderr, "ntfs-list: %s\n", source.failure().text.c_str());
    return 1;
  }
  // Through whole-sector reads only, as the lister must read a raw volume.
  quarvel::ntfs::SectorAlignedSource sectors(*source, 512);
  auto index = VolumeIndex::Read(sectors);
  if (!index) {
    std::fprintf(stderr, "ntfs-list: %s\n", index.failure().text.c_str());
    return 1;
  }

  std::string out;
  std::vector<std::pair<std::uint64_t, std::string>> folders{{quarvel::ntfs::kRootRecord, ""}};
  char fields[128];
  while (!folders.empty()) {
    auto [folder, prefix] = std::move(folders.back());
    folders.pop_back();
    for (const auto& child : index->Children(folder)) {
      std::string path = prefix.empty() ? quarvel::ntfs::ToUtf8(child.name) : prefix + "/" + quarvel::ntfs::ToUtf8(child.name);
      out += path;
      std::snprintf(fields, sizeof fields, "\t%" PRIu64 "\t%c\t%08" PRIx32 "\t%" PRIu64 "\t", child.record,
                    child.is_directory ? 'd' : 'f', child.attributes, child.size);
      out += fields;
      if (child.reparse_tag) {
        std::snprintf(fields, sizeof fields, "%08" PRIx32, *child.reparse_tag);
        out += fields;
      } else {
        out += '-';
      }
      out += '\t';
      out += child.short_name ? quarvel::ntfs::ToUtf8(*child.short_name) : "-";
      out += '\n';
      if (child.is_directory) folders.emplace_back(child.record, std::move(path));
      if (out.size() > (1u << 20)) {
        std::fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
      }
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  PrintCounts(*index);
  return 0;
}
