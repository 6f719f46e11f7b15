#include "core/ScanCommandLine.h"

#include <cctype>

namespace quarvel {
namespace {

bool IsSwitch(std::string_view argument, std::string_view name) {
  if (argument.size() != name.size() + 1 || (argument[0] != '/' && argument[0] != '-')) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(argument[i + 1])) != name[i]) return false;
  }
  return true;
}

}  // namespace

ScanCommand ParseScanCommandLine(const std::vector<std::string>& arguments) {
  ScanCommand command;
  ScanRequest request;
  bool have_folder = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (IsSwitch(argument, "?") || IsSwitch(argument, "HELP")) {
      command.help = true;
      return command;
    }
    if (IsSwitch(argument, "S")) {
      request.subfolders = true;
    } else if (IsSwitch(argument, "FILTER") || IsSwitch(argument, "JSON")) {
      if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
        command.error = "The switch " + argument + " needs a value.";
        return command;
      }
      (IsSwitch(argument, "FILTER") ? request.filter : request.json_file) = arguments[++i];
    } else if (!argument.empty() && (argument[0] == '/' || argument[0] == '-') && argument.size() > 1 &&
               argument.find_first_of(":\\") == std::string::npos) {
      command.error = "Invalid switch - " + argument;
      return command;
    } else if (have_folder) {
      command.error = "Only one folder can be scanned: " + argument;
      return command;
    } else {
      request.folder = argument;
      have_folder = true;
    }
  }
  if (!have_folder) {
    command.error = "The folder to scan is missing.";
    return command;
  }
  command.request = request;
  return command;
}

std::string ScanHelpText() {
  return "Lists a folder through Quarvel's own lister and reports every file the ordinary\n"
         "Windows search does not see, with the reason.\n"
         "\n"
         "QUARVEL-SCAN folder [/FILTER pattern] [/S] [/JSON file]\n"
         "\n"
         "  folder          The folder to scan.\n"
         "  /FILTER pattern Only the files that match the pattern (default *.*).\n"
         "  /S              Scans the folder's subfolders too.\n"
         "  /JSON file      Writes the report to the file instead of to the screen.\n"
         "\n"
         "The report is JSON, one object per line: one for each unseen file, then a\n"
         "summary. Exit codes: 0 nothing unseen, 1 something unseen, 2 an error (the\n"
         "message goes to standard error).\n";
}

}  // namespace quarvel
