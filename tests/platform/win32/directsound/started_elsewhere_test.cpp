// klice.exe started from another folder, as a shortcut whose "Start in" is
// elsewhere starts it: beside its data (as the zip lays them out) it finds
// them and starts level 1; alone, its error box names the working folder's
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

// At start the game reads krajina.dat, ruzne.dat and p1.dat, and Enter in
// the menu reads p1.dat again: any of them missing shows the error box.
// (What DirectDraw shows cannot be read back by another program under
// wine; the copy of klice-play started elsewhere shows level 1 in its log.)
TEST(KliceStartedElsewhere, BesideItsDataItStartsLevel1WithoutAnErrorBox) {
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
    ::SetForegroundWindow(window);
    PressEnter();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_TRUE(klice.Running());
    EXPECT_EQ(klice.ErrorBoxText(), "");
    EXPECT_EQ(klice.Close(), 0);
}

TEST(KliceStartedElsewhere, AloneItsErrorBoxNamesTheWorkingFolder) {
    TempFolder root("alone");
    fs::create_directory(root / "Klice");
    fs::create_directory(root / "shortcut");
    fs::copy_file(KLICE_EXE, root / "Klice" / "klice.exe");

    KliceProcess klice((root / "Klice" / "klice.exe").string(), (root / "shortcut").string());
    // The box's window comes before its text: it is read until it has some.
    std::string box;
    const auto no_text = [&] { return box.empty() || box == "(an error box)"; };
    for (auto end = Clock::now() + std::chrono::seconds(30); no_text() && Clock::now() < end && klice.Running();) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        box = klice.ErrorBoxText();
    }
    EXPECT_NE(box.find("Cannot open file"), std::string::npos) << box;
    EXPECT_NE(box.find("shortcut\\krajina.dat"), std::string::npos) << box;
    klice.Close(1000);
}

}  // namespace
}  // namespace klice
