// A stand-in for reg.exe in the test prefix, since Wine's own has neither
// "save" nor "restore" (RegRestoreKeyA does nothing there):
//
//   reg.exe save "HKEY_LOCAL_MACHINE\<key>" "<file>" [/y]
//   reg.exe restore "HKEY_LOCAL_MACHINE\<key>" <file>
//
// "save" refuses to overwrite a file without /y (the real one would ask and
// wait for an answer), else writes every value of the key to the file (name, type and data in
// hex, one per line); "restore" replaces the whole key, which must exist, with
// them, as the real one does. Files beside this program make it misbehave for
// the tests of a failing machine, as the real one can:
//   reg-standin-fail-save        "save" fails without writing anything;
//   reg-standin-fail-restore     "restore" fails and leaves the key as it is;
//   reg-standin-restore-nothing  "restore" reports success and changes nothing.
// Exit code 0 on success, 1 on failure.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "KeyValues.h"

namespace {

std::string Unquoted(std::string text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  return text;
}

bool SplitRoot(const std::string& full, HKEY& root, std::string& path) {
  const std::string prefix = "HKEY_LOCAL_MACHINE\\";
  if (full.compare(0, prefix.size(), prefix) != 0) return false;
  root = HKEY_LOCAL_MACHINE;
  path = full.substr(prefix.size());
  return true;
}

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex;
}

std::string Unhex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

bool Requested(const char* marker_name) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string marker = self;
  marker = marker.substr(0, marker.rfind('\\') + 1) + marker_name;
  return GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int Save(HKEY root, const std::string& path, const std::string& file, bool overwrite) {
  if (Requested("reg-standin-fail-save")) return 1;
  if (!overwrite && GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES) return 1;
  const auto values = quarvel::testing::ReadKeyValues(root, path);
  if (!values) return 1;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  for (const auto& [name, value] : *values) out << Hex(name) << ' ' << value.first << ' ' << Hex(value.second) << '\n';
  return out ? 0 : 1;
}

int Restore(HKEY root, const std::string& path, const std::string& file) {
  if (Requested("reg-standin-fail-restore")) return 1;
  if (Requested("reg-standin-restore-nothing")) return 0;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 1;
  std::ifstream in(file, std::ios::binary);
  if (!in || RegDeleteTreeA(key, nullptr) != ERROR_SUCCESS) {
    RegCloseKey(key);
    return 1;
  }
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string name, data;
    DWORD type = 0;
    fields >> name >> type;
    fields >> data;  // empty for a value without data
    const std::string bytes = Unhex(data);
    RegSetValueExA(key, Unhex(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
  }
  RegCloseKey(key);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool overwrite = argc == 5 && std::string(argv[4]) == "/y";
  if (argc != 4 && !overwrite) return 1;
  const std::string command = argv[1];
  HKEY root = nullptr;
  std::string path;
  if (!SplitRoot(Unquoted(argv[2]), root, path)) return 1;
  const std::string file = Unquoted(argv[3]);
  if (command == "save") return Save(root, path, file, overwrite);
  if (command == "restore") return Restore(root, path, file);
  return 1;
}
