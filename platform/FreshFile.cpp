#include "platform/FreshFile.h"

namespace quarvel::win {

UniqueFileHandle CreateFreshFile(const std::string& path, DWORD share, DWORD access) {
  const auto create = [&] {
    return UniqueFileHandle(
        CreateFileA(path.c_str(), access, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  };
  UniqueFileHandle file = create();
  if (file) return file;
  const DWORD error = GetLastError();
  if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return file;
  if (!DeleteFileA(path.c_str())) return file;  // its error stands
  // Once only: a name that comes back at once is someone else's doing.
  return create();
}

}  // namespace quarvel::win
