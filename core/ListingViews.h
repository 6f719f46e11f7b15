// What the lister knows of each entry beyond its listing line, kept in a file
// beside the listing ("dll-views.txt" beside "dll.txt"), so the listing's lines
// stay exactly as they are. One record per line, fields separated by tabs, a
// tab, CR, LF or "%" inside a field written as "%" and two hex digits:
//
//   Quarvel views 3                     first line: the format and its version
//   S <views>                           the views the lister read with
//   N <view> <why>                      a view it could not use, and why
//   P <folder> <true path> <ids>        a folder, before its files: the listing's
//                                       folder, its real path (UTF-8, "\\?\"
//                                       form) and each view's id of it
//   f <name> <attributes> <views> <ids> <long name>
//                                       a listed file of the folder the last "P"
//                                       record named: its listed name;
//                                       FILE_ATTRIBUTE_* in hex; which views
//                                       returned it (letters of the view table);
//                                       each view's id of it; its real long name
//                                       in UTF-8
//   F <path> <attributes> <views> <ids> <long name>
//                                       the same, by the listing's folder and its
//                                       listed name (the lister writes "f")
//   D <folder> <status>                 a folder the directory query could not
//                                       read (an NTSTATUS in hex), although the
//                                       volume view listed it
//   E <files>                           the last line: the lister finished
//   V used <skipped> <unreadable>       the volume view was used: MFT records it
//                                       skipped as damaged or unreadable, and the
//                                       stretches of the MFT it could not read
//   V not used <reason>                 why the volume view was not used: "no raw
//                                       access", "not NTFS", "locked", "failed"
//   U <journal id>:<next usn>           where the volume's change journal stood
//                                       when the lister began (hex), before its
//                                       first folder
//
// Readers skip record types they do not know, so a record type is added, never
// changed; a record a reader must not skip (version 3's "f") comes with a new
// version in the first line, which a reader of an older one refuses whole.
//
// Ids are "<letter><16 hex digits>" joined by ",": the volume's MFT file
// reference (sequence number in the high 16 bits), the directory query's file id.
// The file is read as defensively as the listing: unknown or broken lines are
// skipped, fields are checked, and there is a limit on how much is kept.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <functional>
#include <unordered_set>
#include <utility>

#include "core/ChangeJournal.h"
#include "core/ViewTable.h"

namespace quarvel {

inline constexpr std::string_view kViewsHeader = "Quarvel views 3";

// Each view's id of a file or folder; nothing where a view gave none.
using ViewIds = std::array<std::optional<std::uint64_t>, kViewTable.size()>;
std::string IdsField(const ViewIds& ids);
void AppendIdsField(std::string& out, const ViewIds& ids);
std::optional<ViewIds> ParseIdsField(std::string_view field);

// A folder as the lister opened it.
struct FolderFacts {
  std::string true_path;  // UTF-8, ending in "\"
  ViewIds ids;
  bool operator==(const FolderFacts&) const = default;
};

// Whether the lister read the volume's own MFT, and what that cost it.
struct VolumeViewState {
  bool used = false;
  std::uint64_t records_skipped = 0;
  std::uint64_t stretches_unreadable = 0;
  std::string reason;  // why not, when not used
  bool operator==(const VolumeViewState&) const = default;
};

// The reasons the lister gives for not using the volume view.
inline constexpr std::string_view kNoRawAccess = "no raw access";
inline constexpr std::string_view kNotNtfs = "not NTFS";
inline constexpr std::string_view kVolumeLocked = "locked";
inline constexpr std::string_view kVolumeFailed = "failed";

std::string VolumeViewRecord(const VolumeViewState& state);
// "volume view: used", "volume view: used, 3 MFT records skipped (1 stretch
// unreadable)", "volume view: not used, because no raw access".
std::string VolumeViewText(const VolumeViewState& state);

struct EntryFacts {
  std::uint32_t attributes = 0;
  Views views;
  ViewIds ids;
  std::string long_name;  // UTF-8; "" when the file did not say
  FolderFacts folder;     // empty when no "P" record came before it
};

// The views file's name beside a listing's: "dll.txt" gives "dll-views.txt".
std::string ViewsFileFor(std::string_view listing_path);

// The record of a file by its whole path ("F").
std::string ViewsFileRecord(std::string_view path, std::uint32_t attributes, Views views, const ViewIds& ids = {},
                            std::string_view long_name = {});
// The record of a file of the folder the last "P" record named, by its listed
// name alone ("f"): the lister writes one per file, millions on a volume, and
// appends it to `out` without a string of its own.
std::string FolderFileRecord(std::string_view listed_name, std::uint32_t attributes, Views views,
                             const ViewIds& ids = {}, std::string_view long_name = {});
void AppendFolderFileRecord(std::string& out, std::string_view listed_name, std::uint32_t attributes, Views views,
                            const ViewIds& ids, std::string_view long_name);
inline constexpr std::string_view kFileRecord = "F\t";
inline constexpr std::string_view kFolderFileRecord = "f\t";
inline constexpr std::string_view kFolderRecord = "P\t";
std::string FolderRecord(std::string_view folder, const FolderFacts& facts);
// The same record appended to `out`, the folder given as two parts (the
// heading and the rest of the path below it) and its true path as WTF-8.
void AppendFolderRecord(std::string& out, std::string_view folder, std::string_view rest_of_folder,
                        std::string_view true_path, const ViewIds& ids);
std::string NotUsedRecord(ViewId view, std::string_view why);
std::string EndRecord(std::uint64_t files);
std::string JournalRecord(const JournalMark& mark);
// True when the last line of `tail` (the end of a views file) is its end record.
bool EndsWithEndRecord(std::string_view tail);
// A field as the views and recheck files write it, and read back (nothing for
// a broken escape).
std::string EscapedField(std::string_view field);
void AppendEscapedField(std::string& out, std::string_view field);
std::optional<std::string> UnescapedField(std::string_view field);
std::string UnreadByQueryRecord(std::string_view folder, std::uint32_t status);
std::string SourcesRecord(Views views);

// A set of paths that can be asked with a string_view (no copy per question).
struct PathHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view path) const { return std::hash<std::string_view>{}(path); }
};
using PathSet = std::unordered_set<std::string, PathHash, std::equal_to<>>;

