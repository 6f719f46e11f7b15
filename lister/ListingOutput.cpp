#include "lister/ListingOutput.h"

#include "platform/FreshFile.h"

namespace quarvel::lister {
ListingOutput::ListingOutput(const std::string& file_name) {
  if (file_name.empty()) {
    target_ = GetStdHandle(STD_OUTPUT_HANDLE);
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
