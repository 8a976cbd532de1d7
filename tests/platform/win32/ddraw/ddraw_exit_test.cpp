// The desktop gets its display mode back when a program that set the game's
// mode ends without finalizing its display: by exit, or by an unhandled
// failure. The program is this test program itself, started as a child,
// which looks at the mode in its last moment: wine gives the desktop its
// mode back when a process has ended anyway, so only the child can tell
// whether the program did it itself.
#include <gtest/gtest.h>

#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include "platform/application.h"
#include "platform/display_device.h"
#include "platform/win32/ddraw_display.h"
#include "platform/win32/win32.h"

namespace klice::platform {
namespace {

constexpr char kChildVariable[] = "KLICE_DDRAW_CHILD";
// The child's exit codes.
constexpr DWORD kNoMode = 0x5E, kGivenBack = 0x60, kStillTheGames = 0x61;

// Runs this program as the child with how it ends; its exit code.
DWORD RunChild(const std::string& ending) {
    wchar_t path[MAX_PATH];
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(path) + L"\" --gtest_filter=DirectDrawChild.*";
    ::SetEnvironmentVariableA(kChildVariable, ending.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const BOOL started =
        ::CreateProcessW(path, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child);
    ::SetEnvironmentVariableA(kChildVariable, nullptr);
    if (!started) return DWORD(-1);
    ::WaitForSingleObject(child.hProcess, 60000);
    DWORD code = DWORD(-1);
    ::GetExitCodeProcess(child.hProcess, &code);
    ::CloseHandle(child.hProcess);
    ::CloseHandle(child.hThread);
    return code;
}

class DirectDrawExit : public ::testing::TestWithParam<std::string> {};

TEST_P(DirectDrawExit, GivesTheDesktopItsModeBack) {
    const DisplayMode before = win32::DesktopMode();
    if (before.width == 1024 && before.height == 768 && before.bits == 16)
        GTEST_SKIP() << "the desktop already runs the game's mode; a change could not be seen";
    const DWORD code = RunChild(GetParam());
    ASSERT_NE(code, DWORD(-1)) << "the child did not run";
    ASSERT_NE(code, kNoMode) << "the child could not set the game's mode";
    EXPECT_EQ(code, kGivenBack) << "the mode in the child's last moment";
    const DisplayMode after = win32::DesktopMode();
    EXPECT_EQ(after.width, before.width);
    EXPECT_EQ(after.height, before.height);
    EXPECT_EQ(after.bits, before.bits);
}

INSTANTIATE_TEST_SUITE_P(Endings, DirectDrawExit, ::testing::Values("exit", "terminate"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// The child: sets the game's mode and ends without finalizing anything. A
// check it installs before the display guards the desktop runs after the
// display's own handlers (exit handlers run in reverse order, and the
// display's terminate handler calls the one it replaced).
DisplayMode g_desktop;

[[noreturn]] void EndWithTheMode() {
    const DisplayMode now = win32::DesktopMode();
    const bool back = now.width == g_desktop.width && now.height == g_desktop.height && now.bits == g_desktop.bits;
    std::_Exit(int(back ? kGivenBack : kStillTheGames));
}

TEST(DirectDrawChild, SetsTheModeAndEnds) {
    const char* ending = std::getenv(kChildVariable);
    if (!ending) GTEST_SKIP() << "runs only as the child of DirectDrawExit";
    g_desktop = win32::DesktopMode();
    std::atexit(EndWithTheMode);
    std::set_terminate(EndWithTheMode);
    auto* app = new Application(ApplicationMode::Windowed);  // never destroyed
    app->SetErrorSink([](const std::string&) {});
    app->Window().Show();
    Result result = Result::Generic;
    DisplayDevice* device = CreateDisplayDevice(&result).release();  // never released
    if (!device || device->SetCooperativeLevel(true) != Result::Ok ||
        device->SetDisplayMode(1024, 768, 16) != Result::Ok)
        std::_Exit(int(kNoMode));
    if (std::string(ending) == "terminate") std::terminate();
    std::exit(0);
}

}  // namespace
}  // namespace klice::platform
