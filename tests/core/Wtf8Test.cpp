#include "core/Wtf8.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

// Names a volume can hold come back as they were, a lone surrogate included;
// bytes that are no WTF-8 are refused rather than guessed.
TEST(Wtf8, NamesRoundTripLosslesslyAndBrokenBytesAreRefused) {
  const std::u16string names[] = {u"plain.dll", u"\u00e9t\u00e9", u"\u6f22\u5b57", u"\U0001F600.dll",
                                  std::u16string(u"lone") + char16_t(0xD800) + u".dll",
                                  std::u16string(1, char16_t(0xDC00))};
  for (const auto& name : names) EXPECT_EQ(Utf16FromWtf8(Wtf8FromUtf16(name)), name);
  EXPECT_EQ(Wtf8FromUtf16(u"\u00e9"), "\xC3\xA9");
  EXPECT_TRUE(HoldsLoneSurrogate(names[4]));
  EXPECT_FALSE(HoldsLoneSurrogate(names[3]));
  for (const char* broken : {"\xC3", "\xC0\x80", "\x80", "\xF8\x88\x80\x80\x80", "\xF4\x90\x80\x80"}) {
    EXPECT_FALSE(Utf16FromWtf8(broken)) << broken;
  }
}

}  // namespace
}  // namespace quarvel
