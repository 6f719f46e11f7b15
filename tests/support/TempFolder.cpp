#include "tests/support/TempFolder.h"

#include <atomic>
#include <stdexcept>

#include "platform/UniqueHandle.h"

namespace quarvel::testing {
namespace {

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  win::UniqueFindHandle search(FindFirstFileA((folder + "\\*").c_str(), &entry));
  if (search) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      // The search record may lack the link bit that the attribute query shows.
      const DWORD attributes = GetFileAttributesA(path.c_str()) | entry.dwFileAttributes;
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link goes, never what it points to.
        if (!RemoveDirectoryA(path.c_str())) DeleteFileA(path.c_str());
      } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search.get(), &entry));
  }
  search.reset();
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  // Wine reuses process ids from run to run, so the name also carries the time
  // and skips any folder a crashed run left behind.
  for (int attempt = 0; attempt < 1000; ++attempt) {
    path_ = std::string(temp) + "qv" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(GetTickCount()) + "_" + std::to_string(counter++);
    if (CreateDirectoryA(path_.c_str(), nullptr)) return;
  }
  throw std::runtime_error("cannot create a temporary folder in " + std::string(temp));
}

TempFolder::~TempFolder() { RemoveTree(path_); }

std::string TempFolder::MakeFile(const std::string& name, const std::string& content,
                                 DWORD attributes) const {
  const std::string path = *this / name;
  MakeFileAt(path, content, attributes);
  return path;
}

void TempFolder::MakeFileAt(const std::string& path, const std::string& content, DWORD attributes) {
  win::UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         attributes, nullptr));
  if (!file) throw std::runtime_error("cannot create " + path);
  DWORD written = 0;
  WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

std::string TempFolder::MakeFolder(const std::string& name) const {
  const std::string path = *this / name;
  CreateDirectoryA(path.c_str(), nullptr);
  return path;
}

std::string NextToThisProgram(const std::string& relative) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string self = path;
  return self.substr(0, self.rfind('\\') + 1) + relative;
}

std::string ReadWholeFile(const std::string& path) {
  win::UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  std::string content;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    content.append(buffer, read);
  }
  return content;
}

}  // namespace quarvel::testing
