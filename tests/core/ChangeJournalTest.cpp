#include "core/ChangeJournal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/ListerCommandLine.h"
#include "core/ListingViews.h"

namespace quarvel {
namespace {

constexpr std::uint32_t kCreate = 0x100, kRenameNew = 0x2000, kBasicInfo = 0x8000, kDataExtend = 0x2;
constexpr std::uint32_t kListingReasons = kCreate | kRenameNew | kBasicInfo;

template <class T>
void Put(std::vector<std::byte>& bytes, std::size_t at, T value) {
  std::memcpy(bytes.data() + at, &value, sizeof(T));
}

// A USN_RECORD_V2 (60 bytes and a name, to 8) or V3 (76 and a name).
std::vector<std::byte> Record(std::uint16_t version, std::uint64_t reference, std::uint64_t time, std::uint32_t reason) {
  const bool v3 = version == 3;
  std::vector<std::byte> record(v3 ? 80 : 64);
  Put<std::uint32_t>(record, 0, static_cast<std::uint32_t>(record.size()));
  Put<std::uint16_t>(record, 4, version);
  Put<std::uint64_t>(record, 8, reference);
  Put<std::uint64_t>(record, v3 ? 48 : 32, time);
  Put<std::uint32_t>(record, v3 ? 56 : 40, reason);
  return record;
}

std::vector<std::byte> Buffer(std::int64_t next_usn, const std::vector<std::vector<std::byte>>& records) {
  std::vector<std::byte> buffer(8);
  Put(buffer, 0, next_usn);
  for (const auto& record : records) buffer.insert(buffer.end(), record.begin(), record.end());
  return buffer;
}

// What the journal's records say of each file: changes that can alter a
// listing count, with the latest time; a write of data alone never does;
// versions it does not know are passed over; a buffer that does not parse is
// taken not at all.
TEST(JournalChanges, RecordsThatCanAlterAListingCountAndABrokenBufferNothing) {
  JournalChanges changes;
  const auto buffer = Buffer(0x5000, {Record(2, 0x0001'0000'0000'0040, 300, kCreate),
                                      Record(2, 0x0001'0000'0000'0040, 900, kBasicInfo),
                                      Record(3, 0x0002'0000'0000'0041, 400, kRenameNew),
                                      Record(2, 0x0001'0000'0000'0042, 500, kDataExtend),
                                      Record(4, 0x0001'0000'0000'0043, 600, kCreate)});
  EXPECT_EQ(changes.Take(buffer, kListingReasons), 0x5000);
  EXPECT_EQ(changes.ChangedAt(0x0001'0000'0000'0040), 900u);
  EXPECT_EQ(changes.ChangedAt(0x0002'0000'0000'0041), 400u);
  EXPECT_EQ(changes.ChangedAt(0x0001'0000'0000'0042), std::nullopt) << "a write alone";
  EXPECT_EQ(changes.ChangedAt(0x0001'0000'0000'0043), std::nullopt) << "an unknown version";
  EXPECT_EQ(changes.ChangedAt(0x0002'0000'0000'0040), std::nullopt) << "the record reused: another file";

  auto torn = Buffer(1, {Record(2, 7, 100, kCreate), Record(2, 8, 100, kCreate)});
  torn.resize(torn.size() - 8);
  auto overlong = Buffer(1, {Record(2, 7, 100, kCreate)});
  Put<std::uint32_t>(overlong, 8, 4096);
  auto short_v3 = Buffer(1, {Record(3, 7, 100, kCreate)});
  Put<std::uint32_t>(short_v3, 8, 64);
  auto zero_length = Buffer(1, {Record(2, 7, 100, kCreate)});
  Put<std::uint32_t>(zero_length, 8, 0);
  for (const auto& broken : {torn, overlong, short_v3, zero_length, std::vector<std::byte>(4)}) {
    EXPECT_EQ(changes.Take(broken, kListingReasons), std::nullopt);
  }
  EXPECT_EQ(changes.ChangedAt(7), std::nullopt);
  EXPECT_EQ(changes.Take(Buffer(0x6000, {}), kListingReasons), 0x6000) << "nothing new";
}

// The mark goes from the lister's views file to the second look's command
// line, with the time the listing began.
TEST(JournalMark, TravelsInTheViewsFileAndOnTheSecondLooksCommandLine) {
  const JournalMark mark{0x01D9'AB00'0000'0001, 0x7'0000'1000};
  EXPECT_EQ(JournalMarkText(mark), "1d9ab0000000001:700001000");
  EXPECT_EQ(ParseJournalMark(JournalMarkText(mark)), mark);
  for (const char* broken : {"", ":", "1:", ":1", "1", "x:1", "1:1:1", "1:8000000000000000", "1: 2"}) {
    EXPECT_EQ(ParseJournalMark(broken), std::nullopt) << broken;
  }

  ListingViews views;
  views.ReadLine(kViewsHeader);
  EXPECT_TRUE(views.ReadLine(JournalRecord(mark)));
  EXPECT_EQ(views.JournalMarkOfScan(), mark);
  ListingViews broken;
  broken.ReadLine(kViewsHeader);
  EXPECT_FALSE(broken.ReadLine("U\tnot a mark"));
  EXPECT_EQ(broken.JournalMarkOfScan(), std::nullopt);

  const auto args =
      ParseListerArguments(R"(/CHECK - /SINCE:1DB0000CAFE /USN:1d9ab0000000001:700001000 >"C:\w\answers.txt")");
  EXPECT_TRUE(args.check);
  EXPECT_EQ(args.journal_mark, mark);
  EXPECT_EQ(args.listed_after, 0x1DB0000CAFEu);
  EXPECT_EQ(args.output_file, R"(C:\w\answers.txt)");
  EXPECT_EQ(ParseListerArguments("/CHECK - /USN:bad").journal_mark, std::nullopt);
  EXPECT_EQ(ParseListerArguments("/CHECK - /SINCE:12x").listed_after, std::nullopt);
}

}  // namespace
}  // namespace quarvel
