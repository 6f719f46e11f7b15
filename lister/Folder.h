// What the lister reads folders through: a source that opens the folder to
// list, and open folders that give their entries and open their subfolders.
// The NT directory query is one source; the walk knows no other detail of it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ReparseTag.h"
#include "lister/NamePool.h"

namespace quarvel::lister {

// The names are views: of the pool of the read that gave the entry (FolderRead),
// or of text that outlives the entry.
struct DirectoryEntry {
  std::wstring_view long_name;
  std::wstring_view short_name;  // empty when the long name already fits 8.3, or the volume keeps none
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
  std::uint32_t reparse_tag = 0;  // for a reparse point; 0 when unknown
  // The view's id of the file: the volume's MFT file reference, or the
  // directory query's file id; 0 when the view gives none.
  std::uint64_t id = 0;
  // When it was made, or its metadata changed after its data was last written
  // (FILETIME; see LastChangeBesidesWrites); 0 when the view gives none.
  std::uint64_t change_time = 0;

  bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  // Junctions and symbolic links (and reparse folders of unknown kind): listed,
  // never entered.
  bool IsLink() const {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && !EntersReparseFolder(reparse_tag);
  }
};

// Which folder an open folder is, whatever path led to it.
struct FolderIdentity {
  std::uint64_t volume = 0;
  std::uint64_t id_high = 0;
  std::uint64_t id_low = 0;
  auto operator<=>(const FolderIdentity&) const = default;
};

// The entries of a folder, and the status of the read that ended it early (a
// folder that could not be read to its end), if one did.
struct FolderRead {
  std::vector<DirectoryEntry> entries;
  NamePool names;  // what the entries' names are views of
  std::optional<std::uint32_t> failure;

  // Empty again, its memory kept.
  void Clear() {
    entries.clear();
    names.Clear();
    failure.reset();
  }
};

class Folder;

// An opened folder, or the status that kept it from opening.
struct OpenedFolder {
  std::unique_ptr<Folder> folder;
  std::uint32_t status = 0;
  // The folder is not there (any more): nothing to report.
  bool missing = false;
};

class Folder {
 public:
  virtual ~Folder() = default;
  // Every entry except "." and "..", in the order the source gives them, into
  // `read`, which is emptied first (its memory is used again).
  virtual void ReadEntries(FolderRead& read) = 0;
  // Nothing when the source cannot tell; a folder of unknown identity is
  // always walked.
  virtual std::optional<FolderIdentity> Identity() const = 0;
  // Opens a subfolder by its long name, without following a link. `id` is its
  // id as this folder's entries gave it (0 when unknown): a source whose ids
  // name its folders opens it by the id, without a search by name.
  virtual OpenedFolder OpenSubfolder(const std::wstring& name, std::uint64_t id) = 0;
};

class FolderSource {
 public:
  virtual ~FolderSource() = default;
  // Opens the folder to list by its Win32 path.
  virtual OpenedFolder OpenFolder(const std::wstring& path) = 0;
  // Whether a file of id `id` (as this source's entries give it), made before
  // `made_before` (a FILETIME; 0: whenever), is on the volume of `folder` now,
  // under any name; nothing when the source cannot tell. Where ids are used
  // again at once (inode numbers), a file made since is another file.
  virtual std::optional<bool> FileIdExists(const std::wstring& folder, std::uint64_t id, std::uint64_t made_before) {
    (void)folder;
    (void)id;
    (void)made_before;
    return std::nullopt;
  }
};

}  // namespace quarvel::lister
