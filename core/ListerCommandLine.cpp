#include "core/ListerCommandLine.h"

#include "core/WorkFiles.h"

#include <charconv>
#include <cctype>

#include "core/Text.h"

namespace quarvel {

std::string ScanFolderFrom(std::string_view path_box_text) {
  std::string folder(path_box_text);
  if (!EndsWith(folder, '\\')) folder += '\\';
  return folder;
}

std::string ListerOptionText(int include_subdirectories_value) {
  return include_subdirectories_value == 0 ? " /NR " : "";
}

std::optional<std::string> ListerInputRefusal(std::string_view path_box_text, std::string_view filter_text) {
  const auto refusal = [](const char* box) {
    return "The " + std::string(box) +
           " holds a quotation mark (\"), which no Windows file or folder name contains. "
           "Remove it and try again; nothing was listed.";
  };
  if (Contains(path_box_text, "\"")) return refusal("folder box");
  if (Contains(filter_text, "\"")) return refusal("filter box");
  return std::nullopt;
}

std::optional<std::string> BuildListerCommandLine(const ListerLaunch& launch) {
  const std::string tail = "\"" + ScanFolderFrom(launch.path_box_text) + launch.filter_text +
                           "\"" + ListerOptionText(launch.include_subdirectories_value) + ">" +
                           BareName(kListingFile);
  if (launch.platform_id == kPlatformNT) {
    std::string program = launch.current_folder + kListerFile;
    if (Contains(program, " ")) {
      program.insert(program.begin(), '"');
      program.push_back('"');
    }
    return program + " " + tail;
  }
  if (launch.platform_id == kPlatform9x) {
    return launch.windows_folder + "\\command.com /c " + launch.short_current_folder +
           std::string(kListerFile) + " " + tail;
  }
  return std::nullopt;
}

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// Reads one token starting at `pos`: a quoted run (quotes dropped) or a run up to
// the next blank, quote or ">".
std::string ReadToken(std::string_view text, std::size_t& pos) {
  std::string token;
  while (pos < text.size() && !IsSpace(text[pos]) && text[pos] != '>') {
    if (text[pos] == '"') {
      const auto close = text.find('"', pos + 1);
      const auto end = close == std::string_view::npos ? text.size() : close;
      token.append(text.substr(pos + 1, end - pos - 1));
      pos = close == std::string_view::npos ? text.size() : close + 1;
      // A closing quote ends the token, so "C:\x\*.dll">dll.txt splits there.
      break;
    }
    token += text[pos++];
  }
  return token;
}

}  // namespace

ListerArguments ParseListerArguments(std::string_view arguments) {
  ListerArguments parsed;
  bool have_pattern = false;
  std::size_t pos = 0;
  while (pos < arguments.size()) {
    if (IsSpace(arguments[pos])) {
      ++pos;
      continue;
    }
    if (arguments[pos] == '>') {
      ++pos;
      while (pos < arguments.size() && IsSpace(arguments[pos])) ++pos;
      parsed.output_file = ReadToken(arguments, pos);
      continue;
    }
    const bool quoted = arguments[pos] == '"';
    std::string token = ReadToken(arguments, pos);
    if (!quoted && EqualsNoCase(token, "/NR")) {
      parsed.recurse = false;
    } else if (!quoted && EqualsNoCase(token, "/CHECK")) {
      parsed.check = true;
    } else if (!quoted && token.size() > 5 && EqualsNoCase(std::string_view(token).substr(0, 5), "/USN:")) {
      parsed.journal_mark = ParseJournalMark(std::string_view(token).substr(5));
    } else if (!quoted && token.size() > 7 && EqualsNoCase(std::string_view(token).substr(0, 7), "/SINCE:")) {
      std::uint64_t since = 0;
      const std::string_view digits = std::string_view(token).substr(7);
      const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), since, 16);
      if (error == std::errc() && end == digits.data() + digits.size()) parsed.listed_after = since;
    } else if (!have_pattern) {
      parsed.pattern = std::move(token);
      have_pattern = true;
    }
  }
  return parsed;
}

std::string_view SkipProgramToken(std::string_view command_line) {
  std::size_t pos = 0;
  while (pos < command_line.size() && IsSpace(command_line[pos])) ++pos;
  if (pos < command_line.size() && command_line[pos] == '"') {
    const auto close = command_line.find('"', pos + 1);
    pos = close == std::string_view::npos ? command_line.size() : close + 1;
  } else {
    while (pos < command_line.size() && !IsSpace(command_line[pos])) ++pos;
  }
  return command_line.substr(pos);
}

}  // namespace quarvel

namespace quarvel {

ListerPattern SplitListerPattern(std::string_view pattern) {
  ListerPattern split;
  const auto separator = pattern.find_last_of("\\/");
  std::size_t filter_start = 0;
  if (separator != std::string_view::npos) {
    filter_start = separator + 1;
  } else if (pattern.size() >= 2 && pattern[1] == ':') {
    filter_start = 2;  // "C:*.dll": the current folder of drive C
  }
  if (filter_start == 0) {
    split.folder = ".";
  } else {
    split.folder.assign(pattern.substr(0, filter_start));
  }
  split.filter = std::string(pattern.substr(filter_start));
  if (split.filter.empty()) split.filter = "*";
  return split;
}

}  // namespace quarvel
