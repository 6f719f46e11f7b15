// A fresh, empty folder for one test, removed with everything in it afterwards.
#pragma once

#include <windows.h>

#include <string>

namespace quarvel::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

  // Creates a file with the given content and attributes; returns its path.
  std::string MakeFile(const std::string& name, const std::string& content = "x",
                       DWORD attributes = FILE_ATTRIBUTE_NORMAL) const;
  std::string MakeFolder(const std::string& name) const;
  // The same for a full path anywhere.
  static void MakeFileAt(const std::string& path, const std::string& content, DWORD attributes);

 private:
  std::string path_;
};

// A path relative to the folder of the running test program, such as
// "..\\bin\\quarvel.exe" for a program the build put beside it.
std::string NextToThisProgram(const std::string& relative);

// Reads a whole file; empty when it cannot be opened.
std::string ReadWholeFile(const std::string& path);

}  // namespace quarvel::testing
