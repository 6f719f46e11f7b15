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
  const auto views = Read({kViewsHeader, ViewsFileRecord("C:\\W\\A.DLL", 0x22, {ViewId::kVolume}),
                           ViewsFileRecord(odd, 0x20, {ViewId::kVolume, ViewId::kQuery}), UnreadByQueryRecord("C:\\W\\LOCKED\\", 0xC0000022)});
  ASSERT_NE(views.Find("C:\\W\\A.DLL"), nullptr);
  EXPECT_EQ(views.Find("C:\\W\\A.DLL")->attributes, 0x22u);
  EXPECT_EQ(views.Find("C:\\W\\A.DLL")->views, (Views{ViewId::kVolume}));
  ASSERT_NE(views.Find(odd), nullptr);
  EXPECT_EQ(views.Find(odd)->views, (Views{ViewId::kVolume, ViewId::kQuery}));
  EXPECT_EQ(views.UnreadByQuery("C:\\W\\LOCKED\\"), 0xC0000022u);
  EXPECT_EQ(ViewsFileFor("C:\\T\\dll.txt"), "C:\\T\\dll-views.txt");
  EXPECT_EQ(ViewsFileFor("listing"), "listing-views.txt");
}

// Read as defensively as the listing: nothing before the header counts, and a
// line with a broken field is skipped, never half taken.
TEST(ListingViews, BrokenLinesAreSkipped) {
  const auto views = Read({"F\tC:\\BEFORE\t00000000\tV\t\t", kViewsHeader, "F\tC:\\A\tzz\tV\t\t",
                           "F\tC:\\B\t00000000\tX\t\t", "F\tC:\\C\t00000000\t\t\t", "F\tC:\\D%4\t00000000\tQ\t\t",
                           "F\tC:\\E\t00000000\tQ\t\t\textra", "D\tC:\\F\\", "X\tC:\\G\t0\tV",
                           "F\tC:\\H\t123456789\tV\t\t", "F\tC:\\G\t00000000\tV\tV12\t",
                           "F\tC:\\OK\t1\tQ\t\t"});
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
    const auto views = Read({kViewsHeader, SourcesRecord({ViewId::kVolume, ViewId::kQuery}), row.record});
    EXPECT_EQ(views.VolumeView(), row.state) << row.record;
    EXPECT_EQ(views.Sources(), (Views{ViewId::kVolume, ViewId::kQuery}));
  }
  for (const char* broken : {"V\tused\t1", "V\tused\tx\t0", "V\tused\t-1\t0", "V\tnot used\t", "V\tmaybe\t1\t1",
                             "V\tused\t99999999999999999999\t0", "V\tnot used\tbad%zz"}) {
    EXPECT_FALSE(Read({kViewsHeader, broken}).VolumeView()) << broken;
  }
  EXPECT_FALSE(Read({kViewsHeader, SourcesRecord({ViewId::kQuery})}).VolumeView());
}

