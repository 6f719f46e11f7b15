#include "core/Verdict.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

UnseenFacts Facts(std::uint32_t attributes, Views views) {
  UnseenFacts facts;
  facts.path = "D:\\SCAN\\X.DLL";
  facts.lister = EntryFacts{attributes, views, {}, {}, {}};
  return facts;
}

// Each verdict from its evidence, and the precedence between them: a folder
// that could not be read explains everything in it; a file only the volume
// shows is hidden below every attribute; the system attribute before hidden.
TEST(Judge, EachVerdictFollowsItsEvidence) {
  const Views both{ViewId::kVolume, ViewId::kQuery}, volume_only{ViewId::kVolume}, query_only{ViewId::kQuery};
  EXPECT_EQ(Judge(Facts(0x2, both)).verdict, Verdict::kHiddenByAttribute);
  EXPECT_EQ(Judge(Facts(0x6, query_only)).verdict, Verdict::kSystemFile);
  EXPECT_EQ(Judge(Facts(0x20, query_only)).verdict, Verdict::kKeptFromWin32Search);
  EXPECT_EQ(Judge(Facts(0x2, volume_only)).verdict, Verdict::kSeenOnlyOnVolume);

  UnseenFacts device = Facts(0x20, both);
  device.device_name = true;
  EXPECT_NE(Judge(device).reason.find("device name"), std::string::npos);
  UnseenFacts hooked = Facts(0x20, both);
  EXPECT_NE(Judge(hooked).reason.find("inside this program"), std::string::npos);

  UnseenFacts unread_by_query = Facts(0x20, volume_only);
  unread_by_query.unread_status = 0xC0000022;
  EXPECT_EQ(Judge(unread_by_query).verdict, Verdict::kFolderNotSearched);
  UnseenFacts note;
  note.unread_folder_note = true;
  EXPECT_EQ(Judge(note).verdict, Verdict::kFolderNotSearched);
  UnseenFacts win32_failed = Facts(0x2, both);
  win32_failed.win32_folder_error = 5;
  EXPECT_EQ(Judge(win32_failed).verdict, Verdict::kFolderNotSearched);
  EXPECT_EQ(Judge(UnseenFacts{}).verdict, Verdict::kUnexplained);
}

TEST(VerdictCountsText, NamesOnlyWhatOccursAndTheVanished) {
  std::vector<int> counts(kVerdictCount, 0);
  EXPECT_EQ(VerdictCountsText(counts, 0), "Unseen: none");
  counts[static_cast<int>(Verdict::kSystemFile)] = 2;
  counts[static_cast<int>(Verdict::kHiddenByAttribute)] = 3;
  EXPECT_EQ(VerdictCountsText(counts, 1), "Unseen: hidden by attribute 3, system file 2; vanished since the listing 1");
}

}  // namespace
}  // namespace quarvel
