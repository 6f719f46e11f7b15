// ntfs-list IMAGE: lists every user file and folder of an NTFS image from its
// MFT, walking the tree from the root through VolumeIndex::Children and
// reading whole sectors only, as the lister will. One line per name:
//   path <TAB> record <TAB> d|f <TAB> attributes (hex) <TAB> size <TAB> reparse tag (hex) or - <TAB> short name or -
// Paths use "/" and have no leading separator. Counts go to stderr.
// ntfs-list --stats IMAGE: reads the index only, and prints how long that took,
// records a second, and the index's bytes per in-use record; then reads 25,000
// of its records again by reference alone (as a second look would), and how
// long that took.
// ntfs-list --via-index IMAGE: the same listing, but each folder read through
// its own $I30 index and the records it names (ReadFolderChildren), never the
// whole MFT; stderr says what the largest folder cost in bytes read.
// ntfs-list --via-index IMAGE FOLDER: that folder alone ("Windows/System32",
// found through the indexes above it), and the bytes its listing read.
#include <algorithm>
#include <array>
#include <chrono>
#include <cinttypes>
#include <cstring>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "core/ntfs/ByteSource.h"
#include "core/ntfs/FolderIndex.h"
#include "core/ntfs/MftScan.h"
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
               "scan: %" PRIu64 " free by the bitmap (%s), %" PRIu64 " read twice, %" PRIu64
               " unreadable stretches, %" PRIu64 " in use though marked free\n",
               t.free, t.bitmap_used ? "used" : "not used", t.reread, t.unreadable_stretches, t.in_use_marked_free);
  std::fprintf(stderr,
               "index: %" PRIu64 " linked, %" PRIu64 " orphans, %" PRIu64 " metafiles; extensions %" PRIu64
               " merged, %" PRIu64 " unclaimed, %" PRIu64 " missing; names %" PRIu64 " stale, %" PRIu64
               " dangling; %" PRIu64 " loops\n",
               c.linked, c.orphans, c.metafiles, c.extensions_merged, c.extensions_unclaimed, c.extensions_missing,
               c.stale_names, c.dangling_names, c.loops);
  if (index.mft().mirror_used) std::fprintf(stderr, "mft: %s\n", index.mft().mirror_used->c_str());
  for (const auto& bad : t.bad_records) std::fprintf(stderr, "bad: %s\n", bad.reason.c_str());
}

// Counts the bytes read through it.
class CountingSource final : public quarvel::ntfs::ByteSource {
 public:
  explicit CountingSource(quarvel::ntfs::ByteSource& inner) : inner_(inner) {}
  quarvel::ntfs::Result<std::size_t> Read(std::uint64_t offset, std::span<std::byte> buffer) override {
    bytes += buffer.size();
    return inner_.Read(offset, buffer);
  }
  std::uint64_t bytes = 0;

 private:
  quarvel::ntfs::ByteSource& inner_;
};

void PrintChild(std::string& out, const quarvel::ntfs::Child& child, const std::string& path) {
  char fields[128];
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
}

