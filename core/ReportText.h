// Texts the result commands show and write: the version text of a file, the
// details of a seen entry, and the log of the last comparison.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quarvel {

// major.minor.build.revision from the fixed file version's two 32-bit halves,
// each part unsigned.
std::string FileVersionText(std::uint32_t version_ms, std::uint32_t version_ls);

// The last of "Normal", "Read Only", "Hidden", "System" whose test holds; empty
// when the attributes could not be read (no test holds).
std::string AttributeWord(bool readable, bool read_only, bool hidden, bool system);

// Four lines joined by CR LF: the long name, the version, the size (with a blank
// for its sign; "(unknown)" when the file's length cannot be read), the
// attribute word.
std::string DetailsText(const std::string& long_name, const std::string& version,
                        std::optional<std::int64_t> length, const std::string& attribute_word);

struct LogInput {
  std::string version;              // of quarvel.exe in the current folder
  std::vector<std::string> list1;   // every entry, in list order
  std::string size_caption;         // LblSize as it stands
  bool nt_family = false;
  bool is_admin = false;
  std::string app_init_value;
};

// log.txt, byte for byte: ANSI lines, each ended by CR LF.
std::string LogText(const LogInput& input);

}  // namespace quarvel
