// A repair host that records every request as one line, in order, and keeps a
// small registry, file table and reg.exe of its own, so the steps' checks meet
// the failures a real machine can give: a restore that fails or restores
// nothing, a registry call refused, a file that will not move.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/RepairHost.h"

namespace quarvel {

inline void PrintTo(const RepairBox& box, std::ostream* out) {
  *out << "box \"" << box.title << "\": \"" << box.text << "\" (buttons " << static_cast<int>(box.buttons)
       << ", icon " << static_cast<int>(box.icon) << ")";
}

inline StoredValue Sz(const std::string& text) { return {1, text + '\0'}; }

class FakeRepairHost : public RepairHost {
 public:
  long platform_id = 2;
  bool elevated = true;
  bool shell_starts = true;
  std::string current_folder = R"(C:\Tools)";
  std::map<std::string, KeyContents> registry;
  // "create <key>", "delete <key>", "read <key>" or "write <key>": the error code that call answers.
  std::map<std::string, long> failing;
  std::map<std::string, std::uint64_t> files;  // every file with its size
  std::set<std::string> hidden;                // files the ordinary search does not see
  std::set<std::string> stuck;                 // files that do not move (in use)
  std::map<std::string, KeyContents> hives;    // what each hive file holds
  bool saves = true;
  bool restores = true;  // false: reg.exe restore leaves the key as it was, failing or not
  bool renames = true;
  bool deletes_at_restart = true;
  bool restarts = true;
  std::string throw_in;  // the name of a file operation that throws
  std::deque<BoxAnswer> answers;
  std::vector<RepairBox> boxes;
  std::vector<std::string> actions;

  long PlatformId() override { return platform_id; }
  std::string WindowsFolder() override { return R"(C:\WINDOWS)"; }
  std::string SystemFolder() override { return R"(C:\WINDOWS\system32)"; }
  std::string CurrentFolder() override { return current_folder; }
  std::string ProgramPath() override { return current_folder + R"(\quarvel.exe)"; }
  bool IsElevated() override { return elevated; }
  bool Execute(const ShellRequest& request) override {
    actions.push_back("shell " + request.verb + " " + request.file + " in " + request.directory +
                      (request.parameters ? " with " + *request.parameters : "") + " show " +
                      std::to_string(request.show));
    return shell_starts;
  }

  BoxAnswer Show(const RepairBox& box) override {
    boxes.push_back(box);
    actions.push_back("box " + box.title);
    if (answers.empty()) return box.buttons == BoxButtons::kYesNo ? BoxAnswer::kNo : BoxAnswer::kOk;
    const BoxAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void SetStatus(const std::string& text, bool now) override {
    actions.push_back((now ? "status! " : "status ") + text);
  }

  RegistryStatus CreateKey(const std::string& key) override {
    actions.push_back("create-key " + key);
    if (const long error = Failing("create " + key)) return error;
    registry[key];
    return 0;
  }
  RegistryStatus DeleteKey(const std::string& key) override {
    actions.push_back("delete-key " + key);
    if (const long error = Failing("delete " + key)) return error;
    return registry.erase(key) == 1 ? 0 : 2;
  }
  KeyRead ReadKey(const std::string& key) override {
    if (const long error = Failing("read " + key)) return {error, std::nullopt};
    const auto found = registry.find(key);
    if (found == registry.end()) return {};
    return {0, found->second};
  }
  std::string ReadText(const std::string& key, const std::string& name) override {
    const auto found = registry.find(key);
    return found == registry.end() ? "" : TextOf(found->second, name);
  }
  RegistryStatus WriteText(const std::string& key, const std::string& name, const std::string& text) override {
    actions.push_back("write " + key + " " + name + "=" + text);
    if (const long error = Failing("write " + key)) return error;
    registry[key][name] = Sz(text);
    return 0;
  }

  bool FileExists(const std::string& path) override { return files.contains(path) && !hidden.contains(path); }
  std::optional<std::uint64_t> FileSize(const std::string& path) override {
    if (!files.contains(path)) return std::nullopt;
    return files.at(path);
  }
  bool RenameFile(const std::string& from, const std::string& to) override {
    actions.push_back("rename " + from + " " + to);
    return renames && Transfer(from, to);
  }
  // reg.exe save and restore act on the registry and the hives; every other
  // command is only recorded.
  void Run(const std::string& command_line) override {
    actions.push_back("run " + command_line);
    const auto args = Arguments(command_line);
    if (args.size() != 4 || !args[0].ends_with("\\reg.exe")) return;
    const std::string key = args[2].substr(std::string("HKEY_LOCAL_MACHINE\\").size());
    const std::string file = args[3].find('\\') == std::string::npos ? current_folder + "\\" + args[3] : args[3];
    if (args[1] == "save" && saves && registry.contains(key)) {
      hives[file] = registry.at(key);
      files[file] = saved_hive_size.value_or(100 + 10 * registry.at(key).size());
    }
    // Like the real one, a restore replaces the whole key.
    if (args[1] == "restore" && restores && registry.contains(key) && hives.contains(file)) {
      registry[key] = hives.at(file);
    }
  }
  std::optional<std::uint64_t> saved_hive_size;  // what "reg.exe save" writes; by default it follows the key

  void SetNormalAttributes(const std::string& path) override {
    Do("attributes", path);
    hidden.erase(path);
  }
  void CreateFolderLike(const std::string& from, const std::string& folder) override {
    Do("create-folder", from + " " + folder);
  }
  void Move(const std::string& from, const std::string& to) override {
    Do("move", from + " " + to);
    if (!stuck.contains(from)) Transfer(from, to);
  }
  std::string ShortName(const std::string& path) override { return "SHORT:" + path; }
  bool DeleteAtRestart(const std::string& path) override {
    Do("delete-at-restart", path);
    return deletes_at_restart;
  }
  bool RestartWindows(bool force) override {
    actions.push_back(force ? "restart force" : "restart");
    return restarts;
  }

  // A file the ordinary search sees, with its size.
  void AddFile(const std::string& path, std::uint64_t size = 10) { files[path] = size; }

 private:
  long Failing(const std::string& call) const {
    const auto found = failing.find(call);
    return found == failing.end() ? 0 : found->second;
  }
  void Do(const std::string& what, const std::string& detail) {
    actions.push_back(what + " " + detail);
    if (what == throw_in) throw std::runtime_error(what + " failed");
  }
  // MoveFile: the target must not exist yet.
  bool Transfer(const std::string& from, const std::string& to) {
    if (!files.contains(from) || files.contains(to) || to.ends_with("\\")) return false;
    files[to] = files.at(from);
    files.erase(from);
    if (hives.contains(from)) hives[to] = hives.at(from);
    hives.erase(from);
    if (hidden.erase(from)) hidden.insert(to);
    return true;
  }
  // The program, then each argument without its quotes.
  static std::vector<std::string> Arguments(const std::string& line) {
    std::vector<std::string> args;
    std::size_t at = 0;
    while (at < line.size()) {
      if (line[at] == ' ') {
        ++at;
      } else if (line[at] == '"') {
        const auto end = line.find('"', at + 1);
        args.push_back(line.substr(at + 1, end - at - 1));
        at = end == std::string::npos ? line.size() : end + 1;
      } else {
        const auto end = std::min(line.find(' ', at), line.size());
        args.push_back(line.substr(at, end - at));
        at = end;
      }
    }
    return args;
  }
};

}  // namespace quarvel
