// The console companion's command line, in the usual Windows form:
//
//   quarvel-scan FOLDER [/FILTER pattern] [/S] [/JSON file]
//   quarvel-scan /?
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

struct ScanRequest {
  std::string folder;
  std::string filter = "*.*";
  bool subfolders = false;
  std::string json_file;  // empty: standard output
};

struct ScanCommand {
  bool help = false;
  std::optional<ScanRequest> request;
  std::string error;  // why the arguments were refused; empty when they were not
};

// Reads the arguments after the program's name.
ScanCommand ParseScanCommandLine(const std::vector<std::string>& arguments);

// The text "/?" shows.
std::string ScanHelpText();

}  // namespace quarvel
