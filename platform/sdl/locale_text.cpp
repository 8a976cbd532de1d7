#include "platform/locale_text.h"

#include "platform/codepage.h"

namespace klice::platform {

std::string LocaleLowerCase(const std::string& text) { return LowerCase(text); }

int LocaleCompareTextIgnoreCase(const std::string& a, const std::string& b) { return CompareTextIgnoreCase(a, b); }

}  // namespace klice::platform
