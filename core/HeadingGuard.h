// Which lines of a listing may be asked whether they name a folder. Asking is a
// call on that path: a planted heading such as "\\host\share\" would make the
// program log on to that server and send it the user's credentials. Only the
// folder the user chose and what lies below it may be asked.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

class HeadingGuard {
 public:
  // `roots`: the chosen folder's spellings as the lister heads it (its full
  // path, its short form), each ending in "\". With none, any local path may be
  // asked, but never a network or device path.
  explicit HeadingGuard(std::vector<std::string> roots);

  bool MayAsk(std::string_view text) const;

 private:
  std::vector<std::string> roots_;
};

}  // namespace quarvel
