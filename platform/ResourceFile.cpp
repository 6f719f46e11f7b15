#include "platform/ResourceFile.h"

#include <windows.h>

#include "platform/UniqueHandle.h"
#include "platform/modVBFileDisk.h"

namespace quarvel::win {
namespace {

enum class WriteOutcome { kNotOpened, kShort, kWhole };

WriteOutcome WriteWholeFile(const std::string& file_name, const void* data, DWORD size) {
  UniqueFileHandle file(CreateFileA(file_name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return WriteOutcome::kNotOpened;
  DWORD written = 0;
  const bool whole = WriteFile(file.get(), data, size, &written, nullptr) && written == size;
  return whole ? WriteOutcome::kWhole : WriteOutcome::kShort;
}

}  // namespace

bool LoadDataIntoFile(int data_name, const std::string& file_name) {
  if (FileExists(file_name)) return false;
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(data_name), "CUSTOM");
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(nullptr, found);
  const void* bytes = loaded == nullptr ? nullptr : LockResource(loaded);
  const DWORD size = SizeofResource(nullptr, found);
  if (bytes == nullptr) return false;
  switch (WriteWholeFile(file_name, bytes, size)) {
    case WriteOutcome::kWhole:
      return true;
    case WriteOutcome::kShort:
      DeleteFileA(file_name.c_str());  // the handle is closed by now
      return false;
    case WriteOutcome::kNotOpened:
      return false;
  }
  return false;
}

}  // namespace quarvel::win
