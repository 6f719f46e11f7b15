// Reads folders from an NTFS volume's own master file table, through the raw
// volume (\\.\X:), below every directory query a program can intercept in user
// mode: a hider that patches NtQueryDirectoryFile in every process cannot keep
// its files out of this view. Used where the volume is NTFS and the account may
// open it for reading (an administrator on Windows); elsewhere the lister reads
// through the NT directory query.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/ChangeJournal.h"
#include "core/ListingViews.h"
#include "lister/Folder.h"

namespace quarvel::lister {

class JournalView;

class RawNtfsSource : public FolderSource {
 public:
  struct Opened;
  // The source for the volume that holds `folder` (a full Win32 path), its
  // whole MFT read at once; or, when that volume cannot be opened raw, is not
  // NTFS, or its MFT cannot be read, no source and the reason. `state` says
  // either way, with the records the scan skipped, for the views file.
  enum class Reading {
    kWholeVolume,  // the whole MFT, for a tree
    kOneFolder,    // the folder's own $I30 index and its children's records, for
                   // a folder without its subfolders: a few megabytes whatever
                   // the volume's size (the whole MFT when the index cannot be
                   // read whole)
    kRecordsOnly,  // only what finding records needs (LookUp): the second look
                   // costs its candidates, not the volume
  };
  static Opened ForFolder(const std::wstring& folder, Reading reading = Reading::kWholeVolume);

  OpenedFolder OpenFolder(const std::wstring& path) override;

  // The same volume's folders through their own indexes ($I30): a view that
  // checks this one, since a record can name a folder its index does not list.
  // Only where the whole MFT was read; nothing otherwise.
  std::unique_ptr<FolderSource> IndexView() const;

  // The file of MFT reference `reference` now: gone when its record is free
  // or reused; changed when it no longer has `long_name` in the folder of
  // record `folder`; there otherwise, with its attributes and its last change
  // besides writes of its data (LastChangeBesidesWrites).
  struct Found {
    enum class State { kThere, kGone, kChanged, kUnknown } state = State::kGone;
    std::uint32_t attributes = 0;
    std::optional<std::uint64_t> changed_at;  // FILETIME
  };
  Found LookUp(std::uint64_t reference, std::uint64_t folder, const std::wstring& long_name) const;

  // Where the volume's change journal stood when it was opened, before its MFT
  // was read; nothing when it has none (or under Wine).
  const std::optional<JournalMark>& JournalMarkAtOpen() const;
  // The journal read from `mark` on, while this source lives; nothing when the
  // volume's journal is not the one of the mark (deleted and made anew since).
  std::unique_ptr<JournalView> JournalSince(const JournalMark& mark) const;

  struct Volume;
  explicit RawNtfsSource(std::shared_ptr<Volume> volume) : volume_(std::move(volume)) {}

 private:
  std::shared_ptr<Volume> volume_;
};

struct RawNtfsSource::Opened {
  std::unique_ptr<RawNtfsSource> source;
  VolumeViewState state;
};

}  // namespace quarvel::lister
