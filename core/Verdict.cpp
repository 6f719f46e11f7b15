#include "core/Verdict.h"

#include "core/hive/CrossView.h"

#include <array>
#include <cstdio>

namespace quarvel {
namespace {

constexpr std::uint32_t kReadOnly = 0x1, kHidden = 0x2, kSystem = 0x4, kDirectory = 0x10, kArchive = 0x20,
                        kReparsePoint = 0x400;

std::string Hex(std::uint32_t value) {
  char text[12];
  std::snprintf(text, sizeof(text), "0x%08X", value);
  return text;
}

}  // namespace

Judgement Judge(const UnseenFacts& facts) {
  if (facts.unread_folder_note) {
    return {Verdict::kFolderNotSearched,
            "The lister could not open or read this folder" +
                (facts.unread_status ? " (status " + Hex(*facts.unread_status) + ")" : std::string()) +
                "; what it holds is not known."};
  }
  if (facts.win32_folder_error) {
    return {Verdict::kFolderNotSearched, "The ordinary search could not read the folder (error " +
                                             std::to_string(*facts.win32_folder_error) + ")."};
  }
  if (!facts.lister) {
    return {Verdict::kUnexplained, "The lister gave no facts for this line; it may not be one it wrote."};
  }
  const EntryFacts& lister = *facts.lister;
  if (lister.views == Views{ViewId::kVolume} && lister.folder.ids[static_cast<std::size_t>(ViewId::kIndex)]) {
    // The index was read whole and does not name it: no directory query can
    // list it, hooked or not.
    return {Verdict::kNotInFolderIndex,
            "The volume's MFT has a record that names this folder, but the folder's own index on the volume does not "
            "list it, so no directory query can show it: the index was edited on the volume to hide it, or the "
            "volume is damaged (\"chkdsk /scan\" tells which)."};
  }
  if (!lister.views.Has(ViewId::kQuery) && lister.views.Has(ViewId::kVolume)) {
    if (facts.unread_status) {
      return {Verdict::kFolderNotSearched, "Only the volume's MFT lists it: the NT directory query could not read "
                                           "this folder (status " + Hex(*facts.unread_status) + ")."};
    }
    return {Verdict::kSeenOnlyOnVolume,
            "The volume's own MFT lists it, the NT directory query of the same folder does not: a program that "
            "hooks the directory query in every process, or a file-system filter driver, keeps it out of sight."};
  }
  if (lister.attributes & kSystem) {
    return {Verdict::kSystemFile, "The lister reports the system attribute; the ordinary search skips system files."};
  }
  if (lister.attributes & kHidden) {
    return {Verdict::kHiddenByAttribute,
            "The lister reports the hidden attribute; the ordinary search skips hidden files."};
  }
  std::string why = "No attribute explains it: the lister's view shows it, the Win32 search in this program does not";
  if (facts.device_name) {
    why += " (its name is a device name, which the Win32 functions take for the device).";
  } else if (facts.too_long) {
    why += " (its path is longer than the Win32 search can name).";
  } else if (facts.not_spelled) {
    why += " (its name has characters this system's code page cannot spell).";
  } else {
    why += ": something inside this program keeps it from the search.";
  }
  return {Verdict::kKeptFromWin32Search, why};
}

const std::vector<VerdictRow>& VerdictRows() {
  static const std::vector<VerdictRow> rows = {
      {Verdict::kHiddenByAttribute, "hidden by attribute", "hidden_attribute", HiderSign::kNo},
      {Verdict::kSystemFile, "system file", "system_file", HiderSign::kNo},
      {Verdict::kKeptFromWin32Search, "kept from the Win32 search", "kept_from_win32", HiderSign::kUnlessCauseNamed},
      {Verdict::kSeenOnlyOnVolume, "seen only on the volume", "volume_only", HiderSign::kYes},
      {Verdict::kFolderNotSearched, "folder could not be searched", "folder_unreadable", HiderSign::kNo},
      {Verdict::kChangedDuringScan, "changed during the scan", "changed_during_scan", HiderSign::kNo},
      {Verdict::kUnexplained, "unexplained", "unexplained", HiderSign::kNo},
      {Verdict::kNotInFolderIndex, "missing from its folder's index", "not_in_index", HiderSign::kYes},
  };
  return rows;
}

namespace {

const VerdictRow& RowOf(Verdict verdict) {
  const auto& rows = VerdictRows();
  const auto index = static_cast<std::size_t>(verdict);
  return index < rows.size() ? rows[index] : rows[static_cast<std::size_t>(Verdict::kUnexplained)];
}

}  // namespace

std::string VerdictName(Verdict verdict) { return RowOf(verdict).name; }

std::string VerdictCode(Verdict verdict) { return RowOf(verdict).code; }

bool PointsAtHider(hive::Verdict verdict) { return verdict != hive::Verdict::kChangedSinceWritten; }

bool PointsAtHider(const UnseenFacts& facts, Verdict verdict) {
  switch (RowOf(verdict).hider) {
    case HiderSign::kNo: return false;
    case HiderSign::kYes: return true;
    case HiderSign::kUnlessCauseNamed: return !facts.device_name && !facts.too_long && !facts.not_spelled;
  }
  return false;
}

std::string ViewsText(const UnseenFacts& facts) {
  return facts.lister ? facts.lister->views.Shown() : std::string();
}

std::vector<std::string> AttributeList(std::uint32_t attributes) {
  static constexpr std::array<std::pair<std::uint32_t, const char*>, 6> kNames = {{{kReadOnly, "Read Only"},
                                                                                   {kHidden, "Hidden"},
                                                                                   {kSystem, "System"},
                                                                                   {kDirectory, "Directory"},
                                                                                   {kArchive, "Archive"},
                                                                                   {kReparsePoint, "Reparse Point"}}};
  std::vector<std::string> names;
  for (const auto& [bit, name] : kNames) {
    if ((attributes & bit) != 0) names.emplace_back(name);
  }
  return names;
}

std::string AttributeNames(std::uint32_t attributes) {
  std::string names;
  for (const auto& name : AttributeList(attributes)) names += (names.empty() ? "" : " ") + name;
  return names.empty() ? "Normal" : names;
}

std::string VerdictDetails(const UnseenFacts& facts, const Judgement& judgement) {
  std::string text = facts.path + "\r\nVerdict : " + VerdictName(judgement.verdict) + "\r\n" + judgement.reason;
  if (facts.lister) text += "\r\nAttributes : " + AttributeNames(facts.lister->attributes);
  if (facts.size) text += "\r\nSize : " + std::to_string(*facts.size) + " bytes";
  const std::string views = ViewsText(facts);
  text += "\r\nSeen by : " + (views.empty() ? std::string("the lister") : views) + "; not by the Win32 search";
  return text;
}

std::string VerdictCountsText(const std::vector<int>& counts, int vanished) {
  std::string text;
  for (int i = 0; i < kVerdictCount && i < static_cast<int>(counts.size()); ++i) {
    if (counts[static_cast<std::size_t>(i)] == 0) continue;
    text += std::string(text.empty() ? "" : ", ") + VerdictName(static_cast<Verdict>(i)) + " " +
            std::to_string(counts[static_cast<std::size_t>(i)]);
  }
  if (text.empty()) text = "none";
  text = "Unseen: " + text;
  if (vanished > 0) text += "; vanished since the listing " + std::to_string(vanished);
  return text;
}

}  // namespace quarvel
