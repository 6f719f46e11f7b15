#include "lister/Recheck.h"

#include <map>
#include <optional>

#include "core/Recheck.h"
#include "core/Wtf8.h"
#include "lister/RawNtfsSource.h"

namespace quarvel::lister {
namespace {

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

bool SameNameIgnoringCase(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// The latest change any view saw: the record's own on the volume, the
// directory query's, the change journal's.
void NoteChange(RecheckAnswer& answer, std::optional<std::uint64_t> changed_at) {
  if (changed_at && (!answer.changed_at || *changed_at > *answer.changed_at)) answer.changed_at = changed_at;
}

// A folder as the directory query shows it now: nothing when it could not be
// opened or read, or is another folder than the one listed.
struct FolderNow {
  Look unreadable = Look::kUnknown;  // the answer for every file in it when `read` is false
  bool read = false;
  FolderRead listing;  // the entries, and the names they are views of
};

FolderNow ReadFolder(FolderSource& query, const std::wstring& path, const std::optional<std::uint64_t>& listed_id) {
  FolderNow now;
  OpenedFolder opened = query.OpenFolder(path);
  if (!opened.folder) {
    // The very path the lister opened is gone: so is every name in it.
    if (opened.missing) now.unreadable = Look::kGone;
    return now;
  }
  if (listed_id) {
    const auto identity = opened.folder->Identity();
    if (!identity || identity->id_low != *listed_id) return now;  // another folder now holds that path
  }
  FolderRead read;
  opened.folder->ReadEntries(read);
  if (read.failure) return now;
  now.read = true;
  now.listing = std::move(read);
  return now;
}

void LookInQuery(FolderSource& query, const std::wstring& folder_path, std::uint64_t listed_after,
                 const FolderNow& folder, const RecheckRequest& request, const std::wstring& name,
                 RecheckAnswer& answer) {
  if (!folder.read) {
    answer.Set(ViewId::kQuery, folder.unreadable);
    return;
  }
  // The exact spelling first: a case-sensitive volume may hold both.
  const DirectoryEntry* found = nullptr;
  for (const auto& entry : folder.listing.entries) {
    if (entry.long_name == name) found = &entry;
  }
  for (const auto& entry : folder.listing.entries) {
    if (found == nullptr && SameNameIgnoringCase(entry.long_name, name)) found = &entry;
  }
  const auto& listed_id = request.ids[static_cast<std::size_t>(ViewId::kQuery)];
  if (found == nullptr) {
    // Gone by its name; still on the volume under its id, it was renamed.
    const bool renamed =
        listed_id && *listed_id != 0 && query.FileIdExists(folder_path, *listed_id, listed_after) == true;
    answer.Set(ViewId::kQuery, renamed ? Look::kChanged : Look::kGone);
    return;
  }
  const bool other_file = listed_id && found->id != 0 && found->id != *listed_id;
  answer.Set(ViewId::kQuery, other_file ? Look::kChanged : Look::kThere);
  if (!answer.attributes) answer.attributes = found->attributes;
  if (found->change_time != 0) NoteChange(answer, found->change_time);
}

void LookOnVolume(const RawNtfsSource& raw, const RecheckRequest& request, const std::wstring& name,
                  RecheckAnswer& answer) {
  const auto& id = request.ids[static_cast<std::size_t>(ViewId::kVolume)];
  const auto& folder = request.folder_ids[static_cast<std::size_t>(ViewId::kVolume)];
  if (!id || !folder) return;  // the volume did not list it: nothing to find again
  const auto found = raw.LookUp(*id, *folder, name);
  using State = RawNtfsSource::Found::State;
  answer.Set(ViewId::kVolume, found.state == State::kThere     ? Look::kThere
                              : found.state == State::kGone    ? Look::kGone
                              : found.state == State::kUnknown ? Look::kUnknown
                                                               : Look::kChanged);
  if (found.state == State::kThere || found.state == State::kChanged) {
    answer.attributes = found.attributes;
    NoteChange(answer, found.changed_at);
  }
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

void Recheck(const RawNtfsSource* raw, FolderSource* query, JournalView* journal, std::uint64_t listed_after,
             const std::string& first, InputLines& lines, ListingOutput& output) {
  std::map<std::string, FolderNow> folders;
  const auto answer = [&](std::string_view line) {
    const auto request = ParseRecheckRequestLine(line);
    if (!request) return;
    RecheckAnswer found;
    const auto name16 = Utf16FromWtf8(request->long_name);
    const auto folder16 = Utf16FromWtf8(request->folder_path);
    if (name16 && folder16 && !name16->empty() && !folder16->empty()) {
      const std::wstring name = Wide(*name16);
      if (raw != nullptr) LookOnVolume(*raw, *request, name, found);
      if (query != nullptr) {
        auto [at, added] = folders.try_emplace(request->folder_path);
        if (added) {
          at->second = ReadFolder(*query, Wide(*folder16), request->folder_ids[static_cast<std::size_t>(ViewId::kQuery)]);
        }
        LookInQuery(*query, Wide(*folder16), listed_after, at->second, *request, name, found);
      }
      const auto& volume_id = request->ids[static_cast<std::size_t>(ViewId::kVolume)];
      if (journal != nullptr && volume_id) NoteChange(found, journal->ChangedAt(*volume_id));
    }
    output.WriteLine(RecheckAnswerLine(request->path, found));
  };
  answer(first);
  while (const std::string* line = lines.Next()) answer(*line);
}

}  // namespace quarvel::lister
