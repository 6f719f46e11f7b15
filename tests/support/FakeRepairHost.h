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

// A REG_SZ value as the wide functions read it.
inline StoredValue Sz(const std::string& text) { return {kRegSzType, WideData(text)}; }
inline StoredValue ExpandSz(const std::string& text) { return {kRegExpandSzType, WideData(text)}; }

// What every key the fake creates lets in, and what ProtectKey leaves.
inline const std::string kUsersMayRead = "D:(A;;KA;;;BA)(A;CI;KR;;;BU)";
inline const std::string kAdministratorsAndSystemOnly = "D:P(A;OICI;KA;;;BA)(A;OICI;KA;;;SY)";

class FakeRepairHost : public RepairHost {
 public:
  long platform_id = 2;
  bool elevated = true;
  bool shell_starts = true;
  std::string current_folder = R"(C:\Tools)";
  // Every key by its full path, subkeys as keys of their own ("A\\B").
  std::map<std::string, KeyContents> registry;
  std::map<std::string, std::string> security;  // access lists other than kUsersMayRead
  // "create <key>", "delete <key>", "read <key>", "write <key>", "copy <key>", "protect <key>" or
  // "secure <key>": the error code that call answers.
  std::map<std::string, long> failing;
  std::map<std::string, std::uint64_t> files;  // every file with its size
  std::set<std::string> hidden;                // files the ordinary search does not see
  std::set<std::string> stuck;                 // files that do not move (in use)
  std::map<std::string, KeyTree> hives;        // what each hive file holds
  std::set<std::string> held;                  // files held open against change
  std::set<std::string> folders;
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
  std::set<std::string> writable_by_others;
  bool OthersCanWrite(const std::string& path) override { return writable_by_others.contains(path); }
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
  RegistryStatus DeleteTree(const std::string& key) override {
    actions.push_back("delete-tree " + key);
    if (const long error = Failing("delete " + key)) return error;
    if (!registry.contains(key)) return 2;
    for (const std::string& path : Below(key)) {
      registry.erase(path);
      security.erase(path);
    }
    return 0;
  }
  RegistryStatus CopyTree(const std::string& from, const std::string& to) override {
    actions.push_back("copy-tree " + from + " " + to);
    if (const long error = Failing("copy " + to)) return error;
    if (!registry.contains(from) || !registry.contains(to)) return 2;
    for (const std::string& path : Below(from)) registry[to + path.substr(from.size())] = registry.at(path);
    return 0;
  }
  RegistryStatus ProtectKey(const std::string& key) override {
    actions.push_back("protect " + key);
    if (const long error = Failing("protect " + key)) return error;
    if (!registry.contains(key)) return 2;
    for (const std::string& path : Below(key)) security[path] = kAdministratorsAndSystemOnly;
    return 0;
  }
  RegistryStatus SetKeySecurity(const std::string& key, const std::string& access) override {
    actions.push_back("secure " + key + " " + access);
    if (const long error = Failing("secure " + key)) return error;
    if (!registry.contains(key)) return 2;
    security[key] = access;
    return 0;
  }
  KeyRead ReadKey(const std::string& key) override {
    if (const long error = Failing("read " + key)) return {error, std::nullopt};
    if (!registry.contains(key)) return {};
    return {0, Tree(key)};
  }
  std::string ReadText(const std::string& key, const std::string& name) override {
    const auto found = registry.find(key);
    if (found == registry.end()) return "";
    const auto text = WideTextOf(found->second, name);
    return text && found->second.at(name).type == kRegSzType ? AnsiText(*text) : "";
  }
  RegistryStatus WriteText(const std::string& key, const std::string& name, const std::string& text) override {
    actions.push_back("write " + key + " " + name + "=" + text);
    if (const long error = Failing("write " + key)) return error;
    registry[key][name] = Sz(text);
    return 0;
  }
  RegistryStatus WriteValue(const std::string& key, const std::string& name, const StoredValue& value) override {
    const auto text = WideTextOf({{name, value}}, name);
    actions.push_back("write " + key + " " + name + "=" + (text ? AnsiText(*text) : "?") + " type " +
                      std::to_string(value.type));
    if (const long error = Failing("write " + key)) return error;
    registry[key][name] = value;
    return 0;
  }
  std::string AnsiText(const std::u16string& text) override {
    std::string ansi;
    for (const char16_t c : text) ansi += c < 0x80 ? static_cast<char>(c) : '?';
    return ansi;
  }
  std::string ExpandEnvironment(const std::string& text) override {
    std::string out = text;
    for (const auto& [name, value] : environment) {
      for (auto at = out.find(name); at != std::string::npos; at = out.find(name, at + value.size())) {
        out.replace(at, name.size(), value);
      }
    }
    return out;
  }
  std::map<std::string, std::string> environment = {{"%SystemRoot%", R"(C:\WINDOWS)"}};

