#include "platform/io_errors.h"

#include <gtest/gtest.h>

namespace klice::platform {
namespace {

TEST(IoErrors, MessagesOfTheCodes) {
    EXPECT_EQ(InOutError(2).Message(), "File not found");
    EXPECT_EQ(InOutError(3).Message(), "Invalid filename");
    EXPECT_EQ(InOutError(4).Message(), "Too many open files");
    EXPECT_EQ(InOutError(5).Message(), "File access denied");
    EXPECT_EQ(InOutError(100).Message(), "Read beyond end of file");
    EXPECT_EQ(InOutError(100).ErrorCode(), 100);
    EXPECT_EQ(InOutError(123).Message(), "I/O error 123");
}

}  // namespace
}  // namespace klice::platform
