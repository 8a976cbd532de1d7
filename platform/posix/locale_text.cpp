// Text in the locale where the system offers no locale service of its own
// for Windows-1250 text: the code page's own rules.
#include "platform/locale_text.h"

#include "platform/codepage.h"

namespace klice::platform {

std::string LocaleLowerCase(const std::string& text) { return LowerCase(text); }

int LocaleCompareTextIgnoreCase(const std::string& a, const std::string& b) { return CompareTextIgnoreCase(a, b); }

}  // namespace klice::platform
