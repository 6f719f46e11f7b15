#include "lister/ListingOutput.h"

#include "platform/FreshFile.h"

namespace quarvel::lister {
namespace {

// Whether `handle` is the file `path` names: the same volume and file index.
bool IsFileNamed(HANDLE handle, const std::string& path) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK) return false;
  const win::UniqueFileHandle named(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  BY_HANDLE_FILE_INFORMATION handed{};
  BY_HANDLE_FILE_INFORMATION found{};
  return named && GetFileInformationByHandle(handle, &handed) && GetFileInformationByHandle(named.get(), &found) &&
         handed.dwVolumeSerialNumber == found.dwVolumeSerialNumber && handed.nFileIndexHigh == found.nFileIndexHigh &&
         handed.nFileIndexLow == found.nFileIndexLow;
}

}  // namespace

ListingOutput::ListingOutput(const std::string& file_name, DWORD handed) {
  if (file_name.empty()) {
    target_ = GetStdHandle(STD_OUTPUT_HANDLE);
  } else if (const HANDLE given = GetStdHandle(handed); IsFileNamed(given, file_name)) {
    target_ = given;
  } else {
    owned_file_ = win::CreateFreshFile(file_name, FILE_SHARE_READ);
    target_ = owned_file_.get();
  }
  buffer_.reserve(kFlushAt + 1024);
}

ListingOutput::~ListingOutput() { Flush(); }

void ListingOutput::WriteLine(std::string_view line) {
  buffer_.append(line);
  buffer_.append("\r\n");
  if (buffer_.size() >= kFlushAt) Flush();
}

void ListingOutput::Flush() {
  if (IsOpen() && !buffer_.empty()) {
    DWORD written = 0;
    if (!WriteFile(target_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &written, nullptr) ||
        written != buffer_.size()) {
      failed_ = true;
    }
  }
  buffer_.clear();
}

}  // namespace quarvel::lister
