// A work folder that only its owner can reach: a random name under the
// temporary folder, a protected access list for the user, Administrators and
// SYSTEM alone (nothing inherited from the temporary folder), removed with
// everything in it at the end. Another account cannot guess the name, plant a
// file in it ahead of the program, or read what the program writes there.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace quarvel::win {

class PrivateFolder {
 public:
  // Makes the folder; `Made()` tells whether that worked and `Error()` why not.
  PrivateFolder();
  // Leaves the folder if it is the current one, then removes it and its files.
  ~PrivateFolder();
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  bool Made() const { return !wide_.empty(); }
  std::string Error() const { return error_; }
  const std::wstring& Wide() const { return wide_; }
  // The folder as the "A" functions and the lister can take it (its short
  // form when the long one has characters the code page cannot spell);
  // nothing when neither can be spelled.
  const std::optional<std::string>& Ansi() const { return ansi_; }

 private:
  std::wstring wide_;
  std::optional<std::string> ansi_;
  std::string error_;
  std::wstring current_before_;  // the current folder when the folder was made
};

// The temporary folder, from GetTempPath2W where Windows has it (it gives
// SYSTEM's processes a folder of their own) or GetTempPathW; ends in "\".
std::wstring TemporaryFolder();

// The path as the "A" functions take it: exactly as it is when the code page
// can spell it, else its short form when that can be spelled; nothing otherwise.
std::optional<std::string> AnsiPath(const std::wstring& path);

}  // namespace quarvel::win
