#include "data/text_encodings.h"

#include <gtest/gtest.h>

#include <string>

namespace klice {
namespace {

TEST(TextEncodings, Utf8OfWideTextReadsBackAndPairsMakeOneCodePoint) {
    const std::u16string text = u"Klíče \U0001F511 end";  // a key emoji: a surrogate pair
    const std::string utf8 = WideToUtf8(text);
    EXPECT_EQ(utf8,
              "Kl\xC3\xAD\xC4\x8D"
              "e \xF0\x9F\x94\x91 end");
    EXPECT_EQ(Utf8ToWide(utf8), text);
    // A surrogate without its partner is no character: it becomes U+FFFD.
    EXPECT_EQ(WideToUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(WideToUtf8(std::u16string{char16_t(0xDC00)}), "\xEF\xBF\xBD");
}

TEST(TextEncodings, CodePageRoundTripsItsOwnLettersAndMarksTheRest) {
    const std::string czech = "\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2";  // Žluťoučký kůň in Windows-1250
    EXPECT_EQ(WideToCodePage(CodePageToWide(czech)), czech);
    EXPECT_EQ(WideToCodePage(u"\u4E2D"), "?");  // no such letter in the code page
}

}  // namespace
}  // namespace klice
