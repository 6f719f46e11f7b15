#include "platform/WorkFolder.h"

#include "platform/AnsiText.h"
#include "platform/CommonFunction.h"
#include "platform/UniqueHandle.h"

namespace quarvel::win {

std::wstring CurrentFolderWide() {
  const DWORD needed = GetCurrentDirectoryW(0, nullptr);
  if (needed == 0) return {};
  std::wstring folder(needed, L'\0');
  const DWORD length = GetCurrentDirectoryW(needed, folder.data());
  folder.resize(length < needed ? length : 0);
  return folder;
}

bool CurrentFolderSpelled() {
  const auto spelled = ExactAnsi(CurrentFolderWide());
  return spelled.has_value() && *spelled == GetCurDir();
}

std::optional<DWORD> WriteErrorIn(const std::string& folder) {
  const std::string trial =
      folder + "\\~quarvel-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) + ".tmp";
  const UniqueFileHandle file(CreateFileA(trial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!file) return GetLastError();
  return std::nullopt;
}

}  // namespace quarvel::win