  bool FileExists(const std::string& path) override { return files.contains(path) && !hidden.contains(path); }
  std::optional<std::uint64_t> FileSize(const std::string& path) override {
    if (folders.contains(path) || links.contains(path)) return 0;
    if (!files.contains(path)) return std::nullopt;
    return files.at(path);
  }
  bool IsFolder(const std::string& path) override { return folders.contains(path); }
  std::set<std::string> links;  // links and junctions (to folders)
  bool IsLink(const std::string& path) override { return links.contains(path); }
  bool HoldFolder(const std::string& path) override {
    actions.push_back("hold-folder " + path);
    if (!folders.contains(path) || links.contains(path)) return false;
    held.insert(path);
    return true;
  }
  std::optional<std::string> HoldFile(const std::string& path) override {
    actions.push_back("hold " + path);
    if (!files.contains(path)) return std::nullopt;
    held.insert(path);
    return Bytes(path);
  }
  void ReleaseFiles() override { held.clear(); }
  // What a file holds: a hive's contents, or as many bytes as its size.
  std::string Bytes(const std::string& path) const {
    if (hives.contains(path)) return "hive " + ContentsDigest(hives.at(path));
    return std::string(files.at(path), 'x');
  }
  bool RenameFile(const std::string& from, const std::string& to) override {
    actions.push_back("rename " + from + " " + to);
    if (renames && links.contains(from) && !links.contains(to) && !folders.contains(to)) {
      links.erase(from);
      folders.erase(from);
      links.insert(to);
      return true;
    }
    return renames && Transfer(from, to);
  }
  // reg.exe save and restore act on the registry and the hives; every other
  // command is only recorded.
  ToolRun Run(const std::string& command_line, unsigned timeout_seconds) override {
    actions.push_back("run " + command_line);
    const auto args = Arguments(command_line);
    const std::string program = args.empty() ? "" : args[0].substr(args[0].rfind('\\') + 1);
    const std::string tool = program + (args.size() > 1 ? " " + args[1] : "");
    timeouts[tool] = timeout_seconds;
    // A tool told to fail does nothing else.
    if (tool_results.contains(tool)) return tool_results.at(tool);
    if ((args.size() != 4 && !(args.size() == 5 && args[4] == "/y")) || program != "reg.exe") return {};
    const std::string key = args[2].substr(std::string("HKEY_LOCAL_MACHINE\\").size());
    const std::string file = args[3].find('\\') == std::string::npos ? current_folder + "\\" + args[3] : args[3];
    if (args[1] == "save" && saves && registry.contains(key)) {
      hives[file] = Tree(key);
      files[file] = saved_hive_size.value_or(100 + 10 * registry.at(key).size());
    }
    // Like the real one, a restore replaces the whole key, subkeys included.
    if (args[1] == "restore" && restores && registry.contains(key) && hives.contains(file)) {
      for (const std::string& path : Below(key)) {
        if (path != key) registry.erase(path);
      }
      Plant(key, hives.at(file));
    }
    return {};
  }
  // What a tool ("reg.exe save", "icacls.exe C:\\x.dll") answers instead of doing its work.
  std::map<std::string, ToolRun> tool_results;
  std::map<std::string, unsigned> timeouts;  // the time each tool was given
  std::optional<long long> boot_time = 133'000'000'000'000'000LL;
  std::optional<long long> BootTime() override { return boot_time; }
  std::optional<std::uint64_t> saved_hive_size;  // what "reg.exe save" writes; by default it follows the key

  void SetNormalAttributes(const std::string& path) override {
    Do("attributes", path);
    hidden.erase(path);
  }
  void CreateFolderLike(const std::string& from, const std::string& folder) override {
    Do("create-folder", from + " " + folder);
    if (!links.contains(folder) && !files.contains(folder)) folders.insert(folder);
  }
  void Move(const std::string& from, const std::string& to) override {
    Do("move", from + " " + to);
    if (!stuck.contains(from)) Transfer(from, to);
  }
  std::string ShortName(const std::string& path) override {
    return no_short_name.contains(path) ? "" : "SHORT:" + path;
  }
  std::set<std::string> no_short_name;  // GetShortPathName fails for these
  bool DeleteAtRestart(const std::string& path) override {
    Do("delete-at-restart", path);
    return deletes_at_restart;
  }
  bool RestartWindows(bool force) override {
    actions.push_back(force ? "restart force" : "restart");
    return restarts;
  }

  // The values and subkeys of a tree as keys of the registry under `key`.
  void Plant(const std::string& key, const KeyTree& tree) {
    registry[key] = tree.values;
    for (const auto& [name, subkey] : tree.subkeys) Plant(key + "\\" + name, subkey);
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
  // The key and every key below it.
  std::vector<std::string> Below(const std::string& key) const {
    std::vector<std::string> paths;
    for (auto it = registry.lower_bound(key); it != registry.end() && it->first.starts_with(key); ++it) {
      if (it->first == key || it->first[key.size()] == '\\') paths.push_back(it->first);
    }
    return paths;
  }
  KeyTree Tree(const std::string& key) const {
    KeyTree tree{registry.at(key), {}, security.contains(key) ? security.at(key) : kUsersMayRead};
    for (const std::string& path : Below(key)) {
      if (path != key && path.find('\\', key.size() + 1) == std::string::npos) {
        tree.subkeys[path.substr(key.size() + 1)] = Tree(path);
      }
    }
    for (auto& [name, subkey] : tree.subkeys) subkey.security.clear();
    return tree;
  }
  // MoveFile: the target must not exist yet, and a held file stays.
  bool Transfer(const std::string& from, const std::string& to) {
    if (held.contains(from) || held.contains(to)) return false;
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
