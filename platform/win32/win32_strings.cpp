#include "platform/codepage.h"
#include "platform/win32/win32.h"

namespace klice::platform::win32 {

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    int count = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(count), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), count);
    return wide;
}

std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) return {};
    int count = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(count), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), utf8.data(), count, nullptr, nullptr);
    return utf8;
}

std::wstring WidenCodePage(const std::string& text) {
    // Our own table rather than code page 1250 of the system, which a
    // Windows without Central European support may lack.
    std::wstring wide;
    wide.reserve(text.size());
    for (char c : text) wide.push_back(wchar_t(CodePageToUnicode(uint8_t(c))));
    return wide;
}

}  // namespace klice::platform::win32
