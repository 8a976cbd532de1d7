// The embedded file is a real RCDATA resource of the executable.
#include <gtest/gtest.h>

#include "platform/resources.h"
#include "platform/win32/win32.h"

namespace klice::platform {
namespace {

TEST(Win32Resources, TheEmbeddedFileIsInTheModulesResourceTable) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceA(module, "TESTBLOB", MAKEINTRESOURCEA(10));
    ASSERT_NE(found, nullptr) << ::GetLastError();
    EXPECT_EQ(::SizeofResource(module, found), 8u);
    const void* locked = ::LockResource(::LoadResource(module, found));

    auto blob = FindResource(RT_RCDATA, "TestBlob");
    ASSERT_TRUE(blob);
    EXPECT_EQ(static_cast<const void*>(blob->data()), locked);
    EXPECT_EQ((*blob)[0], 'T');
    EXPECT_EQ((*blob)[7], 0xFF);
}

TEST(Win32Resources, AMissingResourceIsReportedNotRaised) {
    EXPECT_FALSE(FindResource(RT_RCDATA, "TFORM2"));
    EXPECT_FALSE(FindResource(RT_RCDATA, ""));
    // Same name, another type.
    EXPECT_FALSE(FindResource(2 /* RT_BITMAP */, "TESTBLOB"));
}

}  // namespace
}  // namespace klice::platform
