#include "klice_process.h"

#include <gtest/gtest.h>

#include <vector>

namespace klice::testing {

namespace {

struct Search {
    DWORD process;
    const wchar_t* window_class;
    HWND found;
};

BOOL CALLBACK FindWindowOf(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (owner != search->process || std::wstring(name) != search->window_class) return TRUE;
    search->found = window;
    return FALSE;
}

HWND WindowOf(DWORD process, const wchar_t* window_class) {
    Search search{process, window_class, nullptr};
    ::EnumWindows(&FindWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK AppendText(HWND child, LPARAM param) {
    wchar_t text[512] = {};
    ::GetWindowTextW(child, text, 512);
    auto* all = reinterpret_cast<std::wstring*>(param);
    if (text[0]) *all += std::wstring(text) + L"\n";
    return TRUE;
}

}  // namespace

KliceProcess::KliceProcess() : KliceProcess(KLICE_EXE, KLICE_BUILT_DATA_DIR) {}

KliceProcess::KliceProcess(const std::string& exe, const std::string& working_folder) {
    std::wstring command = L"\"" + platform::win32::Widen(exe) + L"\"";
    const std::wstring folder = platform::win32::Widen(working_folder);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                          &process_)) {
        ADD_FAILURE() << "klice.exe cannot be started: error " << ::GetLastError();
        process_ = {};
    }
}

KliceProcess::~KliceProcess() {
    if (Running()) Close();
    if (process_.hProcess) {
        ::CloseHandle(process_.hThread);
        ::CloseHandle(process_.hProcess);
    }
}

bool KliceProcess::Running() const {
    return process_.hProcess && ::WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

HWND KliceProcess::MainWindow() const {
    return process_.hProcess ? WindowOf(process_.dwProcessId, L"KliceMainWindow") : nullptr;
}

std::string KliceProcess::ErrorBoxText() const {
    if (!process_.hProcess) return {};
    HWND box = WindowOf(process_.dwProcessId, L"#32770");  // the system's dialog class
    if (!box) return {};
    std::wstring text;
    ::EnumChildWindows(box, &AppendText, reinterpret_cast<LPARAM>(&text));
    return text.empty() ? "(an error box)" : platform::win32::Narrow(text);
}

int KliceProcess::Close(int timeout_ms) {
    if (!process_.hProcess) return -1;
    if (HWND window = MainWindow()) ::PostMessageW(window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process_.hProcess, DWORD(timeout_ms)) != WAIT_OBJECT_0) {
        ::TerminateProcess(process_.hProcess, 1);
        ::WaitForSingleObject(process_.hProcess, INFINITE);
        return -1;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process_.hProcess, &code);
    return int(code);
}

}  // namespace klice::testing
