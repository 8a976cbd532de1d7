#include "platform/resources.h"

#include <gtest/gtest.h>

#include <vector>

using namespace klice::platform;

TEST(Resources, EmbeddedFileIsFoundByTypeAndNameIgnoringCase) {
    auto blob = FindResource(RT_RCDATA, "TESTBLOB");
    ASSERT_TRUE(blob);
    EXPECT_EQ(std::vector<uint8_t>(blob->begin(), blob->end()),
              (std::vector<uint8_t>{'T', 'P', 'F', '0', 0, 1, 2, 0xFF}));
    auto lower = FindResource(RT_RCDATA, "testblob");
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower->data(), blob->data());
    EXPECT_FALSE(FindResource(RT_RCDATA, "TESTBLO"));
    EXPECT_FALSE(FindResource(3, "TESTBLOB"));
}

TEST(Resources, RegisteringAgainReplaces) {
    static const uint8_t first[] = {1, 2};
    static const uint8_t second[] = {3};
    RegisterResource(RT_RCDATA, "Replaced", first);
    RegisterResource(RT_RCDATA, "REPLACED", second);
    auto found = FindResource(RT_RCDATA, "replaced");
    ASSERT_TRUE(found);
    ASSERT_EQ(found->size(), 1u);
    EXPECT_EQ((*found)[0], 3);
}
