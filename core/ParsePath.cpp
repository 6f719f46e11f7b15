#include "core/ParsePath.h"

#include <stdexcept>

namespace quarvel {
namespace {

constexpr std::size_t kLongestFilePath = 32767;  // positions are 16-bit signed

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

PathSplitter& SharedSplitter() {
  static PathSplitter splitter;
  return splitter;
}

}  // namespace

void PathSplitter::SetFullPath(std::string_view path) {
  full_path_.assign(path);
  folder_part_.clear();
  file_name_part_.clear();

  const bool is_folder =
      (!path.empty() && IsSeparator(path.back())) || path.find('.') == std::string_view::npos;
  if (is_folder) {
    folder_part_ = full_path_;
    if (folder_part_.empty() || !IsSeparator(folder_part_.back())) folder_part_ += '\\';
    return;
  }

  if (path.size() > kLongestFilePath) throw std::overflow_error("Overflow");
  const auto separator = path.find_last_of("\\/");
  const auto name_start = separator == std::string_view::npos ? 0 : separator + 1;
  file_name_part_.assign(path.substr(name_start));
  folder_part_.assign(path.substr(0, name_start));
}

void SetFullPath(std::string_view path) { SharedSplitter().SetFullPath(path); }
std::string GetFullPath() { return SharedSplitter().FullPath(); }
std::string GetFolderPart() { return SharedSplitter().FolderPart(); }
std::string GetFileNamePart() { return SharedSplitter().FileNamePart(); }

}  // namespace quarvel
