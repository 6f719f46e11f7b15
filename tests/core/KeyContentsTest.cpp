#include "core/KeyContents.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

KeyTree Tree(KeyContents values, std::map<std::string, KeyTree> subkeys = {}) {
  return KeyTree{std::move(values), std::move(subkeys), ""};
}

TEST(KeyContents, TheDigestChangesWithAnyNameTypeByteOrSubkeyButNotTheAccessList) {
  const KeyTree tree = Tree({{"AppInit_DLLs", {1, WideData("a.dll")}}, {"n", {4, std::string(4, '\0')}}},
                            {{"Sub", Tree({{"v", {1, WideData("x")}}})}});
  const std::string digest = ContentsDigest(tree);
  EXPECT_EQ(digest.size(), 64u);
  KeyTree other = tree;
  other.security = "D:P(A;;KA;;;SY)";
  EXPECT_EQ(ContentsDigest(other), digest);
  other = tree;
  other.values["n"].type = 3;
  EXPECT_NE(ContentsDigest(other), digest);
  other = tree;
  other.values["n"].data[3] = 1;
  EXPECT_NE(ContentsDigest(other), digest);
  other = tree;
  other.subkeys["Sub"].values["v"].data[0] = 'y';
  EXPECT_NE(ContentsDigest(other), digest);
  other = tree;
  other.subkeys["Sub2"];
  EXPECT_NE(ContentsDigest(other), digest);
  // Names and data do not run into each other, nor values into subkeys.
  EXPECT_NE(ContentsDigest(Tree({{"ab", {1, "c"}}})), ContentsDigest(Tree({{"a", {1, "bc"}}})));
  EXPECT_NE(ContentsDigest(Tree({}, {{"a", Tree({})}})), ContentsDigest(Tree({{"a", {0, ""}}})));

  EXPECT_TRUE(SameContentsExcept(tree, Tree({{"AppInit_DLLs", {1, WideData("")}}, {"n", tree.values.at("n")}},
                                            tree.subkeys),
                                 "AppInit_DLLs"));
  EXPECT_FALSE(SameContentsExcept(tree, Tree(tree.values), "AppInit_DLLs"));
}

TEST(KeyContents, WideTextIsReadAsStoredAndOnlyFromTextTypes) {
  const KeyContents values = {{"sz", {1, WideData("C:\\a.dll") + WideData("after the NUL")}},
                              {"expand", {2, WideData("%SystemRoot%\\b.dll")}},
                              {"multi", {7, WideData("c.dll") + WideData("")}},
                              {"odd", {1, std::string("a\0b", 3)}}};
  EXPECT_EQ(WideTextOf(values, "sz"), u"C:\\a.dll");
  EXPECT_EQ(WideTextOf(values, "expand"), u"%SystemRoot%\\b.dll");
  EXPECT_EQ(WideTextOf(values, "multi"), std::nullopt);
  EXPECT_EQ(WideTextOf(values, "missing"), std::nullopt);
  EXPECT_EQ(WideTextOf(values, "odd"), u"a");  // a dangling last byte is no character
  EXPECT_EQ(WideData("\xc3\xa9\xf0\x9f\x98\x80"), std::string("\xe9\x00\x3d\xd8\x00\xde\x00\x00", 8));
  EXPECT_EQ(Utf8OfWide(u"\u00e9\U0001F600"), "\xc3\xa9\xf0\x9f\x98\x80");
  // An unpaired surrogate keeps a form of its own: two different names never meet.
  EXPECT_NE(Utf8OfWide(std::u16string(1, char16_t(0xD800))), Utf8OfWide(std::u16string(1, char16_t(0xD801))));
}

}  // namespace
}  // namespace quarvel