// The views file is read along with the listing: never ahead of it, so a file
// wanted late still gets its record; after a stop, only to the end of the last
// wanted file's folder, its "D" record included.
TEST(ViewsAlongListing, ReadsNoFurtherThanTheListingAndAfterAStopToTheFolderEnd) {
  const Views both{ViewId::kVolume, ViewId::kQuery};
  const std::string a = FolderRecord("C:\\A\\", {}), b = FolderRecord("C:\\B\\", {});
  // Each file by its whole path, and as the lister writes them: by name under their folder's record.
  const struct {
    std::vector<std::string> file;
    std::size_t after_first, after_third, after_stop;
  } forms[] = {
      {{std::string(kViewsHeader), SourcesRecord(both), ViewsFileRecord("C:\\A\\1", 0x20, both),
        ViewsFileRecord("C:\\A\\2", 0x22, both), ViewsFileRecord("C:\\A\\3", 0x20, {ViewId::kVolume}),
        UnreadByQueryRecord("C:\\A\\", 0xC0000022), ViewsFileRecord("C:\\B\\1", 0x20, both)},
       3, 5, 7},
      {{std::string(kViewsHeader), SourcesRecord(both), a, FolderFileRecord("1", 0x20, both),
        FolderFileRecord("2", 0x22, both), FolderFileRecord("3", 0x20, {ViewId::kVolume}),
        UnreadByQueryRecord("C:\\A\\", 0xC0000022), b, FolderFileRecord("1", 0x20, both)},
       4, 6, 8},
  };
  for (const auto& form : forms) {
    const auto& file = form.file;
    std::size_t read = 0;
    ViewsAlongListing views([&]() -> const std::string* { return read < file.size() ? &file[read++] : nullptr; });
    views.Listed(nullptr);
    EXPECT_EQ(read, form.after_first);  // the header, the views and the first file's record
    const std::string second = "C:\\A\\2", third = "C:\\A\\3";
    views.Listed(&second);
    views.Listed(&third);
    EXPECT_EQ(read, form.after_third);
    views.ReadRestOfFolder("C:\\A\\", [] {});
    EXPECT_EQ(read, form.after_stop);  // the next folder's first record ends it, unkept
    EXPECT_EQ(views.Views().Find(second)->attributes, 0x22u);
    EXPECT_EQ(views.Views().Find(third)->views, (Views{ViewId::kVolume}));
    EXPECT_EQ(views.Views().Find("C:\\A\\1"), nullptr);  // never wanted
    EXPECT_EQ(views.Views().Find("C:\\B\\1"), nullptr);
    EXPECT_EQ(views.Views().UnreadByQuery("C:\\A\\"), 0xC0000022u);
    EXPECT_EQ(views.Views().Sources(), both);
  }
}

// Each file carries its folder's real path and ids from the "P" record before
// it, its own ids and its real long name: what the second look finds it by.
TEST(ListingViews, FilesCarryTheirIdentityAndTheirFoldersAndTheListerSaysItEnded) {
  ViewIds folder_ids, file_ids;
  folder_ids[static_cast<std::size_t>(ViewId::kVolume)] = 0x40;
  file_ids[static_cast<std::size_t>(ViewId::kVolume)] = 0x0003000000000041;
  file_ids[static_cast<std::size_t>(ViewId::kQuery)] = 0x41;
  const FolderFacts folder{"\\\\?\\D:\\Dir. \\", folder_ids};
  const auto views = Read({kViewsHeader, SourcesRecord({ViewId::kVolume, ViewId::kQuery}),
                           NotUsedRecord(ViewId::kVolume, "no raw access"), FolderRecord("D:\\DIR~1\\", folder),
                           ViewsFileRecord("D:\\DIR~1\\A.DLL", 0x22, {ViewId::kVolume}, file_ids, "a\t\xC3\xA9.dll"),
                           ViewsFileRecord("D:\\DIR~1\\SUB\\B.DLL", 0x20, {ViewId::kQuery}), EndRecord(2)});
  const EntryFacts* a = views.Find("D:\\DIR~1\\A.DLL");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->ids, file_ids);
  EXPECT_EQ(a->long_name, "a\t\xC3\xA9.dll");
  EXPECT_EQ(a->folder, folder);
  // A file under another folder than the last "P" record's gets no folder.
  EXPECT_EQ(views.Find("D:\\DIR~1\\SUB\\B.DLL")->folder, FolderFacts{});
  EXPECT_EQ(views.NotUsed().at(ViewId::kVolume), "no raw access");
  EXPECT_TRUE(views.Ended());
  EXPECT_FALSE(Read({kViewsHeader, EndRecord(0) + "x"}).Ended());
}

