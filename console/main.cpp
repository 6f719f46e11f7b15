// quarvel-scan: Quarvel's console companion, for scripts, remote shells and
// fleet tools (a scheduled task, PowerShell remoting, a configuration agent).
// It runs the same lister and the same comparison as the window, in a work
// folder of its own, and writes a JSON object per unseen file and a summary.
//
//   quarvel-scan FOLDER [/FILTER pattern] [/S] [/JSON file]
//
// Exit code 0: nothing unseen; 1: something unseen; 2: an error, told on
// standard error.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/ScanCommandLine.h"
#include "core/WorkFiles.h"
#include "platform/AnsiText.h"
#include "platform/Comparison.h"
#include "platform/DllSearch.h"
#include "platform/ListerRun.h"
#include "platform/OS_Detect.h"
#include "platform/SystemError.h"

namespace {

using namespace quarvel;
// Keys in the order written: "type" first, as a reader looks for it.
using Json = nlohmann::ordered_json;

constexpr int kNothingUnseen = 0;
constexpr int kSomethingUnseen = 1;
constexpr int kError = 2;

int Fail(const std::string& message) {
  std::cerr << "quarvel-scan: " << message << std::endl;
  return kError;
}

// A folder of its own for the work files, removed with them at the end.
class WorkFolder {
 public:
  WorkFolder() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const std::string candidate = std::string(temp) + "quarvel-scan-" + std::to_string(GetCurrentProcessId()) +
                                    "-" + std::to_string(GetTickCount() + attempt);
      if (CreateDirectoryA(candidate.c_str(), nullptr)) path_ = candidate;
    }
  }
  ~WorkFolder() {
    if (path_.empty()) return;
    for (const char* file : {kListerFile, kListingFile, kViewsFile, kRecheckRequestFile, kRecheckAnswerFile}) {
      DeleteFileA((path_ + file).c_str());
    }
    RemoveDirectoryA(path_.c_str());
  }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

std::string FullPath(const std::string& folder) {
  char full[32768] = {};
  const DWORD length = GetFullPathNameA(folder.c_str(), sizeof(full), full, nullptr);
  return length == 0 || length >= sizeof(full) ? folder : std::string(full, length);
}

Json ViewNames(Views views) {
  Json names = Json::array();
  for (const ViewRow& row : kViewTable) {
    if (views.Has(row.id)) names.push_back(row.json);
  }
  return names;
}

Json UnseenObject(const win::UnseenEntry& entry) {
  const UnseenFacts& facts = entry.facts;
  Json object = {{"type", "unseen"},
                 {"path", win::Utf8FromAnsi(facts.path)},
                 {"entry", win::Utf8FromAnsi(entry.item)},
                 {"size", facts.size ? Json(*facts.size) : Json(nullptr)},
                 {"verdict", VerdictName(entry.judgement.verdict)},
                 {"reason", win::Utf8FromAnsi(entry.judgement.reason)}};
  if (facts.lister) {
    Json attributes = Json::array();
    for (const auto& name : AttributeList(facts.lister->attributes)) attributes.push_back(name);
    object["attributes"] = attributes;
    object["attributes_value"] = facts.lister->attributes;
    object["views"] = ViewNames(facts.lister->views);
  } else {
    object["attributes"] = nullptr;
    object["attributes_value"] = nullptr;
    object["views"] = Json::array();
  }
  return object;
}

}  // namespace

int main(int argc, char** argv) {
  win::LoadDllsFromSystemFolderOnly();
  const auto started = std::chrono::steady_clock::now();
  const ScanCommand command = ParseScanCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (command.help) {
    std::cout << ScanHelpText();
    return kNothingUnseen;
  }
  if (!command.request) return Fail(command.error + " Type quarvel-scan /? for help.");
  const ScanRequest& request = *command.request;

  const std::string folder = FullPath(request.folder);
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return Fail("The folder " + folder + " does not exist or cannot be reached.");
  }
  std::ofstream json_file;
  if (!request.json_file.empty()) {
    json_file.open(FullPath(request.json_file), std::ios::binary | std::ios::trunc);
    if (!json_file) return Fail("The report " + request.json_file + " cannot be written.");
  }
  std::ostream& out = request.json_file.empty() ? std::cout : json_file;

  const WorkFolder work;
  if (work.Path().empty()) return Fail("No work folder can be made in the temporary folder.");
  // The lister writes its listing where it is started: in the work folder.
  SetCurrentDirectoryA(work.Path().c_str());

  ListerLaunch launch;
  launch.platform_id = win::GetPlatformId();
  launch.current_folder = work.Path();
  launch.path_box_text = folder;
  launch.filter_text = request.filter;
  launch.include_subdirectories_value = request.subfolders ? 1 : 0;
  const auto run = win::RunListerIn(launch);
  using Kind = win::ListerRunOutcome::Kind;
  if (run.kind == Kind::kNotStarted) {
    return Fail("The lister could not be started: " + win::SystemErrorDescription(run.error) + " (error " +
                std::to_string(run.error) + ").");
  }
  if (run.kind == Kind::kFailed) {
    return Fail("The lister did not finish (exit code " + std::to_string(run.exit_code) + ": " +
                win::ListerEndText(run.exit_code) + "); nothing it listed is reported, since its listing may not be whole.");
  }
  if (run.kind == Kind::kNotHeld) {
    return Fail("The lister's listing could not be held against other programs: " +
                win::SystemErrorDescription(run.error) + " (error " + std::to_string(run.error) + ").");
  }
  if (run.kind != Kind::kListed) return Fail("The lister could not be written to " + run.lister_path + ".");

  const win::ComparisonOutcome outcome = win::RunComparison(work.Path(), run.lister_path, run.roots, {});
  for (const auto& entry : outcome.unseen) out << UnseenObject(entry).dump() << "\n";

  Json counts = Json::object();
  for (int i = 0; i < kVerdictCount; ++i) counts[VerdictName(static_cast<Verdict>(i))] = outcome.counts[static_cast<std::size_t>(i)];
  Json views = ViewNames(outcome.lister_views);
  views.push_back("win32 search");
  const auto duration =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  const Json summary = {{"type", "summary"},
                        {"folder", win::Utf8FromAnsi(folder)},
                        {"filter", win::Utf8FromAnsi(request.filter)},
                        {"subfolders", request.subfolders},
                        {"folders", outcome.folders_listed},
                        {"files", outcome.files_listed},
                        {"unseen", counts},
                        {"unseen_total", outcome.unseen.size()},
                        {"vanished", outcome.vanished.size()},
                        {"duration_ms", duration},
                        {"views", views}};
  out << summary.dump() << "\n";
  out.flush();
  if (!out) return Fail("The report could not be written whole.");
  return outcome.unseen.empty() ? kNothingUnseen : kSomethingUnseen;
}
