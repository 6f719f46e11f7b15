// What the ordinary Win32 search sees, asked folder by folder. Answers exactly as
// FileExists would for each path, but enumerates each folder once instead of
// searching once per name: a search for a name that is not there costs Wine a
// scan of the whole folder.
#pragma once

#include <string>
#include <unordered_set>

namespace quarvel::win {

class OrdinarySearchView {
 public:
  // True when a directory search for `path` would find an entry that is neither
  // hidden, system nor a folder. Names are matched as the search matches one
  // exact name: by long or short name, regardless of case, trailing dots and
  // blanks ignored. A name holding a wildcard or any character the search treats
  // specially goes to the real search.
  bool Sees(const std::string& path);

 private:
  void Load(const std::string& folder);

  std::string folder_;
  bool loaded_ = false;
  std::unordered_set<std::wstring> names_;  // upper case, long and short names
};

}  // namespace quarvel::win
