// make-ntfs-image IMAGE USER_RECORDS [SEED]: writes an NTFS volume of that many
// user files and folders straight into an image file, without mkntfs or a
// mount, fast enough for millions of records (a system drive's MFT). The
// volume is what The Sleuth Kit reads as NTFS 3.1: boot sector, the sixteen
// metafiles, an $MFT in two runs with its $BITMAP, and every folder's $I30
// index as a B-tree of 4 KiB index blocks in collation order.
//
// The tree, from the seed: "Windows\System32" (a folder the size of the real
// one, without subfolders), then folders and files at random places; names of
// 4 to 40 characters, some 8.3 names of their own, some a separate DOS name;
// 2 % hidden, 1 % system, 1 % read-only; resident and (sparse) non-resident
// data; a few hard links and symbolic links (reparse points). The MFT has
// deleted records here and there and stretches of free records, both clear in
// $MFT's $BITMAP. File contents are not written (the image stays sparse).
//
// Prints to stderr how many records, folders and index blocks were written.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kSector = 512;
constexpr std::uint32_t kCluster = 4096;
constexpr std::uint32_t kRecord = 1024;
constexpr std::uint32_t kIndexBlock = 4096;
constexpr std::uint64_t kRoot = 5;
constexpr std::uint64_t kFirstUser = 24;
constexpr std::uint64_t kFreeStretchEvery = 40'000;  // user records between two free stretches
constexpr std::uint64_t kFreeStretch = 3'000;
constexpr std::uint64_t kSparse = ~std::uint64_t{0};
constexpr std::uint64_t kTime = 0x01D9'0000'0000'0000ull;  // 2023, in 100 ns since 1601

std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E37'79B9'7F4A'7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58'476D'1CE4'E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D0'49BB'1331'11EBull;
  return x ^ (x >> 31);
}

void Put16(std::uint8_t* at, std::uint16_t v) { std::memcpy(at, &v, 2); }
void Put32(std::uint8_t* at, std::uint32_t v) { std::memcpy(at, &v, 4); }
void Put64(std::uint8_t* at, std::uint64_t v) { std::memcpy(at, &v, 8); }
std::uint64_t Align8(std::uint64_t v) { return (v + 7) & ~std::uint64_t{7}; }

std::uint64_t Ref(std::uint64_t record, std::uint16_t sequence) { return record | (std::uint64_t{sequence} << 48); }

enum NameSpace : std::uint8_t { kPosix = 0, kWin32 = 1, kDos = 2, kWin32AndDos = 3 };

struct Name {
  std::string text;  // ASCII
  std::uint8_t name_space = kWin32;
  std::uint64_t parent = 0;  // record
};

// One user record of the model.
struct Node {
  std::uint64_t record = 0;
  std::uint32_t parent = 0;  // node index of the folder; ~0 for the root
  bool directory = false;
};

class Image {
 public:
  explicit Image(const char* path) {
    fd_ = ::open(path, O_CREAT | O_TRUNC | O_WRONLY, 0644);
    if (fd_ < 0) Die("cannot create the image");
  }
  ~Image() { ::close(fd_); }
  void Write(std::uint64_t offset, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
      const ssize_t n = ::pwrite(fd_, bytes, size, static_cast<off_t>(offset));
      if (n <= 0) Die("write failed");
      bytes += n;
      offset += static_cast<std::uint64_t>(n);
      size -= static_cast<std::size_t>(n);
    }
  }
  void SetSize(std::uint64_t size) {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) Die("cannot size the image");
  }
  [[noreturn]] static void Die(const char* why) {
    std::fprintf(stderr, "make-ntfs-image: %s\n", why);
    std::exit(1);
  }

 private:
  int fd_ = -1;
};

// Applies the update sequence: the last two bytes of each sector move into the
// array at 0x30 (record) or 0x28 (index block), and the sequence number takes their place.
void ApplyFixups(std::uint8_t* block, std::uint32_t size, std::uint16_t usa_offset) {
  const std::uint16_t usn = 1;
  Put16(block + usa_offset, usn);
  for (std::uint32_t s = 0; s < size / kSector; ++s) {
    std::uint8_t* end = block + (s + 1) * kSector - 2;
    std::memcpy(block + usa_offset + 2 + 2 * s, end, 2);
    Put16(end, usn);
  }
}

// An MFT record being filled attribute by attribute.
class Record {
 public:
  Record(std::uint8_t* bytes, std::uint64_t number, std::uint16_t sequence, std::uint16_t flags, std::uint16_t links)
      : b_(bytes), number_(number) {
    std::memset(b_, 0, kRecord);
    std::memcpy(b_, "FILE", 4);
    Put16(b_ + 0x04, 0x30);
    Put16(b_ + 0x06, kRecord / kSector + 1);
    Put16(b_ + 0x10, sequence);
    Put16(b_ + 0x12, links);
    Put16(b_ + 0x14, 0x38);
    Put16(b_ + 0x16, flags);
    Put32(b_ + 0x1C, kRecord);
    Put32(b_ + 0x2C, static_cast<std::uint32_t>(number));
    at_ = 0x38;
  }
  std::uint32_t Free() const { return kRecord - at_ - 8; }

