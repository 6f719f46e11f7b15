// One request to the shell (ShellExecute), built on text alone so tests can
// check it without starting anything.
#pragma once

#include <optional>
#include <string>

namespace quarvel {

struct ShellRequest {
  std::string verb;
  std::string file;
  std::optional<std::string> parameters;  // nothing: a null pointer
  std::string directory;
  int show = 1;  // SW_SHOWNORMAL
  bool operator==(const ShellRequest&) const = default;
};

}  // namespace quarvel
