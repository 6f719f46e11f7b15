#include "core/ListingViews.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Recheck.h"

namespace quarvel {
namespace {

ListingViews Read(std::initializer_list<std::string_view> lines) {
  ListingViews views;
  for (const auto line : lines) views.ReadLine(line);
  return views;
}

TEST(ListingViews, RecordsRoundTripWithTheirEscapes) {
  const std::string odd = "C:\\W\\tab\there%20\r\n.dll";
  const auto views = Read({kViewsHeader, ViewsFileRecord("C:\\W\\A.DLL", 0x22, {true, false}),
                           ViewsFileRecord(odd, 0x20, {true, true}), UnreadByQueryRecord("C:\\W\\LOCKED\\", 0xC0000022)});
  ASSERT_NE(views.Find("C:\\W\\A.DLL"), nullptr);
  EXPECT_EQ(views.Find("C:\\W\\A.DLL")->attributes, 0x22u);
  EXPECT_EQ(views.Find("C:\\W\\A.DLL")->views, (Views{true, false}));
  ASSERT_NE(views.Find(odd), nullptr);
  EXPECT_EQ(views.Find(odd)->views, (Views{true, true}));
  EXPECT_EQ(views.UnreadByQuery("C:\\W\\LOCKED\\"), 0xC0000022u);
  EXPECT_EQ(ViewsFileFor("C:\\T\\dll.txt"), "C:\\T\\dll-views.txt");
  EXPECT_EQ(ViewsFileFor("listing"), "listing-views.txt");
}

// Read as defensively as the listing: nothing before the header counts, and a
// line with a broken field is skipped, never half taken.
TEST(ListingViews, BrokenLinesAreSkipped) {
  const auto views = Read({"F\tC:\\BEFORE\t00000000\tV", kViewsHeader, "F\tC:\\A\tzz\tV", "F\tC:\\B\t00000000\tX",
                           "F\tC:\\C\t00000000\t", "F\tC:\\D%4\t00000000\tQ", "F\tC:\\E\t00000000\tQ\textra",
                           "D\tC:\\F\\", "X\tC:\\G\t0\tV", "F\tC:\\H\t123456789\tV", "F\tC:\\OK\t1\tQ"});
  for (const char* path : {"C:\\BEFORE", "C:\\A", "C:\\B", "C:\\C", "C:\\D%4", "C:\\E", "C:\\G", "C:\\H"}) {
    EXPECT_EQ(views.Find(path), nullptr) << path;
  }
  EXPECT_FALSE(views.UnreadByQuery("C:\\F\\").has_value());
  ASSERT_NE(views.Find("C:\\OK"), nullptr);
  EXPECT_EQ(views.Find("C:\\OK")->attributes, 1u);
}

// Whether the volume view was used: one row per state, as written, read back
// and said; broken records are skipped, and the sources record stays as it was.
TEST(ListingViews, VolumeViewRecordsRoundTripAndSayWhy) {
  struct Row {
    VolumeViewState state;
    const char* record;
    const char* text;
  };
  const Row rows[] = {
      {{true, 0, 0, ""}, "V\tused\t0\t0", "volume view: used"},
      {{true, 1, 0, ""}, "V\tused\t1\t0", "volume view: used, 1 MFT record skipped"},
      {{true, 4100, 2, ""}, "V\tused\t4100\t2", "volume view: used, 4100 MFT records skipped (2 stretches unreadable)"},
      {{true, 16, 1, ""}, "V\tused\t16\t1", "volume view: used, 16 MFT records skipped (1 stretch unreadable)"},
      {{false, 0, 0, std::string(kNoRawAccess)}, "V\tnot used\tno raw access", "volume view: not used, because no raw access"},
      {{false, 0, 0, std::string(kNotNtfs)}, "V\tnot used\tnot NTFS", "volume view: not used, because not NTFS"},
      {{false, 0, 0, std::string(kVolumeLocked)}, "V\tnot used\tlocked", "volume view: not used, because locked"},
      {{false, 0, 0, std::string(kVolumeFailed)}, "V\tnot used\tfailed", "volume view: not used, because failed"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(VolumeViewRecord(row.state), row.record);
    EXPECT_EQ(VolumeViewText(row.state), row.text);
    const auto views = Read({kViewsHeader, SourcesRecord({true, true}), row.record});
    EXPECT_EQ(views.VolumeView(), row.state) << row.record;
    EXPECT_EQ(views.Sources(), (Views{true, true}));
  }
  for (const char* broken : {"V\tused\t1", "V\tused\tx\t0", "V\tused\t-1\t0", "V\tnot used\t", "V\tmaybe\t1\t1",
                             "V\tused\t99999999999999999999\t0", "V\tnot used\tbad%zz"}) {
    EXPECT_FALSE(Read({kViewsHeader, broken}).VolumeView()) << broken;
  }
  EXPECT_FALSE(Read({kViewsHeader, SourcesRecord({false, true})}).VolumeView());
}

// The views file is read along with the listing: never ahead of it, so a file
// wanted late still gets its record; after a stop, only to the end of the last
// wanted file's folder, its "D" record included.
TEST(ViewsAlongListing, ReadsNoFurtherThanTheListingAndAfterAStopToTheFolderEnd) {
  const std::vector<std::string> file = {std::string(kViewsHeader), SourcesRecord({true, true}),
                                         ViewsFileRecord("C:\\A\\1", 0x20, {true, true}),
                                         ViewsFileRecord("C:\\A\\2", 0x22, {true, true}),
                                         ViewsFileRecord("C:\\A\\3", 0x20, {true, false}),
                                         UnreadByQueryRecord("C:\\A\\", 0xC0000022),
                                         ViewsFileRecord("C:\\B\\1", 0x20, {true, true})};
  std::size_t read = 0;
  ViewsAlongListing views([&]() -> const std::string* { return read < file.size() ? &file[read++] : nullptr; });
  views.Listed(nullptr);
  EXPECT_EQ(read, 3u);  // the header, the views and the first file's record
  const std::string second = "C:\\A\\2", third = "C:\\A\\3";
  views.Listed(&second);
  views.Listed(&third);
  EXPECT_EQ(read, 5u);
  views.ReadRestOfFolder("C:\\A\\", [] {});
  EXPECT_EQ(read, 7u);  // the next folder's first record ends it, unkept
  EXPECT_EQ(views.Views().Find(second)->attributes, 0x22u);
  EXPECT_EQ(views.Views().Find(third)->views, (Views{true, false}));
  EXPECT_EQ(views.Views().Find("C:\\A\\1"), nullptr);  // never wanted
  EXPECT_EQ(views.Views().Find("C:\\B\\1"), nullptr);
  EXPECT_EQ(views.Views().UnreadByQuery("C:\\A\\"), 0xC0000022u);
  EXPECT_EQ(views.Views().Sources(), (Views{true, true}));
}

TEST(RecheckAnswers, GoneStillThereAndUnknownAndNothingElse) {
  RecheckAnswers answers;
  for (const auto& line : {RecheckAnswerLine("C:\\A", RecheckAnswer::kGone, {}),
                           RecheckAnswerLine("C:\\B", RecheckAnswer::kStillThere, {false, true}),
                           RecheckAnswerLine("C:\\C", RecheckAnswer::kUnknown, {}), std::string("C:\\D\tVX"),
                           std::string("C:\\E")}) {
    answers.ReadLine(line);
  }
  EXPECT_EQ(answers.Answer("C:\\A"), RecheckAnswer::kGone);
  EXPECT_EQ(answers.Answer("C:\\B"), RecheckAnswer::kStillThere);
  EXPECT_EQ(answers.Answer("C:\\C"), RecheckAnswer::kUnknown);
  EXPECT_EQ(answers.Answer("C:\\D"), RecheckAnswer::kUnknown);  // broken: never taken for gone
  EXPECT_EQ(answers.Answer("C:\\never asked"), RecheckAnswer::kUnknown);
  EXPECT_EQ(ParseRecheckRequestLine(RecheckRequestLine("C:\\x\ty")), std::string("C:\\x\ty"));
}

}  // namespace
}  // namespace quarvel
