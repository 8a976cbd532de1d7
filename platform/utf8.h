// The one UTF-8 encoder: a code point as its 1 to 4 bytes. The code page's
// text for the system (platform/codepage.h) and the component stream's
// UTF-8 strings (data/text_encodings.h) are both written with it.
#pragma once

#include <string>

namespace klice::platform {

// Appends the UTF-8 bytes of code point c (at most U+10FFFF; a surrogate is
// the caller's to have replaced).
inline void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace klice::platform
