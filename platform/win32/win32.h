// Internal to platform/win32/: the Windows headers, included only here and
// only by this folder's sources, with the macros that would rewrite our own
// names taken back.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// The A/W switch macros whose names platform/ uses for functions of its own.
#undef FindResource
#undef CharLower
#undef CharUpper
#undef CreateFile
#undef TextOut
#undef MessageBox
#undef RT_RCDATA

#include <string>

namespace klice::platform::win32 {

// UTF-16 of UTF-8 text, and back.
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
// UTF-16 of 8-bit Windows-1250 text (the game's own code page, whatever
// code page the system has).
std::wstring WidenCodePage(const std::string& text);

}  // namespace klice::platform::win32
