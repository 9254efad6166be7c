#include "settings/integer_text.h"

#include <gtest/gtest.h>

#include "platform/profile/text_encoding.h"

namespace kovra::settings {
namespace {

TEST(IntegerText, ParsesDecimalAndHexAndRejectsTheRest) {
    EXPECT_EQ(parseInteger("3821"), 3821);
    EXPECT_EQ(parseInteger("+7"), 7);
    EXPECT_EQ(parseInteger("-0x10"), -16);
    EXPECT_EQ(parseInteger("2147483647"), 2147483647);
    EXPECT_FALSE(parseInteger("2147483648"));
    EXPECT_FALSE(parseInteger("--1"));
    EXPECT_FALSE(parseInteger("0x-1"));
    EXPECT_FALSE(parseInteger("1 2"));
    EXPECT_EQ(integerOr("x", 6511), 6511);
}

TEST(TextEncoding, TellsUtf8FromWindows1252) {
    EXPECT_TRUE(isValidUtf8("Não"));
    EXPECT_FALSE(isValidUtf8("N\xe3o"));
    EXPECT_FALSE(isValidUtf8("\xc0\xaf"));      // overlong
    EXPECT_FALSE(isValidUtf8("\xed\xa0\x80"));  // surrogate
    EXPECT_FALSE(isValidUtf8("\xe2\x82"));      // cut short
    EXPECT_EQ(windows1252ToUtf8("\x81\x9f\xff"), "\xc2\x81Ÿÿ");
    EXPECT_EQ(decodeSettingsText("Gravação"), "Gravação");
}

}  // namespace
}  // namespace kovra::settings
