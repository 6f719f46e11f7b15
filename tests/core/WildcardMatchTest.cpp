#include "core/WildcardMatch.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

TEST(WildcardMatch, StarDotStarAndEmptyMatchEverything) {
  for (const wchar_t* name : {L"a", L"a.b", L"noext", L".hidden", L"x.y.z"}) {
    EXPECT_TRUE(MatchesFilter(name, L"*.*")) << name;
    EXPECT_TRUE(MatchesFilter(name, L"*")) << name;
    EXPECT_TRUE(MatchesFilter(name, L"")) << name;
  }
}

TEST(WildcardMatch, ExtensionFilterIgnoresCase) {
  EXPECT_TRUE(MatchesFilter(L"KERNEL32.DLL", L"*.dll"));
  EXPECT_TRUE(MatchesFilter(L"Long Visible Name.dll", L"*.DLL"));
  EXPECT_TRUE(MatchesFilter(L"a.b.dll", L"*.dll"));
  EXPECT_FALSE(MatchesFilter(L"x.dllx", L"*.dll"));
  EXPECT_FALSE(MatchesFilter(L"a.dll.bak", L"*.dll"));
  EXPECT_FALSE(MatchesFilter(L"dll", L"*.dll"));
}

TEST(WildcardMatch, TrailingDotMeansNoExtension) {
  EXPECT_TRUE(MatchesFilter(L"HOSTS", L"*."));
  EXPECT_FALSE(MatchesFilter(L"a.txt", L"*."));
  EXPECT_TRUE(MatchesFilter(L"readme", L"readme.*"));
  EXPECT_TRUE(MatchesFilter(L"readme.txt", L"readme.*"));
}

TEST(WildcardMatch, QuestionMarkIsOneCharacterOrNoneAtADotOrTheEnd) {
  EXPECT_TRUE(MatchesFilter(L"ab.c", L"a?.c"));
  EXPECT_FALSE(MatchesFilter(L"abb.c", L"a?.c"));
  EXPECT_TRUE(MatchesFilter(L"a.c", L"a?.c"));
  EXPECT_TRUE(MatchesFilter(L"ab", L"ab??"));
  EXPECT_FALSE(MatchesFilter(L"abcde", L"ab??"));
}

TEST(WildcardMatch, ExactNames) {
  EXPECT_TRUE(MatchesFilter(L"locate.com", L"LOCATE.COM"));
  EXPECT_FALSE(MatchesFilter(L"locate.com", L"locate.co"));
}

}  // namespace
}  // namespace quarvel
