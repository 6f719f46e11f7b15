// The folders a walk has listed, by the view that opened them and their
// identity: a set without a heap node per folder (a volume has hundreds of
// thousands, and under Wine each allocation costs more than the folder's
// lookup). An identity that is a record number alone (the volume view's) takes
// a bit in a table by number, which stays in the processor's cache; any other
// goes into a hash table (open addressing, at most half full).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "lister/Folder.h"

namespace quarvel::lister {

class VisitedFolders {
 public:
  // True when the folder was not in the set (it is now).
  bool Insert(std::size_t view, const FolderIdentity& folder) {
    if (folder.volume == 0 && folder.id_high == 0 && folder.id_low < kLargestNumbered) {
      if (numbered_.size() <= view) numbered_.resize(view + 1);
      std::vector<std::uint64_t>& bits = numbered_[view];
      const std::size_t word = static_cast<std::size_t>(folder.id_low / 64);
      if (bits.size() <= word) bits.resize(std::max(word + 1, bits.size() * 2), 0);
      const std::uint64_t bit = std::uint64_t{1} << (folder.id_low % 64);
      if ((bits[word] & bit) != 0) return false;
      bits[word] |= bit;
      return true;
    }
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    if (!Place(Slot{true, view, folder})) return false;
    ++count_;
    return true;
  }

 private:
  struct Slot {
    bool used = false;
    std::size_t view = 0;
    FolderIdentity folder;
  };

  static std::size_t Hash(const Slot& slot) {
    std::uint64_t h = slot.folder.id_low * 0x9E3779B97F4A7C15ull;
    h ^= (slot.folder.id_high + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    h ^= (slot.folder.volume + slot.view) * 0x165667B19E3779F9ull;
    return static_cast<std::size_t>(h ^ (h >> 29));
  }

  // False when an equal slot is there already.
  bool Place(const Slot& slot) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = Hash(slot) & mask;; at = (at + 1) & mask) {
      Slot& here = slots_[at];
      if (!here.used) {
        here = slot;
        return true;
      }
      if (here.view == slot.view && here.folder == slot.folder) return false;
    }
  }

  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 1024 : old.size() * 2, Slot{});
    for (const Slot& slot : old) {
      if (slot.used) Place(slot);
    }
  }

  // Beyond this, a number takes a slot of the hash table: the bits of a view
  // stay under 32 MiB (268 million records, an MFT of 256 GiB) whatever
  // numbers another view's identities hold.
  static constexpr std::uint64_t kLargestNumbered = std::uint64_t{1} << 28;
  std::vector<std::vector<std::uint64_t>> numbered_;  // by view: a bit per record number
  std::vector<Slot> slots_;  // a power of two in size
  std::size_t count_ = 0;
};

}  // namespace quarvel::lister
