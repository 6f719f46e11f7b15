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

std::vector<std::string> ScanArguments(std::string_view command_line) {
  std::vector<std::string> arguments;
  std::string current;
  bool in_argument = false, quoted = false;
  for (const char c : command_line) {
    if (c == '"') {
      quoted = !quoted;
      in_argument = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (in_argument) arguments.push_back(std::move(current));
      current.clear();
      in_argument = false;
    } else {
      current += c;
      in_argument = true;
    }
  }
  if (in_argument) arguments.push_back(std::move(current));
  // The program's name comes first.
  if (!arguments.empty()) arguments.erase(arguments.begin());
  return arguments;
}

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
    if (IsSwitch(argument, "VERSION")) {
      command.version = true;
      return command;
    }
    if (IsSwitch(argument, "S")) {
      request.subfolders = true;
    } else if (IsSwitch(argument, "REGISTRY")) {
      request.registry = true;
    } else if (IsSwitch(argument, "ALL")) {
      request.all = true;
    } else if (IsSwitch(argument, "PROGRESS")) {
      request.progress = true;
    } else if (IsSwitch(argument, "FILTER") || IsSwitch(argument, "JSON") || IsSwitch(argument, "CSV")) {
      if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
        command.error = "The switch " + argument + " needs a value.";
        return command;
      }
      std::string& value = IsSwitch(argument, "FILTER") ? request.filter
                           : IsSwitch(argument, "JSON") ? request.json_file
                                                        : request.csv_file;
      value = arguments[++i];
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
  if (!request.json_file.empty() && request.json_file == request.csv_file) {
    command.error = "The JSON and CSV reports cannot go to the same file.";
    return command;
  }
  if (request.registry) {
    if (have_folder) {
      command.error = "/REGISTRY scans the registry, not a folder: " + request.folder;
      return command;
    }
    if (request.subfolders || request.filter != "*.*" || !request.csv_file.empty()) {
      command.error = "/REGISTRY takes only /ALL, /JSON and /PROGRESS.";
      return command;
    }
    command.request = request;
    return command;
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
         "QUARVEL-SCAN folder [/FILTER pattern] [/S] [/ALL] [/JSON file] [/CSV file] [/PROGRESS]\n"
         "QUARVEL-SCAN /REGISTRY [/ALL] [/JSON file]\n"
         "QUARVEL-SCAN /VERSION\n"
         "\n"
         "  folder          The folder to scan.\n"
         "  /FILTER pattern Only the files that match the pattern (default *.*).\n"
         "  /S              Scans the folder's subfolders too.\n"
         "  /ALL            Exit code 1 for any unseen file, not only for signs of a hider.\n"
         "  /JSON file      Writes the report to the file instead of to the screen.\n"
         "  /CSV file       Also writes the unseen files as CSV (UTF-8), for spreadsheets.\n"
         "  /PROGRESS       Shows progress on standard error even when it is redirected.\n"
         "  /REGISTRY       Compares the autostart keys of the registry's hive files,\n"
         "                  read from the volume, with what the registry API returns.\n"
         "  /VERSION        Shows the program's version.\n"
         "\n"
         "The report is JSON, one object per line: one for each unseen file, then a\n"
         "summary; text outside ASCII is written as \\u escapes. Exit codes: 0 nothing\n"
         "that points at a hider, 1 a file kept from the Win32 search without a named\n"
         "cause or seen only on the volume (with /ALL: any unseen file), 2 an error\n"
         "(the message goes to standard error). With /REGISTRY: one object per\n"
         "difference; exit code 1 for a value or key hidden from the registry API or a\n"
         "name with an embedded NUL (with /ALL: any difference).\n";
}

int ScanExitCode(std::size_t unseen, std::size_t pointing_at_hider, bool all) {
  return (all ? unseen : pointing_at_hider) > 0 ? kScanExitFound : kScanExitClean;
}

}  // namespace quarvel
