#include "lister/Recheck.h"

#include <map>
#include <optional>
#include <set>

#include "core/Recheck.h"
#include "lister/AnsiName.h"
#include "platform/AnsiText.h"

namespace quarvel::lister {
namespace {

std::wstring Upper(std::wstring text) {
  CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// The names one view shows in a folder: as the listing spells them, and long
// and short in upper case. Nothing when the view could not read the folder.
struct FolderNames {
  bool read = false;
  std::set<std::string> listed;
  std::set<std::wstring> upper;
};

FolderNames ReadNames(const View& view, const std::string& folder) {
  FolderNames names;
  if (view.source == nullptr) return names;
  OpenedFolder opened = view.source->OpenFolder(win::WideFromAnsi(folder));
  if (!opened.folder) {
    names.read = opened.missing;  // a folder that is gone holds nothing
    return names;
  }
  FolderRead read = opened.folder->ReadEntries();
  if (read.failure) return names;
  names.read = true;
  for (const auto& entry : read.entries) {
    names.listed.insert(ListedName(entry));
    names.upper.insert(Upper(entry.long_name));
    if (!entry.short_name.empty()) names.upper.insert(Upper(entry.short_name));
  }
  return names;
}

}  // namespace

InputLines::InputLines(const std::string& source)
    : lines_(
          [this](char* into, std::size_t size) {
            DWORD read = 0;
            // A failed read is the end: of the file, or the writer closed the pipe.
            if (input_ == nullptr || input_ == INVALID_HANDLE_VALUE ||
                !ReadFile(input_, into, static_cast<DWORD>(size), &read, nullptr)) {
              return std::size_t{0};
            }
            return static_cast<std::size_t>(read);
          },
          kLongestRecheckLine) {
  if (source == "-") {
    input_ = GetStdHandle(STD_INPUT_HANDLE);
  } else {
    file_.reset(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    input_ = file_.get();
  }
}

void Recheck(const std::array<View, 2>& views, const std::string& first, InputLines& lines, ListingOutput& output) {
  std::map<std::string, std::array<FolderNames, 2>> folders;
  const auto answer = [&](std::string_view line) {
    const auto path = ParseRecheckRequestLine(line);
    if (!path) return;
    const auto separator = path->rfind('\\');
    if (separator == std::string::npos) {
      output.WriteLine(RecheckAnswerLine(*path, RecheckAnswer::kUnknown, {}));
      return;
    }
    const std::string folder = path->substr(0, separator + 1);
    const std::string name = path->substr(separator + 1);
    auto [found, added] = folders.try_emplace(folder);
    if (added) {
      for (std::size_t i = 0; i < views.size(); ++i) found->second[i] = ReadNames(views[i], folder);
    }
    Views shown;
    bool asked = false;
    for (std::size_t i = 0; i < views.size(); ++i) {
      const FolderNames& names = found->second[i];
      if (!names.read) continue;
      asked = true;
      const bool there = names.listed.count(name) > 0 || names.upper.count(Upper(win::WideFromAnsi(name))) > 0;
      if (there) (views[i].is_volume ? shown.volume : shown.query) = true;
    }
    const RecheckAnswer verdict = !asked                         ? RecheckAnswer::kUnknown
                                  : shown.volume || shown.query ? RecheckAnswer::kStillThere
                                                                : RecheckAnswer::kGone;
    output.WriteLine(RecheckAnswerLine(*path, verdict, shown));
  };
  answer(first);
  while (const std::string* line = lines.Next()) answer(*line);
}

}  // namespace quarvel::lister
