// The system's 8-bit code page, Windows-1250 (Central European): the game's
// texts and picture names are bytes in it. Case rules and the mapping to
// Unicode for drawing glyphs.
#pragma once

#include <cstdint>
#include <string>

namespace klice::platform {

// Unicode code point of a Windows-1250 byte; 0xFFFD where the byte is unassigned.
char32_t CodePageToUnicode(uint8_t byte);
// UTF-8 text of a Windows-1250 string.
std::string CodePageToUtf8(const std::string& text);

uint8_t CharLower(uint8_t byte);
uint8_t CharUpper(uint8_t byte);
std::string LowerCase(const std::string& text);
// Case-insensitive comparison under the code page's case pairs: <0, 0, >0.
int CompareTextIgnoreCase(const std::string& a, const std::string& b);

}  // namespace klice::platform