int ListViaIndexes(quarvel::ntfs::ByteSource& volume, const char* only) {
  using namespace quarvel::ntfs;
  std::array<std::byte, kBootSectorSize> sector{};
  if (!ReadFully(volume, 0, sector, "boot sector")) return 1;
  const auto boot = ParseBootSector(sector);
  if (!boot) return 1;
  const auto layout = LocateMft(volume, *boot);
  if (!layout) return 1;
  std::string out;
  std::string largest;
  std::uint64_t largest_children = 0, largest_bytes = 0;
  std::vector<std::pair<FileReference, std::string>> folders{{{kRootRecord, kRootRecord}, ""}};
  if (only != nullptr) {
    // Down to the folder by the index entries alone.
    FileReference at{kRootRecord, kRootRecord};
    std::string rest = only;
    while (!rest.empty()) {
      const auto slash = rest.find('/');
      const std::string part = rest.substr(0, slash);
      rest = slash == std::string::npos ? "" : rest.substr(slash + 1);
      auto index = ReadFolderIndex(volume, *boot, *layout, at);
      if (!index) return 1;
      const auto found = std::find_if(index->entries.begin(), index->entries.end(),
                                      [&](const IndexEntry& e) { return ToUtf8(e.name.name) == part; });
      if (found == index->entries.end()) return 1;
      at = found->file;
    }
    CountingSource counted(volume);
    auto read = ReadFolderChildren(counted, *boot, *layout, at);
    if (!read) return 1;
    for (const auto& child : read->children) PrintChild(out, child, std::string(only) + "/" + ToUtf8(child.name));
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fprintf(stderr, "%s: %zu children, %" PRIu64 " bytes read\n", only, read->children.size(), counted.bytes);
    return 0;
  }
  while (!folders.empty()) {
    auto [folder, prefix] = std::move(folders.back());
    folders.pop_back();
    CountingSource counted(volume);
    auto read = ReadFolderChildren(counted, *boot, *layout, folder);
    if (!read) {
      std::fprintf(stderr, "ntfs-list: %s: %s\n", prefix.c_str(), read.failure().text.c_str());
      return 1;
    }
    if (read->children.size() > largest_children) {
      largest_children = read->children.size();
      largest_bytes = counted.bytes;
      largest = prefix;
    }
    for (const auto& child : read->children) {
      if (child.record < kFirstUserRecord) continue;  // the root's index lists the metafiles
      std::string path = prefix.empty() ? ToUtf8(child.name) : prefix + "/" + ToUtf8(child.name);
      PrintChild(out, child, path);
      if (child.is_directory && !child.reparse_tag) folders.emplace_back(FileReference{child.record, child.sequence}, path);
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fprintf(stderr, "largest folder %s: %" PRIu64 " children, %" PRIu64 " bytes read\n", largest.c_str(),
               largest_children, largest_bytes);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool stats = argc == 3 && std::strcmp(argv[1], "--stats") == 0;
  const bool via_index = (argc == 3 || argc == 4) && std::strcmp(argv[1], "--via-index") == 0;
  if (argc != 2 && !stats && !via_index) {
    std::fprintf(stderr, "usage: ntfs-list [--stats|--via-index] IMAGE\n");
    return 2;
  }
  auto source = quarvel::ntfs::FileByteSource::Open(argv[via_index ? 2 : argc - 1]);
  if (!source) {
    std::fprintf(stderr, "ntfs-list: %s\n", source.failure().text.c_str());
    return 1;
  }
  // Through whole-sector reads only, as the lister must read a raw volume.
  quarvel::ntfs::SectorAlignedSource sectors(*source, 512);
  if (via_index) return ListViaIndexes(sectors, argc == 4 ? argv[3] : nullptr);
  const auto started = std::chrono::steady_clock::now();
  auto index = VolumeIndex::Read(sectors);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (!index) {
    std::fprintf(stderr, "ntfs-list: %s\n", index.failure().text.c_str());
    return 1;
  }
  if (stats) {
    PrintCounts(*index);
    const double in_use = static_cast<double>(index->tally().in_use);
    std::printf("index read in %.0f ms: %.0f in-use records a second; %.1f MiB, %.1f bytes per in-use record\n",
                seconds * 1000, in_use / seconds, index->MemoryBytes() / 1048576.0, index->MemoryBytes() / in_use);
    std::vector<quarvel::ntfs::FileReference> wanted;
    const std::size_t step = std::max<std::size_t>(1, index->EntryCount() / 25000);
    for (std::size_t i = 0; i < index->EntryCount() && wanted.size() < 25000; i += step) {
      const auto entry = index->EntryAt(i);
      wanted.push_back({entry.record, entry.sequence});
    }
    const auto again = std::chrono::steady_clock::now();
    const auto answers = quarvel::ntfs::ReadRecords(sectors, index->boot(), index->mft(), wanted);
    const double look = std::chrono::duration<double>(std::chrono::steady_clock::now() - again).count();
    const auto found = std::count_if(answers.begin(), answers.end(), [](const auto& a) {
      return a.state == quarvel::ntfs::RecordLookup::State::kFound;
    });
    std::printf("%zu records read again by reference in %.0f ms, %zu found\n", wanted.size(), look * 1000,
                static_cast<std::size_t>(found));
    return 0;
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
