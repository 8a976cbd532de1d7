#include "data/strict_integer.h"

#include <gtest/gtest.h>

namespace klice {
namespace {

TEST(StrictInteger, ReadsSignedDecimalsWithinBounds) {
    EXPECT_EQ(parse_strict_integer("0", -5, 5).value, 0);
    EXPECT_EQ(parse_strict_integer("+5", -5, 5).value, 5);
    EXPECT_EQ(parse_strict_integer("-5", -5, 5).value, -5);
    EXPECT_EQ(parse_strict_integer("007", 0, 10).value, 7);
    EXPECT_EQ(parse_strict_integer("1099511627776", 0, 1LL << 41).value, 1LL << 40);
}

TEST(StrictInteger, NamesWhatIsWrong) {
    for (const char* word : {"", "-", "+", "12a", " 1", "1 ", "0x10", "1.5", "--1"})
        EXPECT_EQ(parse_strict_integer(word, -100, 100).fault, IntegerFault::NotANumber) << "'" << word << "'";
    EXPECT_EQ(parse_strict_integer("1099511627777", 0, 1LL << 42).fault, IntegerFault::TooLarge);
    EXPECT_EQ(parse_strict_integer("99999999999999999999999", 0, 1).fault, IntegerFault::TooLarge);
    EXPECT_EQ(parse_strict_integer("6", -5, 5).fault, IntegerFault::OutOfRange);
    EXPECT_EQ(parse_strict_integer("-6", -5, 5).fault, IntegerFault::OutOfRange);
}

TEST(StrictInteger, DescribesTheFaultInTheSourcesWords) {
    const auto text = [](const char* word, long long min, long long max) {
        return describe_integer_fault(parse_strict_integer(word, min, max), word, min, max);
    };
    EXPECT_EQ(text("x1", 0, 9), "'x1' is not a number");
    EXPECT_EQ(text("99999999999999", 0, 9), "'99999999999999' is too large");
    EXPECT_EQ(text("-3", 1, 60000), "'-3' is outside 1 .. 60000");
    EXPECT_EQ(text("4", 1, 9), "");
}

}  // namespace
}  // namespace klice