  // A resident attribute, optionally named; returns where its value lies.
  std::uint8_t* Resident(std::uint32_t type, std::uint32_t size, const char* name = nullptr, std::uint16_t flags = 0) {
    const std::uint32_t name_length = name ? static_cast<std::uint32_t>(std::strlen(name)) : 0;
    const std::uint32_t value_at = static_cast<std::uint32_t>(Align8(0x18 + 2 * name_length));
    const std::uint32_t length = static_cast<std::uint32_t>(Align8(value_at + size));
    std::uint8_t* a = Begin(type, length, false, name, name_length, 0x18);
    Put16(a + 0x0C, flags);
    Put32(a + 0x10, size);
    Put16(a + 0x14, static_cast<std::uint16_t>(value_at));
    if (type == 0x30) a[0x16] = 1;  // indexed
    return a + value_at;
  }

  // A non-resident attribute over `runs` (cluster, count; kSparse for a run without clusters).
  void NonResident(std::uint32_t type, const std::vector<std::pair<std::uint64_t, std::uint64_t>>& runs,
                   std::uint64_t data_size, const char* name = nullptr) {
    std::vector<std::uint8_t> list;
    std::int64_t previous = 0;
    std::uint64_t clusters = 0;
    for (auto [lcn, count] : runs) {
      std::uint8_t length_bytes[8], offset_bytes[8];
      int nl = 0, no = 0;
      for (std::uint64_t v = count; v != 0 || nl == 0; v >>= 8) length_bytes[nl++] = static_cast<std::uint8_t>(v);
      if (length_bytes[nl - 1] & 0x80) length_bytes[nl++] = 0;
      if (lcn != kSparse) {
        std::int64_t delta = static_cast<std::int64_t>(lcn) - previous;
        previous = static_cast<std::int64_t>(lcn);
        do {
          offset_bytes[no++] = static_cast<std::uint8_t>(delta & 0xFF);
          delta >>= 8;
        } while (!((delta == 0 && !(offset_bytes[no - 1] & 0x80)) || (delta == -1 && (offset_bytes[no - 1] & 0x80))));
      }
      list.push_back(static_cast<std::uint8_t>(nl | (no << 4)));
      list.insert(list.end(), length_bytes, length_bytes + nl);
      list.insert(list.end(), offset_bytes, offset_bytes + no);
      clusters += count;
    }
    list.push_back(0);
    const std::uint32_t name_length = name ? static_cast<std::uint32_t>(std::strlen(name)) : 0;
    const std::uint32_t runs_at = static_cast<std::uint32_t>(Align8(0x40 + 2 * name_length));
    const std::uint32_t length = static_cast<std::uint32_t>(Align8(runs_at + list.size()));
    std::uint8_t* a = Begin(type, length, true, name, name_length, 0x40);
    Put64(a + 0x10, 0);
    Put64(a + 0x18, clusters == 0 ? ~std::uint64_t{0} : clusters - 1);
    Put16(a + 0x20, static_cast<std::uint16_t>(runs_at));
    Put64(a + 0x28, clusters * kCluster);
    Put64(a + 0x30, data_size);
    Put64(a + 0x38, data_size);
    std::memcpy(a + runs_at, list.data(), list.size());
  }