// The lister names each file by its listed name alone, under the folder of
// the "P" record before it: read back, the record is the file's by its whole
// path, whichever part holds a character that needs an escape; a name that
// no folder record stands before, or that reaches below its folder, is never
// taken.
TEST(ListingViews, AFileRecordByItsNameAloneIsTheFilesOfTheFolderBeforeIt) {
  ViewIds ids;
  ids[static_cast<std::size_t>(ViewId::kVolume)] = 0x41;
  const struct {
    std::string folder, name;
    bool folder_first, taken;
  } cases[] = {
      {"D:\\50%\\", "A\tB.DLL", true, true},
      {"D:\\TAB\tHERE\\", "%.DLL", true, true},
      {"D:\\", "PLAIN.DLL", true, true},
      {"D:\\", "PLAIN.DLL", false, false},   // no folder record before it
      {"D:\\", "SUB\\X.DLL", true, false},  // a name cannot reach below its folder
      {"D:\\", "", true, false},
  };
  for (const auto& c : cases) {
    const std::string folder = FolderRecord(c.folder, FolderFacts{"\\\\?\\D:\\%\\", ids});
    const std::string file = FolderFileRecord(c.name, 0x22, {ViewId::kVolume}, ids, "l\r");
    ListingViews views;
    views.ReadLine(kViewsHeader);
    if (c.folder_first) views.ReadLine(folder);
    EXPECT_EQ(views.ReadLine(file), c.taken) << c.folder << c.name;
    const EntryFacts* read = views.Find(c.folder + c.name);
    ASSERT_EQ(read != nullptr, c.taken) << c.folder << c.name;
    if (!read) continue;
    EXPECT_EQ(read->attributes, 0x22u);
    EXPECT_EQ(read->long_name, "l\r");
    EXPECT_EQ(read->ids, ids);
    EXPECT_EQ(read->folder.true_path, "\\\\?\\D:\\%\\");
  }
}

// The end record must be the very last line: a views file cut anywhere before
// it is from a lister that did not finish.
TEST(ListingViews, OnlyAFileThatEndsWithTheEndRecordIsWhole) {
  const struct {
    std::string tail;
    bool whole;
  } cases[] = {{"F\tX\t0\tQ\t\t\r\nE\t12\r\n", true}, {"E\t0\r\n", true},       {"E\t12\r\nF\tX\r\n", false},
               {"F\tX\t0\tQ\t\t\r\nE\t1", false},     {"E\t1x\r\n", false},     {"", false},
               {"E\t\r\n", false}};
  for (const auto& row : cases) EXPECT_EQ(EndsWithEndRecord(row.tail), row.whole) << row.tail;
}

TEST(Recheck, RequestsAndAnswersRoundTripAndBrokenAnswersAreNeverTaken) {
  EntryFacts facts;
  facts.long_name = "long\tname.dll";
  facts.ids[static_cast<std::size_t>(ViewId::kQuery)] = 7;
  facts.folder = {"\\\\?\\C:\\x\\", {}};
  const auto request = ParseRecheckRequestLine(RecheckRequestLine("C:\\x\\LONG~1.DLL", facts));
  ASSERT_TRUE(request);
  EXPECT_EQ(request->path, "C:\\x\\LONG~1.DLL");
  EXPECT_EQ(request->folder_path, "\\\\?\\C:\\x\\");
  EXPECT_EQ(request->long_name, "long\tname.dll");
  EXPECT_EQ(request->ids, facts.ids);
  EXPECT_FALSE(ParseRecheckRequestLine("C:\\x\\A.DLL"));

  RecheckAnswer gone;
  gone.Set(ViewId::kVolume, Look::kGone);
  gone.Set(ViewId::kQuery, Look::kUnknown);
  RecheckAnswer there;
  there.Set(ViewId::kQuery, Look::kThere);
  there.attributes = 0x22;
  there.changed_at = 0x01DB000000000001ULL;
  RecheckAnswers answers;
  for (const auto& line : {RecheckAnswerLine("C:\\A", gone), RecheckAnswerLine("C:\\B", there), std::string("C:\\C\tV-\t-"),
                           std::string("C:\\D\tX-\t-\t-"), std::string("C:\\E\tV+\tzz\t-"), std::string("C:\\F\tV\t-\t-"),
                           std::string("C:\\G\tV+\t-\tzz")}) {
    answers.ReadLine(line);
  }
  ASSERT_NE(answers.Find("C:\\A"), nullptr);
  EXPECT_EQ(answers.Find("C:\\A")->Of(ViewId::kVolume), Look::kGone);
  EXPECT_EQ(answers.Find("C:\\A")->Of(ViewId::kQuery), Look::kUnknown);
  EXPECT_EQ(answers.Find("C:\\B")->attributes, 0x22u);
  EXPECT_EQ(answers.Find("C:\\B")->changed_at, 0x01DB000000000001ULL);
  for (const char* broken : {"C:\\C", "C:\\D", "C:\\E", "C:\\F", "C:\\G", "C:\\never asked"}) {
    EXPECT_EQ(answers.Find(broken), nullptr) << broken;
  }
}

}  // namespace
}  // namespace quarvel
