#include "platform/locale_text.h"
#include "platform/win32/win32.h"

namespace klice::platform {

std::string LocaleLowerCase(const std::string& text) {
    std::string lower = text;
    if (!lower.empty()) ::CharLowerBuffA(lower.data(), DWORD(lower.size()));
    return lower;
}

int LocaleCompareTextIgnoreCase(const std::string& a, const std::string& b) {
    const int result =
        ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), int(a.size()), b.data(), int(b.size()));
    // CSTR_LESS_THAN 1, CSTR_EQUAL 2, CSTR_GREATER_THAN 3; 0 on failure,
    // which counts as a difference.
    return result == 0 ? 1 : result - 2;
}

}  // namespace klice::platform
