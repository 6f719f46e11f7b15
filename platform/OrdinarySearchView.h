// What the ordinary Win32 view says about paths, asked folder by folder. Answers
// exactly as FileExists and PathIsDirectoryA would for each path, but reads each
// folder once instead of asking once per path: under Wine a question about a
// name that is not there costs a scan of the whole folder.
#pragma once

#include <string>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace quarvel::win {

// As PathIsDirectoryA, but a path the "A" functions cannot name as it stands
// (past their 259 characters, or through a folder whose name ends in a dot or a
// blank) is asked for in the verbatim "\\?\" form, so a listing's folder heading
// is always known as a folder.
bool IsFolderPath(const std::string& text);

class OrdinarySearchView {
 public:
  // As FileExists: a directory search for `path` finds an entry that is neither
  // hidden, system nor a folder. Names match as the search matches one exact
  // name: by long or short name, regardless of case, trailing dots and blanks
  // ignored. A name with a wildcard or a character the search treats specially,
  // or one that may name a device (nul, con.txt, LPT1.DLL), goes to the real
  // search.
  bool Sees(const std::string& path);

  // As IsFolderPath. Only a bare name (no separator, no special character) is
  // answered from the folder read; anything else goes to the real call.
  bool NamesFolder(const std::string& text);

  // The error the ordinary search met in `folder` (as the listing names it,
  // ending in "\"), when it could not read it at all.
  std::optional<unsigned long> FolderError(const std::string& folder) const;

 private:
  struct Kinds {
    bool ordinary = false;  // some matching entry is neither hidden, system nor a folder
    bool folder = false;    // some matching entry is a folder
  };

  // The entries of the folder asked about last, by name.
  class FolderEntries {
   public:
    // The kinds of entry `name` matches in `folder`, reading the folder if needed.
    Kinds Lookup(std::string_view folder, std::string_view name);
    // Folders the search could not read, with the error it met.
    std::unordered_map<std::string, unsigned long> errors;

   private:
    void Load(std::string_view folder);

    std::string folder_;
    bool loaded_ = false;
    std::unordered_map<std::wstring, Kinds> names_;  // upper case, long and short names
    std::wstring key_;  // kept between lookups: a lookup allocates nothing
  };

  FolderEntries searched_;  // the folder of the paths searched (the listing's folder)
  FolderEntries current_;   // the current folder, where bare names are looked for
};

}  // namespace quarvel::win
