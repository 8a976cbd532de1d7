// The system's locale text functions find the game's pictures as the code
// page's own rules do.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/locale_text.h"
#include "platform/win32/win32.h"

namespace klice::platform {
namespace {

// The names the game looks up, as stored and as a user might write them.
const std::vector<std::string> kNames = {"p1",     "p10",    "p21",    "p25",    "klic",  "ctverec", "sipka",  "prsk1",
                                         "prsk12", "zapvyp", "panak1", "panak8", "skok1", "titul",   "menu",   "nahoru",
                                         "dolu",   "start",  "konec",  "P1",     "KLIC",  "Sipka",   "ZapVyp", "PRSK1",
                                         "Panak1", "a",      "Z",      "",       "p1 ",   "p_1"};

TEST(Win32Locale, LowerCaseAgreesWithTheCodePageOnTheGamesNames) {
    for (const std::string& name : kNames) EXPECT_EQ(LocaleLowerCase(name), LowerCase(name)) << name;
}

TEST(Win32Locale, ComparisonAgreesWithTheCodePageOnTheGamesNames) {
    for (const std::string& a : kNames)
        for (const std::string& b : kNames)
            EXPECT_EQ(LocaleCompareTextIgnoreCase(a, b) == 0, CompareTextIgnoreCase(a, b) == 0)
                << '"' << a << "\" and \"" << b << '"';
    EXPECT_LT(LocaleCompareTextIgnoreCase("p1", "p2"), 0);
    EXPECT_GT(LocaleCompareTextIgnoreCase("p2", "P1"), 0);
}

TEST(Win32Locale, CzechLettersUnderTheCentralEuropeanCodePage) {
    if (::GetACP() != 1250)
        GTEST_SKIP() << "the system's code page is " << ::GetACP() << ", not 1250: its letters are others";
    for (const char* name : {"\xC8\x65rn\xFD", "\x8Elu\x9Dou\xE8k\xFD", "\xD8\x45KA"})
        EXPECT_EQ(LocaleLowerCase(name), LowerCase(name)) << name;
    EXPECT_EQ(LocaleCompareTextIgnoreCase("\xC8\x45RN\xDD", "\xE8\x65rn\xFD"), 0);
}

}  // namespace
}  // namespace klice::platform
