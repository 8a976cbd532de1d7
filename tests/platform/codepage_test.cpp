#include "platform/codepage.h"

#include <gtest/gtest.h>

using namespace klice::platform;

TEST(CodePage, LoadingTextShowsItsCzechLetters) {
    const std::string bytes = "Na\xE8\xEDt\xE1m data...";
    EXPECT_EQ(CodePageToUtf8(bytes), "Načítám data...");
    EXPECT_EQ(CodePageToUnicode(0x8A), U'Š');
    EXPECT_EQ(CodePageToUnicode(0xFF), U'˙');
    EXPECT_EQ(CodePageToUnicode(0x81), 0xFFFD);
}

TEST(CodePage, CasePairsCoverCzechLettersButNotSigns) {
    EXPECT_EQ(CharLower(0xC8), 0xE8);  // Č -> č
    EXPECT_EQ(CharUpper(0xF8), 0xD8);  // ř -> Ř
    EXPECT_EQ(CharLower(0x8E), 0x9E);  // Ž -> ž
    EXPECT_EQ(CharLower(0xBC), 0xBE);  // Ľ -> ľ
    EXPECT_EQ(CharLower(0xD7), 0xD7);  // × has no case
    EXPECT_EQ(CharUpper(0xDF), 0xDF);  // ß has no upper case here
    EXPECT_EQ(LowerCase("P1"), "p1");
    EXPECT_EQ(CompareTextIgnoreCase("\xC8"
                                    "ERT",
                                    "\xE8"
                                    "ert"),
              0);
    EXPECT_LT(CompareTextIgnoreCase("p1", "p10"), 0);
    EXPECT_NE(CompareTextIgnoreCase("a", "b"), 0);
}
