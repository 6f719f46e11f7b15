// A source whose folders are read ahead of the walk, into memory: while the
// volume's MFT is read on another thread, the directory query's view of the
// same tree is read here, so that the two costs overlap instead of adding up.
// The walk then takes each folder read ahead as it comes to it (its entries,
// its identity, its subfolders' openings) and reads every other folder live.
// A folder read ahead is handed out once; its handle stays open until then.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "lister/Folder.h"

namespace quarvel::lister {

class ReadAheadSource : public FolderSource {
 public:
  // At most this many entries and folders are held in memory.
  static constexpr std::size_t kDefaultBudget = 256 * 1024;

  explicit ReadAheadSource(FolderSource& source, std::size_t budget = kDefaultBudget);
  ~ReadAheadSource() override;

  // Reads the tree from `path` depth-first (the folder alone unless `recurse`),
  // entering the folders the walk enters, until `stop` answers true, the whole
  // tree is held, or the budget is spent.
  void ReadAhead(const std::wstring& path, bool recurse, const std::function<bool()>& stop);

  OpenedFolder OpenFolder(const std::wstring& path) override;

  struct Node;

 private:
  FolderSource& source_;
  std::size_t budget_;
  std::wstring path_;
  std::unique_ptr<Node> top_;  // with the opening's outcome, until the walk takes it
};

}  // namespace quarvel::lister
