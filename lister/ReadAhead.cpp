#include "lister/ReadAhead.h"

#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

namespace quarvel::lister {

// A folder as the read-ahead left it: the live folder (or why it did not open),
// and, when it got that far, its entries, its identity and its subfolders'
// openings.
struct ReadAheadSource::Node {
  OpenedFolder opened;
  std::optional<FolderRead> read;
  std::optional<std::optional<FolderIdentity>> identity;
  std::unordered_map<std::wstring, std::unique_ptr<Node>> subfolders;
};

namespace {

using Node = ReadAheadSource::Node;

OpenedFolder Hand(std::unique_ptr<Node> node);

class ReadAheadFolder : public Folder {
 public:
  explicit ReadAheadFolder(std::unique_ptr<Node> node) : node_(std::move(node)) {}

  void ReadEntries(FolderRead& read) override {
    if (!node_->read) return node_->opened.folder->ReadEntries(read);
    read = std::move(*node_->read);
    node_->read.reset();
  }

  std::optional<FolderIdentity> Identity() const override {
    return node_->identity ? *node_->identity : node_->opened.folder->Identity();
  }

  OpenedFolder OpenSubfolder(const std::wstring& name, std::uint64_t id) override {
    const auto found = node_->subfolders.find(name);
    if (found == node_->subfolders.end()) return node_->opened.folder->OpenSubfolder(name, id);
    std::unique_ptr<Node> subfolder = std::move(found->second);
    node_->subfolders.erase(found);
    return Hand(std::move(subfolder));
  }

 private:
  std::unique_ptr<Node> node_;
};

OpenedFolder Hand(std::unique_ptr<Node> node) {
  if (!node->opened.folder) return std::move(node->opened);
  return {std::make_unique<ReadAheadFolder>(std::move(node)), 0, false};
}

}  // namespace

ReadAheadSource::ReadAheadSource(FolderSource& source, std::size_t budget) : source_(source), budget_(budget) {}

ReadAheadSource::~ReadAheadSource() = default;

void ReadAheadSource::ReadAhead(const std::wstring& path, bool recurse, const std::function<bool()>& stop) {
  path_ = path;
  top_ = std::make_unique<Node>(Node{source_.OpenFolder(path), {}, {}, {}});
  std::vector<Node*> pending;
  if (top_->opened.folder) pending.push_back(top_.get());
  std::set<FolderIdentity> seen;
  std::size_t held = 1;
  while (!pending.empty() && held < budget_ && !stop()) {
    Node& node = *pending.back();
    pending.pop_back();
    node.identity = node.opened.folder->Identity();
    // A folder reached again through a loop: the walk skips it, so no need to read it.
    if (*node.identity && !seen.insert(**node.identity).second) continue;
    node.opened.folder->ReadEntries(node.read.emplace());
    held += node.read->entries.size();
    if (!recurse) continue;
    // Pushed last to first, so that the first subfolder is read first, as the
    // walk will come to it.
    const auto& entries = node.read->entries;
    for (auto entry = entries.rbegin(); entry != entries.rend() && held < budget_; ++entry) {
      if (!entry->IsFolder() || entry->IsLink()) continue;
      std::wstring name(entry->long_name);
      if (node.subfolders.contains(name)) continue;
      auto subfolder = std::make_unique<Node>(Node{node.opened.folder->OpenSubfolder(name, entry->id), {}, {}, {}});
      ++held;
      if (subfolder->opened.folder) pending.push_back(subfolder.get());
      node.subfolders.emplace(std::move(name), std::move(subfolder));
    }
  }
}

OpenedFolder ReadAheadSource::OpenFolder(const std::wstring& path) {
  if (!top_ || path != path_) return source_.OpenFolder(path);
  return Hand(std::move(top_));
}

}  // namespace quarvel::lister
