#include "lister/AnsiName.h"

#include <gtest/gtest.h>

#include "platform/AnsiText.h"

namespace quarvel::lister {
namespace {

DirectoryEntry Entry(std::wstring_view long_name, std::wstring_view short_name = L"") {
  DirectoryEntry entry;
  entry.long_name = long_name;
  entry.short_name = short_name;
  return entry;
}

class ListedNameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (GetACP() == CP_UTF8) GTEST_SKIP() << "every name spells in a UTF-8 code page";
  }
};

TEST_F(ListedNameTest, ShortNameFirstThenTheLongName) {
  EXPECT_EQ(ListedName(Entry(L"Long Visible Name.dll", L"LONG~QBV.DLL")), "LONG~QBV.DLL");
  EXPECT_EQ(ListedName(Entry(L"KERNEL32.DLL")), "KERNEL32.DLL");
  EXPECT_EQ(ListedName(Entry(L"\u0391\u0392.txt", L"AB~1.TXT")), "AB~1.TXT");
}

TEST_F(ListedNameTest, NameWithoutAnExactSpellingGetsTheNoteAndNoWildcard) {
  const std::string listed = ListedName(Entry(L"\u0391\u0392.TXT"));
  EXPECT_EQ(listed, "NOT-ANSI:U+0391U+0392.TXT");
  EXPECT_FALSE(IsSpelled(listed));
  EXPECT_EQ(listed.find('?'), std::string::npos);
  EXPECT_EQ(ListedName(Entry(L"a\u03a9b.dll")), "NOT-ANSI:aU+03A9b.dll");
}

TEST_F(ListedNameTest, BestFitSubstitutesDoNotCountAsASpelling) {
  // U+0100 has a best-fit "A" in code page 1252, which would name another file.
  EXPECT_FALSE(win::ExactAnsi(L"\u0100BC.DLL").has_value());
  EXPECT_EQ(ListedName(Entry(L"\u0100BC.DLL")), "NOT-ANSI:U+0100BC.DLL");
}

TEST_F(ListedNameTest, NamesTheCodePageHasAreKept) {
  EXPECT_TRUE(IsSpelled(ListedName(Entry(L"plain.dll"))));
  EXPECT_EQ(win::ExactAnsi(L"plain.dll"), std::string("plain.dll"));
}

// Under the UTF-8 system code page, WideCharToMultiByte refuses the best-fit
// flag and the default-character question; every name then has a spelling.
TEST(ExactAnsi, TheUtf8CodePageSpellsEveryNameAndTakesNoFlags) {
  EXPECT_EQ(win::ExactAnsi(L"\u0391\u0392.txt", CP_UTF8), std::string("\xCE\x91\xCE\x92.txt"));
  EXPECT_EQ(win::ExactAnsi(L"\u0100BC.DLL", CP_UTF8), std::string("\xC4\x80" "BC.DLL"));
  EXPECT_FALSE(win::ExactAnsi(L"\u0100BC.DLL", 1252).has_value());
  EXPECT_EQ(win::ExactAnsi(L"", CP_UTF8), std::string());
}

}  // namespace
}  // namespace quarvel::lister
