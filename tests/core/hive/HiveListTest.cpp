#include "core/hive/HiveList.h"

#include <gtest/gtest.h>

#include <vector>

namespace quarvel::hive {
namespace {

struct LocateRow {
  const char* name;
  std::u16string device_path;
  std::optional<char16_t> letter;
  std::u16string path;
};

class HiveListLocate : public testing::TestWithParam<LocateRow> {};

TEST_P(HiveListLocate, FindsTheDriveWhoseDeviceStartsThePath) {
  const std::vector<DriveDevice> drives{{u'C', u"\\Device\\HarddiskVolume1"},
                                        {u'D', u"\\Device\\HarddiskVolume10\\"},
                                        {u'E', u"\\Device\\CdRom0"}};
  const auto found = LocateHiveFile(GetParam().device_path, drives);
  ASSERT_EQ(found.has_value(), GetParam().letter.has_value());
  if (found) {
    EXPECT_EQ(found->letter, *GetParam().letter);
    EXPECT_EQ(found->path, GetParam().path);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HiveListLocate,
    testing::Values(
        LocateRow{"system", u"\\Device\\HarddiskVolume1\\Windows\\System32\\config\\SOFTWARE", u'C', u"Windows\\System32\\config\\SOFTWARE"},
        LocateRow{"longerNumberIsAnotherVolume", u"\\Device\\HarddiskVolume10\\config\\SYSTEM", u'D', u"config\\SYSTEM"},
        LocateRow{"caseOfTheDeviceIgnored", u"\\DEVICE\\harddiskvolume1\\x", u'C', u"x"},
        LocateRow{"noDriveForTheVolume", u"\\Device\\HarddiskVolume2\\Windows\\System32\\config\\SAM", std::nullopt, u""},
        LocateRow{"deviceAloneNamesNoFile", u"\\Device\\HarddiskVolume1", std::nullopt, u""},
        LocateRow{"emptyHiveListValue", u"", std::nullopt, u""},
        LocateRow{"driveLetterObjectName", u"\\??\\D:\\CONFIG\\SOFTWARE", u'D', u"CONFIG\\SOFTWARE"},
        LocateRow{"globalDriveLetterAnyCase", u"\\global??\\c:\\x", u'C', u"x"},
        LocateRow{"driveLetterAloneNamesNoFile", u"\\DosDevices\\D:", std::nullopt, u""},
        LocateRow{"noLetterBeforeTheColon", u"\\??\\1:\\x", std::nullopt, u""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quarvel::hive
