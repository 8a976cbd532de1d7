// Letter case under the system's locale, for looking names up: on Windows
// the system's own text functions on 8-bit text in the user's code page; on
// other systems the rules of the game's code page (platform/codepage.h).
#pragma once

#include <string>

namespace klice::platform {

std::string LocaleLowerCase(const std::string& text);
// Case-insensitive comparison: <0, 0, >0.
int LocaleCompareTextIgnoreCase(const std::string& a, const std::string& b);

}  // namespace klice::platform
