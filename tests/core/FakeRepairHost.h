// A repair host that records every request as one line, in order, and keeps a
// small registry and file table for the steps to read back.
#pragma once

#include <deque>
#include <map>
#include <ostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/RepairHost.h"

namespace quarvel {

inline void PrintTo(const RepairBox& box, std::ostream* out) {
  *out << "box \"" << box.title << "\": \"" << box.text << "\" (buttons " << static_cast<int>(box.buttons)
       << ", icon " << static_cast<int>(box.icon) << ")";
}

class FakeRepairHost : public RepairHost {
 public:
  long platform_id = 2;
  std::string current_folder = R"(C:\Tools)";
  std::map<std::string, std::map<std::string, std::string>> registry;
  std::map<std::string, std::uint64_t> files;  // every file; `visible` is what FileExists sees
  std::map<std::string, bool> visible;
  std::deque<BoxAnswer> answers;
  std::vector<RepairBox> boxes;
  std::vector<std::string> actions;
  // What "reg.exe save" leaves behind: a hive of this size, or nothing.
  std::optional<std::uint64_t> saved_hive_size = 1024;
  bool moves = true;
  std::string throw_in;  // the name of a file operation that throws

  long PlatformId() override { return platform_id; }
  std::string WindowsFolder() override { return R"(C:\WINDOWS)"; }
  std::string SystemFolder() override { return R"(C:\WINDOWS\system32)"; }
  std::string CurrentFolder() override { return current_folder; }

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

  void CreateKey(const std::string& key) override {
    registry[key];
    actions.push_back("create-key " + key);
  }
  void DeleteKey(const std::string& key) override {
    registry.erase(key);
    actions.push_back("delete-key " + key);
  }
  std::string ReadText(const std::string& key, const std::string& name) override {
    const auto found = registry.find(key);
    if (found == registry.end() || !found->second.contains(name)) return "";
    return found->second.at(name);
  }
  void WriteText(const std::string& key, const std::string& name, const std::string& text) override {
    registry[key][name] = text;
    actions.push_back("write " + key + " " + name + "=" + text);
  }

  bool FileExists(const std::string& path) override { return visible.contains(path) && visible.at(path); }
  std::optional<std::uint64_t> FileSize(const std::string& path) override {
    if (!files.contains(path)) return std::nullopt;
    return files.at(path);
  }
  void RemoveFile(const std::string& path) override {
    files.erase(path);
    visible.erase(path);
    actions.push_back("delete-file " + path);
  }
  void Run(const std::string& command_line) override {
    actions.push_back("run " + command_line);
    if (command_line.find("reg.exe save") != std::string::npos && saved_hive_size) {
      files[current_folder + "\\Windows.hiv"] = *saved_hive_size;
    }
  }

  void SetNormalAttributes(const std::string& path) override { Do("attributes", path); }
  void CreateFolderLike(const std::string& from, const std::string& folder) override {
    Do("create-folder", from + " " + folder);
  }
  void Move(const std::string& from, const std::string& to) override {
    Do("move", from + " " + to);
    if (moves) visible.erase(from);
  }
  std::string ShortName(const std::string& path) override { return "SHORT:" + path; }
  void DeleteAtRestart(const std::string& path) override { Do("delete-at-restart", path); }
  void RestartWindows(bool force) override { actions.push_back(force ? "restart force" : "restart"); }

  // A file the ordinary search sees, with its size.
  void AddFile(const std::string& path, std::uint64_t size = 10) {
    files[path] = size;
    visible[path] = true;
  }

 private:
  void Do(const std::string& what, const std::string& detail) {
    actions.push_back(what + " " + detail);
    if (what == throw_in) throw std::runtime_error(what + " failed");
  }
};

}  // namespace quarvel