// The facts of a whole views file, by path.
class ListingViews {
 public:
  ListingViews() = default;
  // Keeps only the files whose paths `wanted` holds (the comparison needs the
  // facts of the unseen files alone); it must outlive the reading.
  explicit ListingViews(const PathSet* wanted) : wanted_(wanted) {}

  // Reads one line of the file; false when the line was skipped.
  bool ReadLine(std::string_view line);

  const EntryFacts* Find(const std::string& path) const;
  // The status the directory query met in `folder`, if it could not read it.
  std::optional<std::uint32_t> UnreadByQuery(const std::string& folder) const;
  bool Empty() const { return files_.empty() && unread_.empty(); }
  // Every wanted file's record has been read.
  bool HoldsEveryWanted() const { return wanted_ != nullptr && files_.size() >= wanted_->size(); }
  // The views the lister read with; nothing when the file does not say.
  const std::optional<Views>& Sources() const { return sources_; }
  // Why a view was not used, as the lister said.
  const std::map<ViewId, std::string>& NotUsed() const { return not_used_; }
  // The lister's end record was read: it finished its listing.
  bool Ended() const { return ended_; }
  // Whether the volume view was used; nothing when the file does not say.
  const std::optional<VolumeViewState>& VolumeView() const { return volume_view_; }
  // Where the volume's change journal stood when the lister began.
  const std::optional<JournalMark>& JournalMarkOfScan() const { return journal_mark_; }

  // Records beyond this many are not kept: a hostile file cannot grow memory
  // without bound (a whole drive lists a few million files).
  static constexpr std::size_t kMostRecords = 20'000'000;

 private:
  const PathSet* wanted_ = nullptr;
  bool header_seen_ = false;
  std::optional<Views> sources_;
  std::map<ViewId, std::string> not_used_;
  bool ended_ = false;
  std::string current_folder_;  // the last "P" record's folder, and its facts
  FolderFacts current_folder_facts_;
  std::string path_scratch_;    // a folder file record's whole path, asked about
  std::optional<VolumeViewState> volume_view_;
  std::optional<JournalMark> journal_mark_;
  std::unordered_map<std::string, EntryFacts> files_;
  std::unordered_map<std::string, std::uint32_t> unread_;
};

// The views file read along with the listing. Its file records come in the
// order of the listing's file lines (a line with a size column, not a note on
// an unread folder), so the comparison tells it of each such line in turn and
// the file is read no further than the listing has been: a file is wanted
// before its record comes, and a stopped comparison has little left to read.
class ViewsAlongListing {
 public:
  // The views file's next line; nothing at its end.
  using NextLine = std::function<const std::string*()>;

  explicit ViewsAlongListing(NextLine next_line) : next_line_(std::move(next_line)), views_(&wanted_) {}
  ViewsAlongListing(const ViewsAlongListing&) = delete;
  ViewsAlongListing& operator=(const ViewsAlongListing&) = delete;

  // One more file line of the listing, with its path when its facts are wanted.
  void Listed(const std::string* wanted_path);
  // After the listing was read whole: the rest of the file. `pump` is called
  // now and then.
  void ReadRest(const std::function<void()>& pump);
  // After a stopped listing whose last wanted file lies in `folder`: on until
  // every wanted record has come and that folder's records have ended (a
  // folder's "D" record follows its files, before any file of another folder).
  void ReadRestOfFolder(std::string_view folder, const std::function<void()>& pump);

  const ListingViews& Views() const { return views_; }

 private:
  // Reads one line; false at the end of the file.
  bool ReadOne();

  NextLine next_line_;
  PathSet wanted_;
  ListingViews views_;
  std::uint64_t listed_ = 0;
  std::uint64_t records_read_ = 0;
};

}  // namespace quarvel