  void Finish() {
    Put32(b_ + at_, 0xFFFF'FFFF);
    at_ += 8;
    Put32(b_ + 0x18, at_);
    Put16(b_ + 0x28, next_id_);
    ApplyFixups(b_, kRecord, 0x30);
  }

 private:
  std::uint8_t* Begin(std::uint32_t type, std::uint32_t length, bool non_resident, const char* name,
                      std::uint32_t name_length, std::uint32_t name_at) {
    if (at_ + length + 8 > kRecord) Image::Die("an attribute does not fit its record");
    std::uint8_t* a = b_ + at_;
    Put32(a, type);
    Put32(a + 4, length);
    a[8] = non_resident ? 1 : 0;
    a[9] = static_cast<std::uint8_t>(name_length);
    Put16(a + 0x0A, static_cast<std::uint16_t>(name_at));
    Put16(a + 0x0E, next_id_++);
    for (std::uint32_t i = 0; i < name_length; ++i) Put16(a + name_at + 2 * i, static_cast<std::uint8_t>(name[i]));
    at_ += length;
    return a;
  }

  std::uint8_t* b_;
  std::uint64_t number_;
  std::uint32_t at_ = 0;
  std::uint16_t next_id_ = 0;
};

void StandardInformation(Record& r, std::uint32_t attributes) {
  std::uint8_t* v = r.Resident(0x10, 0x48);
  for (int i = 0; i < 4; ++i) Put64(v + 8 * i, kTime);
  Put32(v + 0x20, attributes);
}

// A $FILE_NAME value (also an index entry's key): 0x42 bytes and the name.
std::uint32_t FileNameSize(const std::string& name) { return 0x42 + 2 * static_cast<std::uint32_t>(name.size()); }
void FileNameValue(std::uint8_t* v, std::uint64_t parent_ref, const std::string& name, std::uint8_t name_space,
                   std::uint32_t attributes, std::uint64_t size, bool directory) {
  Put64(v, parent_ref);
  for (int i = 0; i < 4; ++i) Put64(v + 8 + 8 * i, kTime);
  Put64(v + 0x28, directory ? 0 : (size + kCluster - 1) / kCluster * kCluster);
  Put64(v + 0x30, directory ? 0 : size);
  Put32(v + 0x38, attributes | (directory ? 0x1000'0000u : 0u));
  v[0x40] = static_cast<std::uint8_t>(name.size());
  v[0x41] = name_space;
  for (std::size_t i = 0; i < name.size(); ++i) Put16(v + 0x42 + 2 * i, static_cast<std::uint8_t>(name[i]));
}

// One entry of a folder's $I30 index.
struct IndexKey {
  std::string upper;  // the collation key
  std::string name;
  std::uint8_t name_space = kWin32;
  std::uint64_t file_ref = 0;
  std::uint64_t parent_ref = 0;
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
  bool directory = false;
};

std::uint32_t EntrySize(const IndexKey& key, bool with_child) {
  return static_cast<std::uint32_t>(Align8(0x10 + FileNameSize(key.name))) + (with_child ? 8 : 0);
}

// Writes one index entry (or the end entry when key is null) at `at`; returns its size.
std::uint32_t PutEntry(std::uint8_t* at, const IndexKey* key, std::int64_t child_vcn) {
  const bool with_child = child_vcn >= 0;
  const std::uint32_t size = key ? EntrySize(*key, with_child) : 0x10u + (with_child ? 8 : 0);
  std::memset(at, 0, size);
  if (key) {
    Put64(at, key->file_ref);
    Put16(at + 0x0A, static_cast<std::uint16_t>(FileNameSize(key->name)));
    FileNameValue(at + 0x10, key->parent_ref, key->name, key->name_space, key->attributes, key->size, key->directory);
  }
  Put16(at + 0x08, static_cast<std::uint16_t>(size));
  Put32(at + 0x0C, (with_child ? 1u : 0u) | (key ? 0u : 2u));
  if (with_child) Put64(at + size - 8, static_cast<std::uint64_t>(child_vcn));
  return size;
}

// A folder's index as a B-tree: nodes of entries, each entry with the node of
// smaller keys before it, and each node's end entry with the node after its last.
struct IndexTree {
  std::vector<std::vector<std::uint8_t>> blocks;  // 4 KiB each, by VCN
  std::vector<std::uint8_t> root;                  // the $INDEX_ROOT's entries
  bool large = false;
};

constexpr std::uint32_t kBlockEntries = 0x40;  // where entries start in an index block

IndexTree BuildIndex(const std::vector<IndexKey>& keys, std::uint32_t root_space) {
  IndexTree tree;
  // A level: the in-order sequence child_0 key_0 child_1 key_1 ... child_m (children -1 in leaves).
  std::vector<std::pair<std::int64_t, const IndexKey*>> items;
  std::int64_t tail = -1;
  for (const auto& k : keys) items.push_back({-1, &k});
  const auto fits_root = [&] {
    std::uint32_t size = 0x10 + (tail >= 0 ? 8 : 0);
    for (auto& [child, key] : items) size += EntrySize(*key, child >= 0);
    return size <= root_space;
  };
  while (!fits_root()) {
    std::vector<std::pair<std::int64_t, const IndexKey*>> upper;
    std::vector<std::uint8_t> block(kIndexBlock, 0);
    std::uint32_t used = kBlockEntries;
    const std::uint32_t limit = kIndexBlock - 0x18;  // room for the end entry with a child
    const auto emit = [&](std::int64_t end_child) {
      used += PutEntry(block.data() + used, nullptr, end_child);
      const auto vcn = static_cast<std::int64_t>(tree.blocks.size());
      std::memcpy(block.data(), "INDX", 4);
      Put16(block.data() + 0x04, 0x28);
      Put16(block.data() + 0x06, kIndexBlock / kSector + 1);
      Put64(block.data() + 0x10, static_cast<std::uint64_t>(vcn));
      Put32(block.data() + 0x18, kBlockEntries - 0x18);
      Put32(block.data() + 0x1C, used - 0x18);
      Put32(block.data() + 0x20, kIndexBlock - 0x18);
      Put32(block.data() + 0x24, end_child >= 0 ? 1 : 0);
      ApplyFixups(block.data(), kIndexBlock, 0x28);
      tree.blocks.push_back(block);
      std::fill(block.begin(), block.end(), 0);
      used = kBlockEntries;
      return vcn;
    };
    for (std::size_t i = 0; i < items.size(); ++i) {
      auto [child, key] = items[i];
      if (used + EntrySize(*key, child >= 0) <= limit) {
        used += PutEntry(block.data() + used, key, child);
        continue;
      }
      // The node is full: this key goes up, with the node as its smaller side.
      upper.push_back({emit(child), key});
    }
    tail = emit(tail);
    items = std::move(upper);
  }
  std::uint32_t size = 0x10 + (tail >= 0 ? 8 : 0);
  for (auto& [child, key] : items) size += EntrySize(*key, child >= 0);
  tree.root.assign(size, 0);
  std::uint32_t at = 0;
  for (auto& [child, key] : items) at += PutEntry(tree.root.data() + at, key, child);
  PutEntry(tree.root.data() + at, nullptr, tail);
  tree.large = tail >= 0;
  return tree;
}

// Writes the folder's $INDEX_ROOT (and, for a large one, $INDEX_ALLOCATION at
// `cluster` and its $BITMAP); returns the clusters the blocks took.
void IndexAttributes(Record& r, const IndexTree& tree, std::uint64_t cluster) {
  std::uint8_t* v = r.Resident(0x90, 0x20 + static_cast<std::uint32_t>(tree.root.size()), "$I30");
  Put32(v, 0x30);
  Put32(v + 4, 1);  // collation: file names
  Put32(v + 8, kIndexBlock);
  v[0x0C] = kIndexBlock / kCluster;
  Put32(v + 0x10, 0x10);
  Put32(v + 0x14, 0x10 + static_cast<std::uint32_t>(tree.root.size()));
  Put32(v + 0x18, 0x10 + static_cast<std::uint32_t>(tree.root.size()));
  Put32(v + 0x1C, tree.large ? 1 : 0);
  std::memcpy(v + 0x20, tree.root.data(), tree.root.size());
  if (!tree.large) return;
  const std::uint64_t blocks = tree.blocks.size();
  r.NonResident(0xA0, {{cluster, blocks * (kIndexBlock / kCluster)}}, blocks * kIndexBlock, "$I30");
  std::uint8_t* bits = r.Resident(0xB0, static_cast<std::uint32_t>(Align8((blocks + 7) / 8)), "$I30");
  for (std::uint64_t b = 0; b < blocks; ++b) bits[b / 8] |= static_cast<std::uint8_t>(1u << (b % 8));
}

bool Fits83(const std::string& name) {
  const auto dot = name.find('.');
  const std::string base = name.substr(0, dot);
  const std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3 || ext.find('.') != std::string::npos) return false;
  for (char c : name)
    if (!(std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) || c == '.' ||
          c == '-' || c == '_'))
      return false;
  return true;
}

std::string Base36(std::uint64_t v) {
  std::string s;
  do {
    s.insert(s.begin(), "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[v % 36]);
    v /= 36;
  } while (v != 0);
  return s;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make-ntfs-image IMAGE USER_RECORDS [SEED]\n");
    return 2;
  }
  const std::uint64_t users = std::strtoull(argv[2], nullptr, 10);
  const std::uint64_t seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1;
  if (users < 2 || users > 200'000'000) Image::Die("USER_RECORDS must be from 2 to 200000000");
  const auto rnd = [seed](std::uint64_t what, std::uint64_t salt) { return Mix(Mix(what * 131 + salt) ^ seed); };

  // The tree: node 0 is Windows, node 1 System32 with its files right after it.
  const std::uint64_t system32_files = std::min<std::uint64_t>(4'000, users / 25);
  std::vector<Node> nodes(users);
  std::vector<std::uint32_t> folders;  // node indexes of the folders new entries may go into (not System32)
  constexpr std::uint32_t kAtRoot = ~0u;
  std::uint64_t slot = kFirstUser;
  std::vector<std::uint64_t> deleted;  // records left not in use
  for (std::uint64_t i = 0; i < users; ++i) {
    if (i > 0 && i % kFreeStretchEvery == 0) slot += kFreeStretch;
    if (rnd(slot, 1) % 200 == 0) deleted.push_back(slot++);
    Node& n = nodes[i];
    n.record = slot++;
    if (i == 0) {
      n.directory = true;
      n.parent = kAtRoot;
    } else if (i == 1) {
      n.directory = true;
      n.parent = 0;
    } else if (i < 2 + system32_files) {
      n.parent = 1;
    } else {
      n.directory = rnd(i, 2) % 12 == 0;
      const std::uint64_t pick = rnd(i, 3);
      n.parent = folders.empty() || pick % 50 == 0 ? kAtRoot : folders[(pick >> 8) % folders.size()];
    }
    if (n.directory && i != 1) folders.push_back(static_cast<std::uint32_t>(i));
  }
  const std::uint64_t record_count = (slot + 63) / 64 * 64;  // the MFT ends on whole bitmap words

  // Children per folder (index into `nodes`; the root is `users`), hard links included.
  const auto folder_of = [&](std::uint32_t parent) -> std::uint64_t { return parent == kAtRoot ? users : parent; };
  const auto is_link = [&](std::uint64_t i) { return !nodes[i].directory && i >= 2 + system32_files && rnd(i, 4) % 997 == 0; };
  const auto link_folder = [&](std::uint64_t i) -> std::uint64_t {
    return folders.empty() ? users : folders[(rnd(i, 5) >> 8) % folders.size()];
  };
  std::vector<std::uint64_t> child_start(users + 2, 0);
  for (std::uint64_t i = 0; i < users; ++i) {
    ++child_start[folder_of(nodes[i].parent) + 1];
    if (is_link(i)) ++child_start[link_folder(i) + 1];
  }
  for (std::uint64_t f = 0; f <= users; ++f) child_start[f + 1] += child_start[f];
  std::vector<std::uint32_t> children(child_start[users + 1]);
  {
    std::vector<std::uint64_t> fill(child_start.begin(), child_start.end() - 1);
    for (std::uint64_t i = 0; i < users; ++i) {
      children[fill[folder_of(nodes[i].parent)]++] = static_cast<std::uint32_t>(i);
      if (is_link(i)) children[fill[link_folder(i)]++] = static_cast<std::uint32_t>(i);
    }
  }

  // What each user record holds, from its node index alone.
  const auto sequence_of = [&](std::uint64_t i) { return static_cast<std::uint16_t>(1 + rnd(i, 6) % 5); };
  const auto attributes_of = [&](std::uint64_t i) -> std::uint32_t {
    if (nodes[i].directory) return i < 2 ? 0 : (rnd(i, 7) % 50 == 0 ? 0x02 : 0);
    const std::uint64_t r = rnd(i, 7) % 100;
    std::uint32_t a = 0x20;  // archive
    if (r < 2) a |= 0x02;
    else if (r < 3) a |= 0x04;
    else if (r < 4) a |= 0x01;
    return a;
  };
  const auto size_of = [&](std::uint64_t i) -> std::uint64_t {
    if (nodes[i].directory) return 0;
    const std::uint64_t r = rnd(i, 8);
    if (r % 10 < 6) return r % 200;                     // resident
    return 1024 + (r >> 16) % (r % 10 == 9 ? (64ull << 20) : (1ull << 20));  // non-resident, sparse
  };
  const auto is_symlink = [&](std::uint64_t i) {
    return !nodes[i].directory && i >= 2 + system32_files && rnd(i, 9) % 1009 == 0;
  };
  // The long name, and its separate DOS name when it has one.
  const auto names_of = [&](std::uint64_t i, std::string& long_name, std::uint8_t& name_space, std::string& dos) {
    dos.clear();
    if (i == 0) { long_name = "Windows"; name_space = kWin32AndDos; return; }
    if (i == 1) { long_name = "System32"; name_space = kWin32AndDos; return; }
    static const char* const kExtensions[] = {".dll", ".exe", ".txt", ".mui", ".sys", "", ".DLL", ".manifest"};
    const std::uint64_t r = rnd(i, 10);
    const std::string tag = Base36(i);
    if (r % 5 == 0) {  // an 8.3 name of its own
      long_name = "F" + tag.substr(0, 6) + (nodes[i].directory ? "" : ".DAT");
      name_space = kWin32AndDos;
      return;
    }
    std::string base;
    const std::size_t length = 3 + (r >> 8) % 30;
    for (std::size_t k = 0; k < length; ++k) {
      const std::uint64_t c = (r >> (k % 40)) ^ (k * 0x9E37);
      base += static_cast<char>(((c % 3) == 0 ? 'A' : 'a') + (c >> 3) % 26);
    }
    long_name = base + "-" + tag + (nodes[i].directory ? "" : kExtensions[(r >> 40) % 8]);
    name_space = Fits83(long_name) ? kWin32AndDos : kWin32;
    if (name_space == kWin32 && (r >> 50) % 3 == 0) {
      dos = tag.size() <= 6 ? tag + "~1" : tag;
      if (!nodes[i].directory) dos += ".DAT";
      name_space = kWin32;
    }
  };
  const auto link_name = [&](std::uint64_t i) { return "link-" + Base36(i) + ".lnk"; };

  // Clusters: 0-1 boot, 2 $MFTMirr, 3-18 $LogFile, 19 $AttrDef, 20-51 $UpCase,
  // then $Bitmap, $MFT's first half, its $BITMAP, its second half, the index blocks.
  const std::uint64_t mft_bitmap_bytes = Align8(record_count / 8);
  const std::uint64_t first_half = record_count / 2 / 4 * 4;
  const std::uint64_t mft_clusters = record_count * kRecord / kCluster;
  // Enough $Bitmap for the largest volume this can make: every name in an index block of its own.
  const std::uint64_t bound = 65536 + mft_clusters + 2 * (children.size() + users) + 1024;
  const std::uint64_t bitmap_clusters = (bound / 8 + kCluster - 1) / kCluster;
  const std::uint64_t bitmap_at = 52;
  const std::uint64_t mft_at = bitmap_at + bitmap_clusters;
  const std::uint64_t mft_bitmap_at = mft_at + first_half * kRecord / kCluster;
  const std::uint64_t mft_bitmap_clusters = (mft_bitmap_bytes + kCluster - 1) / kCluster;
  const std::uint64_t mft_second_at = mft_bitmap_at + mft_bitmap_clusters;
  std::uint64_t next_cluster = mft_second_at + (record_count - first_half) * kRecord / kCluster;

  Image image(argv[1]);
  std::vector<std::uint8_t> mft_bitmap(mft_bitmap_bytes, 0);
  const auto mark = [&](std::uint64_t record) { mft_bitmap[record / 8] |= static_cast<std::uint8_t>(1u << (record % 8)); };
  const auto record_offset = [&](std::uint64_t record) {
    return record < first_half ? mft_at * kCluster + record * kRecord
                               : mft_second_at * kCluster + (record - first_half) * kRecord;
  };
  std::uint64_t index_blocks = 0, folder_count = 0;
  // MFT records are gathered in a buffer and written a stretch at a time.
  std::vector<std::uint8_t> buffer(kRecord * 4096);
  std::uint64_t buffer_first = 0;
  std::uint64_t buffered = 0;
  const auto flush = [&] {
    // Records never split across the two runs: the first run ends on a buffer-sized boundary or not.
    std::uint64_t done = 0;
    while (done < buffered) {
      const std::uint64_t record = buffer_first + done;
      const std::uint64_t run_end = record < first_half ? first_half : record_count;
      const std::uint64_t count = std::min(buffered - done, run_end - record);
      image.Write(record_offset(record), buffer.data() + done * kRecord, count * kRecord);
      done += count;
    }
    buffer_first += buffered;
    buffered = 0;
  };
  const auto slot_of = [&](std::uint64_t record) -> std::uint8_t* {
    while (record >= buffer_first + buffer.size() / kRecord) flush();
    // Records come in increasing order; the slots between stay zero (never used).
    if (record - buffer_first >= buffered) {
      std::memset(buffer.data() + buffered * kRecord, 0, (record - buffer_first + 1 - buffered) * kRecord);
      buffered = record - buffer_first + 1;
    }
    return buffer.data() + (record - buffer_first) * kRecord;
  };

  const auto index_key = [&](std::uint64_t child, bool as_link, const std::string& name, std::uint8_t ns,
                             std::uint64_t parent_ref) {
    IndexKey key;
    key.upper = Upper(name);
    key.name = name;
    key.name_space = ns;
    key.file_ref = Ref(nodes[child].record, sequence_of(child));
    key.parent_ref = parent_ref;
    key.attributes = attributes_of(child) | (is_symlink(child) ? 0x400u : 0u);
    key.size = size_of(child);
    key.directory = nodes[child].directory;
    (void)as_link;
    return key;
  };
  // A folder's index, from its children; `folder` is a node index or `users` for the root.
  const auto folder_index = [&](std::uint64_t folder, std::uint64_t folder_ref, std::uint32_t root_space) {
    std::vector<IndexKey> keys;
    std::string name, dos;
    std::uint8_t ns;
    for (std::uint64_t c = child_start[folder]; c < child_start[folder + 1]; ++c) {
      const std::uint32_t child = children[c];
      const bool via_link = folder_of(nodes[child].parent) != folder;
      if (via_link) {
        keys.push_back(index_key(child, true, link_name(child), kWin32, folder_ref));
        continue;
      }
      names_of(child, name, ns, dos);
      keys.push_back(index_key(child, false, name, ns, folder_ref));
      if (!dos.empty()) keys.push_back(index_key(child, false, dos, kDos, folder_ref));
    }
    if (folder == users) {
      // The root lists the metafiles too, as a formatted volume's does.
      static const char* const kMeta[] = {"$MFT", "$MFTMirr", "$LogFile", "$Volume", "$AttrDef", ".",
                                          "$Bitmap", "$Boot", "$BadClus", "$Secure", "$UpCase", "$Extend"};
      for (std::uint64_t m = 0; m < 12; ++m) {
        IndexKey key;
        key.name = kMeta[m];
        key.upper = Upper(key.name);
        key.name_space = kWin32AndDos;
        key.file_ref = Ref(m, m == 0 ? 1 : static_cast<std::uint16_t>(m));
        key.parent_ref = folder_ref;
        key.attributes = 0x06;
        key.directory = m == kRoot || m == 11;
        keys.push_back(key);
      }
    }
    std::sort(keys.begin(), keys.end(), [](const IndexKey& a, const IndexKey& b) { return a.upper < b.upper; });
    return BuildIndex(keys, root_space);
  };
  const auto write_index = [&](Record& r, std::uint64_t folder, std::uint64_t folder_ref) {
    // $INDEX_ROOT's fixed part, and room kept for $INDEX_ALLOCATION (0x50) and its $BITMAP (0x28 at most here).
    const std::uint32_t space = r.Free() - 0x20 - 0x20 - 0x50 - 0x30;
    const IndexTree tree = folder_index(folder, folder_ref, space);
    IndexAttributes(r, tree, next_cluster);
    for (std::size_t b = 0; b < tree.blocks.size(); ++b)
      image.Write((next_cluster + b) * kCluster, tree.blocks[b].data(), kIndexBlock);
    next_cluster += tree.blocks.size() * (kIndexBlock / kCluster);
    index_blocks += tree.blocks.size();
    ++folder_count;
  };

  // The metafiles, 0 to 15 (11 $Extend is an empty folder, 12-15 reserved).
  struct Meta {
    const char* name;
    std::uint64_t record;
  };
  const auto meta_name = [&](Record& r, const char* name, bool directory) {
    const std::string n = name;
    std::uint8_t* v = r.Resident(0x30, FileNameSize(n));
    FileNameValue(v, Ref(kRoot, kRoot), n, kWin32AndDos, 0x06, 0, directory);
  };
  const std::uint64_t root_ref = Ref(kRoot, kRoot);
  std::vector<std::uint8_t> mirror(4 * kRecord);
  for (std::uint64_t m = 0; m < 16; ++m) {
    const std::uint16_t sequence = m == 0 ? 1 : static_cast<std::uint16_t>(m);
    const bool directory = m == kRoot || m == 11;
    std::uint8_t* at = slot_of(m);
    Record r(at, m, sequence, m < 12 ? (directory ? 3 : 1) : 0, 1);
    if (m >= 12) {
      r.Finish();
      continue;
    }
    StandardInformation(r, 0x06);
    static const char* const kNames[] = {"$MFT", "$MFTMirr", "$LogFile", "$Volume", "$AttrDef", ".",
                                         "$Bitmap", "$Boot", "$BadClus", "$Secure", "$UpCase", "$Extend"};
    meta_name(r, kNames[m], directory);
    mark(m);
    switch (m) {
      case 0:
        r.NonResident(0x80, {{mft_at, first_half * kRecord / kCluster}, {mft_second_at, (record_count - first_half) * kRecord / kCluster}},
                      record_count * kRecord);
        r.NonResident(0xB0, {{mft_bitmap_at, mft_bitmap_clusters}}, mft_bitmap_bytes);
        break;
      case 1: r.NonResident(0x80, {{2, 1}}, 4 * kRecord); break;
      case 2: r.NonResident(0x80, {{3, 16}}, 16 * kCluster); break;
      case 3: {
        const std::string label = "QVGEN";
        std::uint8_t* name = r.Resident(0x60, 2 * static_cast<std::uint32_t>(label.size()));
        for (std::size_t i = 0; i < label.size(); ++i) Put16(name + 2 * i, static_cast<std::uint8_t>(label[i]));
        std::uint8_t* info = r.Resident(0x70, 12);
        info[8] = 3;
        info[9] = 1;
        r.Resident(0x80, 0);
        break;
      }
      case 4: r.NonResident(0x80, {{19, 1}}, 2560); break;
      case 5: write_index(r, users, root_ref); break;
      case 6: break;  // rewritten with its $DATA once the volume's size is known (below)
      case 7: r.NonResident(0x80, {{0, 2}}, 2 * kCluster); break;
      case 11: {
        const IndexTree empty = BuildIndex({}, 512);
        IndexAttributes(r, empty, 0);
        break;
      }
      case 10: r.NonResident(0x80, {{20, 32}}, 128 * 1024); break;
      case 9: {
        // $Secure: no security descriptors, and its two indexes empty.
        r.Resident(0x80, 0, "$SDS");
        for (const auto& [index, collation] : {std::pair{"$SDH", 0x12u}, std::pair{"$SII", 0x10u}}) {
          std::uint8_t* v = r.Resident(0x90, 0x30, index);
          Put32(v + 4, collation);
          Put32(v + 8, kIndexBlock);
          v[0x0C] = 1;
          Put32(v + 0x10, 0x10);
          Put32(v + 0x14, 0x20);
          Put32(v + 0x18, 0x20);
          Put16(v + 0x28, 0x10);
          Put32(v + 0x2C, 2);
        }
        break;
      }
      default: r.Resident(0x80, 0); break;
    }
    r.Finish();
  }
  std::memcpy(mirror.data(), buffer.data(), 4 * kRecord);  // records 0 to 3, still in the first buffer

  // The user records, in record order, with the deleted ones between them.
  std::size_t next_deleted = 0;
  std::string name, dos;
  std::uint8_t ns;
  for (std::uint64_t i = 0; i < users; ++i) {
    const Node& n = nodes[i];
    while (next_deleted < deleted.size() && deleted[next_deleted] < n.record) {
      Record gone(slot_of(deleted[next_deleted]), deleted[next_deleted], 2, 0, 0);
      gone.Finish();
      ++next_deleted;
    }
    const bool link = is_link(i);
    names_of(i, name, ns, dos);
    const std::uint16_t links = static_cast<std::uint16_t>(1 + (link ? 1 : 0));
    Record r(slot_of(n.record), n.record, sequence_of(i), n.directory ? 3 : 1, links);
    mark(n.record);
    const std::uint32_t attributes = attributes_of(i) | (is_symlink(i) ? 0x400u : 0u);
    const std::uint64_t size = size_of(i);
    StandardInformation(r, attributes);
    const std::uint64_t parent_ref =
        n.parent == kAtRoot ? root_ref : Ref(nodes[n.parent].record, sequence_of(n.parent));
    FileNameValue(r.Resident(0x30, FileNameSize(name)), parent_ref, name, ns, attributes, size, n.directory);
    if (!dos.empty()) FileNameValue(r.Resident(0x30, FileNameSize(dos)), parent_ref, dos, kDos, attributes, size, n.directory);
    if (link) {
      const std::uint64_t f = link_folder(i);
      const std::uint64_t ref = f == users ? root_ref : Ref(nodes[f].record, sequence_of(f));
      FileNameValue(r.Resident(0x30, FileNameSize(link_name(i))), ref, link_name(i), kWin32, attributes, size, false);
    }
    if (n.directory) {
      write_index(r, i, Ref(n.record, sequence_of(i)));
    } else {
      if (size < 1024) r.Resident(0x80, static_cast<std::uint32_t>(size));
      else r.NonResident(0x80, {{kSparse, (size + kCluster - 1) / kCluster}}, size);
      if (is_symlink(i)) Put32(r.Resident(0xC0, 8), 0xA000'000Cu);
    }
    r.Finish();
  }

  // The volume's size, $Bitmap, and the records that needed it.
  // At least 256 MiB, so that the largest sparse file fits in the volume.
  const std::uint64_t total_clusters = std::max<std::uint64_t>(next_cluster + 16, 65536);
  if (next_cluster > bound + 48) Image::Die("the cluster bitmap is too small");
  flush();
  {
    std::vector<std::uint8_t> bytes(kRecord);
    Record r(bytes.data(), 6, 6, 1, 1);
    StandardInformation(r, 0x06);
    meta_name(r, "$Bitmap", false);
    r.NonResident(0x80, {{bitmap_at, bitmap_clusters}}, Align8((total_clusters + 7) / 8));
    r.Finish();
    image.Write(record_offset(6), bytes.data(), kRecord);
  }
  image.Write(mft_bitmap_at * kCluster, mft_bitmap.data(), mft_bitmap.size());
  image.Write(2 * kCluster, mirror.data(), mirror.size());
  {
    std::vector<std::uint8_t> bits(bitmap_clusters * kCluster, 0);
    for (std::uint64_t c = 0; c < next_cluster; ++c) bits[c / 8] |= static_cast<std::uint8_t>(1u << (c % 8));
    image.Write(bitmap_at * kCluster, bits.data(), bits.size());
  }
  {
    std::vector<std::uint8_t> upcase(128 * 1024);
    for (std::uint32_t c = 0; c < 65536; ++c) Put16(upcase.data() + 2 * c, static_cast<std::uint16_t>(c >= 'a' && c <= 'z' ? c - 32 : c));
    image.Write(20 * kCluster, upcase.data(), upcase.size());
  }
  {
    // $AttrDef: name, type, display rule, collation, flags, smallest and largest size.
    struct Def { const char* name; std::uint32_t type; std::uint32_t flags; std::uint64_t min, max; };
    static const Def kDefs[] = {
        {"$STANDARD_INFORMATION", 0x10, 0x40, 0x30, 0x48}, {"$ATTRIBUTE_LIST", 0x20, 0x80, 0, ~0ull},
        {"$FILE_NAME", 0x30, 0x42, 0x44, 0x242}, {"$OBJECT_ID", 0x40, 0x40, 0, 0x100},
        {"$SECURITY_DESCRIPTOR", 0x50, 0x80, 0, ~0ull}, {"$VOLUME_NAME", 0x60, 0x40, 2, 0x100},
        {"$VOLUME_INFORMATION", 0x70, 0x40, 0x0C, 0x0C}, {"$DATA", 0x80, 0, 0, ~0ull},
        {"$INDEX_ROOT", 0x90, 0x40, 0, ~0ull}, {"$INDEX_ALLOCATION", 0xA0, 0x80, 0, ~0ull},
        {"$BITMAP", 0xB0, 0x80, 0, ~0ull}, {"$REPARSE_POINT", 0xC0, 0x80, 0, 0x4000},
        {"$EA_INFORMATION", 0xD0, 0x40, 8, 8}, {"$EA", 0xE0, 0, 0, 0x10000},
        {"$LOGGED_UTILITY_STREAM", 0x100, 0x80, 0, 0x10000}};
    std::vector<std::uint8_t> defs(kCluster, 0);
    std::size_t at = 0;
    for (const Def& d : kDefs) {
      for (std::size_t i = 0; d.name[i] != 0; ++i) Put16(defs.data() + at + 2 * i, static_cast<std::uint8_t>(d.name[i]));
      Put32(defs.data() + at + 0x80, d.type);
      Put32(defs.data() + at + 0x88, d.type == 0x30 ? 1 : 0);
      Put32(defs.data() + at + 0x8C, d.flags);
      Put64(defs.data() + at + 0x90, d.min);
      Put64(defs.data() + at + 0x98, d.max);
      at += 0xA0;
    }
    image.Write(19 * kCluster, defs.data(), defs.size());
  }
  {
    std::uint8_t boot[kSector] = {0xEB, 0x52, 0x90, 'N', 'T', 'F', 'S', ' ', ' ', ' ', ' '};
    Put16(boot + 0x0B, kSector);
    boot[0x0D] = kCluster / kSector;
    boot[0x15] = 0xF8;
    Put16(boot + 0x18, 63);
    Put16(boot + 0x1A, 255);
    Put64(boot + 0x28, total_clusters * (kCluster / kSector) - 1);
    Put64(boot + 0x30, mft_at);
    Put64(boot + 0x38, 2);
    boot[0x40] = 0xF6;  // 2^10-byte records
    boot[0x44] = 1;     // one cluster per index block
    Put64(boot + 0x48, 0x5156'4745'4E00'0000ull ^ seed);
    boot[0x1FE] = 0x55;
    boot[0x1FF] = 0xAA;
    image.Write(0, boot, kSector);
    image.Write(total_clusters * kCluster - kSector, boot, kSector);  // the backup in the last sector
  }
  image.SetSize(total_clusters * kCluster);
  std::fprintf(stderr,
               "make-ntfs-image: %llu user records (%llu folders with $I30, root included), %llu MFT slots, "
               "%zu deleted, %llu index blocks, %llu MiB\n",
               static_cast<unsigned long long>(users), static_cast<unsigned long long>(folder_count),
               static_cast<unsigned long long>(record_count), deleted.size(),
               static_cast<unsigned long long>(index_blocks),
               static_cast<unsigned long long>(total_clusters * kCluster >> 20));
  return 0;
}
