// Splits a path into its folder part and file-name part, on the text alone.
// Separators are "\" and "/". A path with no "." at all, or one that ends in a
// separator, is a folder path. The module keeps its last split: callers split
// once with SetFullPath and read the parts until the next split.
#pragma once

#include <string>
#include <string_view>

namespace quarvel {

class PathSplitter {
 public:
  // Replaces the whole state. A file path longer than 32,767 characters throws
  // std::overflow_error; the full path is then already replaced and both parts
  // are empty.
  void SetFullPath(std::string_view path);

  const std::string& FullPath() const { return full_path_; }
  const std::string& FolderPart() const { return folder_part_; }
  const std::string& FileNamePart() const { return file_name_part_; }

 private:
  std::string full_path_;
  std::string folder_part_;
  std::string file_name_part_;
};

// The one shared splitter of the process.
void SetFullPath(std::string_view path);
std::string GetFullPath();
std::string GetFolderPart();
std::string GetFileNamePart();

}  // namespace quarvel
