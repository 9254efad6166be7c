#include "line/number_format.h"

#include <gtest/gtest.h>

namespace kovra::line {
namespace {

struct FoneCase {
    const char* digits;
    bool noType;
    const char* expected;
};

TEST(FormatFone, SplitsByLengthAndTypeOption) {
    const FoneCase cases[] = {
        {"34567890", false, "81934567890"},
        {"34567890", true, "81934567890"},
        {"123456789", false, "11923456789"},
        {"123456789", true, "819123456789"},
        {"1123456789", false, "119123456789"},
        {"1123456789", true, "81123456789"},
        {"11123456789", false, "11123456789"},
        {"11123456789", true, "811123456789"},
        {"211123456789", false, "211123456789"},
        {"211123456789", true, "211123456789"},
        {"1234567", false, "1234567"},
        {"1234567890123", false, "1234567890123"},
        {"", false, ""},
    };
    for (const FoneCase& c : cases) {
        EXPECT_EQ(FormatFone(c.digits, c.noType, "19"), c.expected)
            << c.digits << " noType=" << c.noType;
    }
}

TEST(CallerDigits, DropsLeadingZeroAndCarrierZero) {
    EXPECT_EQ(callerDigits("A01123456789C"), "1123456789");
    EXPECT_EQ(callerDigits("(11) 3456-7890"), "1134567890");
    // A carrier prefix "0" + two digits stays (only the leading "0" goes)...
    EXPECT_EQ(callerDigits("0151134567890"), "151134567890");
    // ...while with "00" first, more than 11 digits also lose the third one.
    EXPECT_EQ(callerDigits("0021134567890"), "01134567890");
    EXPECT_EQ(callerDigits("ABC"), "");
}

TEST(SubscriberDash, OnlyEightAndNineDigits) {
    EXPECT_EQ(withSubscriberDash("23456789"), "2345-6789");
    EXPECT_EQ(withSubscriberDash("123456789"), "12345-6789");
    EXPECT_EQ(withSubscriberDash("1234567"), "1234567");
    EXPECT_EQ(withSubscriberDash("1234567890"), "1234567890");
}

}  // namespace
}  // namespace kovra::line
