#include "lister/ListingOutput.h"

namespace quarvel::lister {
ListingOutput::ListingOutput(const std::string& file_name) {
  if (file_name.empty()) {
    target_ = GetStdHandle(STD_OUTPUT_HANDLE);
  } else {
    owned_file_.reset(CreateFileA(file_name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
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
