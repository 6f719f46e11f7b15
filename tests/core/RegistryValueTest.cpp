#include "core/RegistryValue.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

TEST(RegistryValueText, EachKindHasItsTextForm) {
  EXPECT_EQ(ToText(RegistryValue{}), "");
  EXPECT_EQ(ToText(RegistryValue{std::string("ok")}), "ok");
  EXPECT_EQ(ToText(RegistryValue{std::int32_t{-42}}), "-42");
  EXPECT_EQ(ToText(RegistryValue{RegistryBytes{'a', 'b'}}), "ab");
  EXPECT_EQ(ToText(RegistryValue{RegistryBytes{}}), "");
}

TEST(RegistryValueDword, NumbersAndNumericTextConvert) {
  EXPECT_EQ(std::get<std::int32_t>(ToDword(std::int32_t{7})), 7);
  EXPECT_EQ(std::get<std::int32_t>(ToDword(std::string(" 123 "))), 123);
  EXPECT_EQ(std::get<std::int32_t>(ToDword(std::string("-2147483648"))), INT32_MIN);
  EXPECT_EQ(std::get<std::int32_t>(ToDword(std::string("+5"))), 5);
}

TEST(RegistryValueDword, OtherValuesFailWithNumberAndDescription) {
  const auto mismatch = std::get<ConversionError>(ToDword(std::string("abc")));
  EXPECT_EQ(mismatch.number, 13);
  EXPECT_EQ(mismatch.description, "Type mismatch");
  EXPECT_EQ(std::get<ConversionError>(ToDword(std::string(""))).number, 13);
  EXPECT_EQ(std::get<ConversionError>(ToDword(std::string("12x"))).number, 13);
  EXPECT_EQ(std::get<ConversionError>(ToDword(RegistryValue{})).number, 13);
  EXPECT_EQ(std::get<ConversionError>(ToDword(std::string("2147483648"))).number, 6);
  EXPECT_EQ(std::get<ConversionError>(ToDword(std::string("99999999999999999999"))).number, 6);
}

TEST(RegistryValueBytes, OnlyByteSequencesConvert) {
  EXPECT_EQ(std::get<RegistryBytes>(ToBytes(RegistryBytes{1, 2})), (RegistryBytes{1, 2}));
  EXPECT_EQ(std::get<ConversionError>(ToBytes(std::string("01"))).number, 13);
  EXPECT_EQ(std::get<ConversionError>(ToBytes(std::int32_t{1})).number, 13);
}

}  // namespace
}  // namespace quarvel
