// klice.exe carries the game's version information and its icon, read
// back as Explorer and the shortcut dialogs read them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "klice/version.h"
#include "platform/win32/win32.h"
// After the system's own headers, which it builds on.
#include <shellapi.h>

namespace klice::platform {
namespace {

const std::wstring kExe = win32::Widen(KLICE_EXE);

// A text of the version information's US English, Unicode table.
std::string VersionText(std::vector<BYTE>& block, const wchar_t* name) {
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    wchar_t* text = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) || !text) return {};
    return win32::Narrow(std::wstring(text));
}

TEST(KliceExeResources, TheVersionInformationNamesTheGameAndItsVersion) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(kExe.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version information: error " << ::GetLastError();
    std::vector<BYTE> block(size);
    ASSERT_TRUE(::GetFileVersionInfoW(kExe.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(std::sscanf(kVersion, "%u.%u.%u", &major, &minor, &patch), 3);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), major);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), minor);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), patch);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    EXPECT_EQ(VersionText(block, L"ProductName"), "Klíče");
    EXPECT_EQ(VersionText(block, L"ProductVersion"), kVersion);
    EXPECT_EQ(VersionText(block, L"FileVersion"), kVersion);
    EXPECT_EQ(VersionText(block, L"OriginalFilename"), "klice.exe");
    EXPECT_NE(VersionText(block, L"FileDescription").find("Klíče"), std::string::npos);
    EXPECT_EQ(VersionText(block, L"LegalCopyright").rfind(kCopyright, 0), 0u);
}

TEST(KliceExeResources, TheIconHasEverySizeTheSystemAsksFor) {
    EXPECT_GE(::ExtractIconExW(kExe.c_str(), -1, nullptr, nullptr, 0), 1u);
    HICON large = nullptr, small = nullptr;
    ASSERT_EQ(::ExtractIconExW(kExe.c_str(), 0, &large, &small, 1), 2u);
    EXPECT_NE(large, nullptr);
    EXPECT_NE(small, nullptr);
    if (large) ::DestroyIcon(large);
    if (small) ::DestroyIcon(small);

    HMODULE exe = ::LoadLibraryExW(kExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(exe, nullptr) << ::GetLastError();
    HRSRC group = ::FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */);
    ASSERT_NE(group, nullptr);
    auto* directory = static_cast<const BYTE*>(::LockResource(::LoadResource(exe, group)));
    ASSERT_NE(directory, nullptr);
    // The group's own picture of each size, decoded: the bitmaps and the
    // 256-pixel PNG alike.
    for (int size : {16, 32, 48, 256}) {
        SCOPED_TRACE(size);
        const int id = ::LookupIconIdFromDirectoryEx(const_cast<BYTE*>(directory), TRUE, size, size, LR_DEFAULTCOLOR);
        ASSERT_GT(id, 0);
        HRSRC picture = ::FindResourceW(exe, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3) /* RT_ICON */);
        ASSERT_NE(picture, nullptr);
        auto* bytes = static_cast<BYTE*>(::LockResource(::LoadResource(exe, picture)));
        HICON icon =
            ::CreateIconFromResourceEx(bytes, ::SizeofResource(exe, picture), TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR);
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon, &info));
        BITMAP bitmap{};
        ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        if (info.hbmColor) ::DeleteObject(info.hbmColor);
        if (info.hbmMask) ::DeleteObject(info.hbmMask);
        ::DestroyIcon(icon);

        HICON loaded = static_cast<HICON>(::LoadImageW(exe, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
        EXPECT_NE(loaded, nullptr);
        if (loaded) ::DestroyIcon(loaded);
    }
    ::FreeLibrary(exe);
}

}  // namespace
}  // namespace klice::platform
