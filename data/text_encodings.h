// 8-bit text of the system code page (Windows-1250) and its UTF-16 and
// UTF-8 forms, as the component stream stores strings. Characters the code
// page lacks become "?"; malformed UTF-8 becomes U+FFFD.
#pragma once

#include <string>

namespace klice {

std::string WideToCodePage(const std::u16string& text);
std::u16string CodePageToWide(const std::string& text);
std::u16string Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::u16string& text);

}  // namespace klice
