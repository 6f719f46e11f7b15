#include "platform/SystemLibrary.h"

#include "platform/CommonFunction.h"

namespace quarvel::win {

UniqueModule LoadSystemLibrary(const std::string& file_name) {
  const std::string folder = GetSysDir();
  if (folder.empty()) return {};
  // With a full path, the library's own dependencies are looked for beside it
  // too, not beside the program.
  return UniqueModule(LoadLibraryExA((folder + "\\" + file_name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

}  // namespace quarvel::win
