// klice.exe started from another folder, as a shortcut whose "Start in" is
// elsewhere starts it: beside its data (as the zip lays them out) it finds
// them and plays level 1; alone, its error box names the working folder's
// krajina.dat, the first place it looked.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "game/screens.h"
#include "klice_process.h"
#include "tests/support/temp_folder.h"

namespace klice {
namespace {

namespace fs = std::filesystem;
using namespace klice::testing;
using Clock = std::chrono::steady_clock;

// The share of pure black pixels on the screen. A level is mostly black
// empty space; the title and the menu are pictures with none.
double BlackShareOfScreen() {
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP picture = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ before = ::SelectObject(memory, picture);
    ::BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    ::GdiFlush();
    size_t black = 0;
    const auto* pixels = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; pixels && i < size_t(width) * height; ++i) black += (pixels[i] & 0xFFFFFF) == 0;
    ::SelectObject(memory, before);
    ::DeleteObject(picture);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return double(black) / (double(width) * height);
}

void PressEnter() {
    INPUT keys[2]{};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_RETURN;
        key.ki.wScan = WORD(::MapVirtualKeyW(VK_RETURN, MAPVK_VK_TO_VSC));
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, keys, sizeof keys[0]);
}

HWND WaitForWindow(const KliceProcess& klice) {
    HWND window = nullptr;
    for (auto end = Clock::now() + std::chrono::seconds(30); !window && Clock::now() < end && klice.Running();) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        window = klice.MainWindow();
    }
    return window;
}

TEST(KliceStartedElsewhere, BesideItsDataItReachesPlayOnLevel1) {
    TempFolder root("elsewhere");
    fs::create_directory(root / "Klice");
    fs::create_directory(root / "shortcut");
    fs::copy_file(KLICE_EXE, root / "Klice" / "klice.exe");
    for (const auto& file : fs::directory_iterator(KLICE_BUILT_DATA_DIR))
        if (file.path().extension() == ".dat" || file.path().extension() == ".ttf")
            fs::copy_file(file.path(), root / "Klice" / file.path().filename());

    KliceProcess klice((root / "Klice" / "klice.exe").string(), (root / "shortcut").string());
    HWND window = WaitForWindow(klice);
    ASSERT_NE(window, nullptr) << "no window; error box: " << klice.ErrorBoxText();
    // Through the title: its ticks, and the display coming up under wine.
    std::this_thread::sleep_for(std::chrono::milliseconds(kTitleTicks * 10) + std::chrono::seconds(4));
    ASSERT_EQ(klice.ErrorBoxText(), "");
    const double menu_black = BlackShareOfScreen();
    EXPECT_LT(menu_black, 0.2) << "the screen shows no menu";

    // Enter starts the slider's level, 1; pressed again while the title
    // may still run on a slow machine.
    double play_black = 0;
    for (auto end = Clock::now() + std::chrono::seconds(20); play_black < 0.5 && Clock::now() < end;) {
        ::SetForegroundWindow(window);
        PressEnter();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        play_black = BlackShareOfScreen();
    }
    EXPECT_GT(play_black, 0.5) << "no level on the screen (menu: " << menu_black << " black)";
    EXPECT_EQ(klice.ErrorBoxText(), "");
    EXPECT_EQ(klice.Close(), 0);
}

TEST(KliceStartedElsewhere, AloneItsErrorBoxNamesTheWorkingFolder) {
    TempFolder root("alone");
    fs::create_directory(root / "Klice");
    fs::create_directory(root / "shortcut");
    fs::copy_file(KLICE_EXE, root / "Klice" / "klice.exe");

    KliceProcess klice((root / "Klice" / "klice.exe").string(), (root / "shortcut").string());
    std::string box;
    for (auto end = Clock::now() + std::chrono::seconds(30); box.empty() && Clock::now() < end && klice.Running();) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        box = klice.ErrorBoxText();
    }
    EXPECT_NE(box.find("Cannot open file"), std::string::npos) << box;
    EXPECT_NE(box.find("shortcut\\krajina.dat"), std::string::npos) << box;
    klice.Close(1000);
}

}  // namespace
}  // namespace klice
