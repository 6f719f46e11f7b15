// Writes listing lines, each ended by CR LF, to a file or to standard output,
// through one buffer.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/UniqueHandle.h"

namespace quarvel::lister {

class ListingOutput {
 public:
  // Writes to `file_name` through the standard handle `handed`
  // (STD_OUTPUT_HANDLE, say) when the program that started this one handed
  // that very file there, made and held by it; else creates `file_name` anew
  // (an old file is deleted, never written through). Uses standard output
  // when `file_name` is empty.
  explicit ListingOutput(const std::string& file_name, DWORD handed = STD_OUTPUT_HANDLE);
  ~ListingOutput();
  ListingOutput(const ListingOutput&) = delete;
  ListingOutput& operator=(const ListingOutput&) = delete;

  bool IsOpen() const { return target_ != INVALID_HANDLE_VALUE && target_ != nullptr; }
  void WriteLine(std::string_view line);
  // A line that `fill` appends to the buffer itself, without a string of its own.
  template <class Fill>
  void WriteWith(const Fill& fill) {
    fill(buffer_);
    buffer_.append("\r\n");
    if (buffer_.size() >= kFlushAt) Flush();
  }
  void Flush();
  // A write failed (a full disk, say): what was written is not whole.
  bool Failed() const { return failed_; }

  static constexpr std::size_t kFlushAt = 64 * 1024;

 private:
  win::UniqueFileHandle owned_file_;
  HANDLE target_ = INVALID_HANDLE_VALUE;
  std::string buffer_;
  bool failed_ = false;
};

}  // namespace quarvel::lister
