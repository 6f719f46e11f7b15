#include "platform/ResourceFile.h"

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "platform/FreshFile.h"
#include "platform/UniqueHandle.h"
#include "platform/modVBFileDisk.h"

namespace quarvel::win {
namespace {

enum class WriteOutcome { kNotOpened, kShort, kWhole };

WriteOutcome WriteWholeFile(const std::string& file_name, const void* data, DWORD size) {
  UniqueFileHandle file = CreateFreshFile(file_name, 0);
  if (!file) return WriteOutcome::kNotOpened;
  DWORD written = 0;
  const bool whole = WriteFile(file.get(), data, size, &written, nullptr) && written == size;
  return whole ? WriteOutcome::kWhole : WriteOutcome::kShort;
}

// The bytes of a CUSTOM resource of this program; empty when there is none.
std::string_view ResourceBytes(int data_name) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(data_name), "CUSTOM");
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(nullptr, found);
  const void* bytes = loaded == nullptr ? nullptr : LockResource(loaded);
  if (bytes == nullptr) return {};
  return std::string_view(static_cast<const char*>(bytes), SizeofResource(nullptr, found));
}

}  // namespace

bool LoadDataIntoFile(int data_name, const std::string& file_name) {
  if (FileExists(file_name)) return false;
  return ReplaceWithResource(data_name, file_name);
}

bool FileHoldsResource(int data_name, const std::string& file_name) {
  return static_cast<bool>(HoldIfResource(data_name, file_name));
}

UniqueFileHandle HoldIfResource(int data_name, const std::string& file_name) {
  const std::string_view expected = ResourceBytes(data_name);
  // Read sharing only: no other handle may write or delete it while this one
  // is open, and none that could is open now.
  UniqueFileHandle file(CreateFileA(file_name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (expected.empty() || !file) return {};
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || static_cast<std::uint64_t>(size.QuadPart) != expected.size()) return {};
  std::string actual(expected.size(), '\0');
  DWORD read = 0;
  if (!ReadFile(file.get(), actual.data(), static_cast<DWORD>(actual.size()), &read, nullptr) ||
      read != actual.size() || actual != expected) {
    return {};
  }
  return file;
}

bool ReplaceWithResource(int data_name, const std::string& file_name) {
  const std::string_view bytes = ResourceBytes(data_name);
  if (bytes.empty()) return false;
  switch (WriteWholeFile(file_name, bytes.data(), static_cast<DWORD>(bytes.size()))) {
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
