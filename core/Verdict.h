// Why the ordinary search does not see a file: decided for every entry of the
// upper list from evidence (what the lister's views reported, what the Win32
// view met), never from the name alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/ListingViews.h"

namespace quarvel {

namespace hive {
enum class Verdict;  // core/hive/CrossView.h: a difference between a hive file and the registry API
}

enum class Verdict {
  kHiddenByAttribute,      // the hidden attribute, which the ordinary search skips
  kSystemFile,             // the system attribute, which it skips too
  kKeptFromWin32Search,    // no attribute explains it: the directory query or the volume shows it, the search does not
  kSeenOnlyOnVolume,       // the volume's MFT shows it, the NT directory query does not
  kFolderNotSearched,      // its folder could not be read
  kChangedDuringScan,      // it changed while it was scanned: created, renamed, deleted, its attributes set
  kUnexplained,            // the lister gave no facts for this line
  kNotInFolderIndex,       // its record names the folder, the folder's own index does not list it
};
inline constexpr int kVerdictCount = 8;

// Whether a verdict points at a program that hides files (the console
// companion's exit code 1), rather than at an ordinary reason.
enum class HiderSign {
  kNo,
  kYes,
  kUnlessCauseNamed,  // yes, unless the facts name an ordinary cause (device name, long path, unspelled name)
};

// Everything fixed about a verdict, one row each in VerdictRows(), in the
// order of the enumeration: adding a verdict is adding a row.
struct VerdictRow {
  Verdict verdict;
  const char* name;  // as the user reads it
  const char* code;  // stable, for scripts: never changes once released
  HiderSign hider;
};

// What the comparison knows of one unseen entry.
struct UnseenFacts {
  std::string path;                    // the listing's folder and the listed name
  std::optional<std::uint64_t> size;   // from the listing's size column
  std::optional<EntryFacts> lister;    // from the views file, when it names the entry
  bool unread_folder_note = false;     // the lister's FOLDER-NOT-READ line
  std::optional<std::uint32_t> unread_status;     // its status, or the directory query's for the folder
  std::optional<std::uint32_t> win32_folder_error;  // the ordinary search could not read the folder
  bool device_name = false;            // a name the Win32 functions take for a device
  bool too_long = false;               // past what the "A" search can name
  bool not_spelled = false;            // a name the code page cannot spell (NOT-ANSI)
};

struct Judgement {
  Verdict verdict = Verdict::kUnexplained;
  std::string reason;  // one sentence for the user
};

Judgement Judge(const UnseenFacts& facts);

const std::vector<VerdictRow>& VerdictRows();

// "hidden by attribute", "system file", ... as the user reads them.
std::string VerdictName(Verdict verdict);
// "hidden_attribute", "system_file", ...: the stable code beside the name.
std::string VerdictCode(Verdict verdict);
// Whether this entry points at a hider: its verdict's sign, with the ordinary
// causes the facts name taken into account.
bool PointsAtHider(const UnseenFacts& facts, Verdict verdict);
// The same for a difference between a hive file and the registry API: a value
// or key hidden from the API, or a name the Win32 API cannot return whole,
// points at a hider; a change not yet written to the file does not.
bool PointsAtHider(hive::Verdict verdict);
// The views that returned the entry, in words ("the volume's MFT, the NT
// directory query"); "" when unknown.
std::string ViewsText(const UnseenFacts& facts);
// The attribute names of FILE_ATTRIBUTE_* bits, each ("Hidden", "System"), and
// joined ("Hidden System Archive"; "Normal" for none).
std::vector<std::string> AttributeList(std::uint32_t attributes);
std::string AttributeNames(std::uint32_t attributes);

// Everything about one unseen entry, line by line, for its hover tip.
std::string VerdictDetails(const UnseenFacts& facts, const Judgement& judgement);

// The counts after a comparison: "Unseen: hidden by attribute 2, system file 1;
// vanished since the listing 1". Only the verdicts that occur are named.
std::string VerdictCountsText(const std::vector<int>& counts, int vanished);

}  // namespace quarvel
