// DIB sections on Windows are GDI's own: their pixels are the bitmap's.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/dib_section.h"
#include "platform/win32/win32.h"

namespace klice::platform {
namespace {

TEST(GdiDibSection, PixelsAreTheSystemBitmapsAndStartZeroed) {
    auto section = DibSection::Create(13, 7, 24);
    ASSERT_NE(section, nullptr);
    ASSERT_NE(section->Handle(), nullptr);
    DIBSECTION info{};
    ASSERT_EQ(::GetObjectW(static_cast<HBITMAP>(section->Handle()), sizeof info, &info), int(sizeof info));
    EXPECT_EQ(info.dsBm.bmBits, section->Pixels());
    EXPECT_EQ(info.dsBm.bmWidth, 13);
    EXPECT_EQ(info.dsBm.bmHeight, 7);
    EXPECT_EQ(info.dsBm.bmBitsPixel, 24);
    EXPECT_EQ(section->Stride(), 40u);
    for (size_t i = 0; i < section->Size(); ++i) ASSERT_EQ(section->Pixels()[i], 0) << i;

    // What the program writes, GDI reads: the bottom row comes first.
    uint8_t* bottom_left = section->Pixels();
    bottom_left[0] = 0x30;  // blue
    bottom_left[1] = 0x20;  // green
    bottom_left[2] = 0x10;  // red
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, static_cast<HBITMAP>(section->Handle()));
    EXPECT_EQ(::GetPixel(dc, 0, 6), RGB(0x10, 0x20, 0x30));
    EXPECT_EQ(::GetPixel(dc, 0, 0), RGB(0, 0, 0));
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
}

TEST(GdiDibSection, ABitmapTheSystemRefusesIsNotMade) {
    // Two bits a pixel: a size the layout allows, a depth GDI does not have.
    EXPECT_EQ(DibSection::Create(8, 8, 2), nullptr);
    // An empty bitmap has no pixels to share, and still an address.
    auto empty = DibSection::Create(0, 0, 24);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->Handle(), nullptr);
    EXPECT_NE(empty->Pixels(), nullptr);
}

}  // namespace
}  // namespace klice::platform
