#include "core/ReportText.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

TEST(FileVersionText, FourUnsignedPartsHighHalfFirst) {
  EXPECT_EQ(FileVersionText(0x00060001, 0x00070000), "6.1.7.0");
  EXPECT_EQ(FileVersionText(0x00010000, 0), "1.0.0.0");
  EXPECT_EQ(FileVersionText(0xFFFF8000, 0x0000FFFF), "65535.32768.0.65535");
}

TEST(AttributeWord, LastHoldingTestWins) {
  EXPECT_EQ(AttributeWord(true, false, false, false), "Normal");
  EXPECT_EQ(AttributeWord(true, true, false, false), "Read Only");
  EXPECT_EQ(AttributeWord(true, true, true, false), "Hidden");
  EXPECT_EQ(AttributeWord(true, true, true, true), "System");
  EXPECT_EQ(AttributeWord(true, false, true, true), "System");
  EXPECT_EQ(AttributeWord(false, false, false, false), "");
}

TEST(DetailsText, FourLinesWithTheSizesSignBlank) {
  EXPECT_EQ(DetailsText("C:\\x\\Long Name.dll", "1.2.3.4", 1234, "Read Only"),
            "C:\\x\\Long Name.dll\r\nFile Version : 1.2.3.4\r\nFile Size :  1234 bytes\r\nFile Attributes : Read Only");
  EXPECT_EQ(DetailsText("C:\\x", "", std::nullopt, ""),
            "C:\\x\r\nFile Version : \r\nFile Size : (unknown)\r\nFile Attributes : ");
  EXPECT_NE(DetailsText("big", "", 3'000'000'000LL, "Normal").find(" 3000000000 bytes"), std::string::npos);
}

TEST(LogText, EntriesBetweenTheRulesThenSummaryAccountAndValue) {
  LogInput input;
  input.version = "1.0.0.0";
  input.list1 = {"C:\\W\\HIDDEN.DLL  12", "C:\\W\\B.SYS  3"};
  input.size_caption = "2 file(s) found: 1 folder(s) listed\r\nTotal of file sizes: 15 bytes";
  input.nt_family = true;
  input.is_admin = true;
  input.app_init_value = "C:\\x\\cws.dll";
  EXPECT_EQ(LogText(input),
            "*    Quarvel Log version(1.0.0.0)\r\n"
            "Files Found that Windows does not See or cannot Access\r\n"
            "*Not everything listed here means you are infected!\r\n" +
                std::string(48, '_') + "\r\n\r\n" +
                "C:\\W\\HIDDEN.DLL  12\r\nC:\\W\\B.SYS  3\r\n" + std::string(48, '_') + "\r\n\r\n" +
                "2 file(s) found: 1 folder(s) listed\r\nTotal of file sizes: 15 bytes\r\n\r\n"
                "Administrator Account = True\r\n\r\n"
                "AppInit_DLLs value = C:\\x\\cws.dll (not hidden)\r\n"
                "--------------------End log---------------------\r\n");
}

TEST(LogText, NothingFoundOnTheNineXFamilyWithoutVersion) {
  LogInput input;
  const std::string text = LogText(input);
  EXPECT_EQ(text.substr(0, 28), "*    Quarvel Log version()\r\n");
  EXPECT_NE(text.find(std::string(48, '_') + "\r\n\r\nBrennick says: \"There were no files found :)\"\r\n" +
                      std::string(48, '_')),
            std::string::npos);
  // After the caption and its empty line comes the end line directly.
  EXPECT_NE(text.find("\r\n\r\n\r\n--------------------End log---------------------\r\n"), std::string::npos);
  EXPECT_EQ(text.find("Administrator"), std::string::npos);
}

TEST(LogText, NtFamilyWithEmptyValueEndsWithTheAccountLine) {
  LogInput input;
  input.nt_family = true;
  const std::string text = LogText(input);
  const std::string tail = "Administrator Account = False\r\n\r\n--------------------End log---------------------\r\n";
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

}  // namespace
}  // namespace quarvel
