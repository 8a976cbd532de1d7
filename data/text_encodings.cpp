#include "data/text_encodings.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/utf8.h"

namespace klice {

std::u16string CodePageToWide(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (unsigned char c : text) out.push_back(static_cast<char16_t>(platform::CodePageToUnicode(c)));
    return out;
}

std::string WideToCodePage(const std::u16string& text) {
    static const auto table = [] {
        std::vector<std::pair<char16_t, uint8_t>> t;
        for (int b = 255; b >= 0; --b) {
            char32_t u = platform::CodePageToUnicode(static_cast<uint8_t>(b));
            if (u != 0xFFFD) t.emplace_back(static_cast<char16_t>(u), static_cast<uint8_t>(b));
        }
        return t;
    }();
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t u = text[i];
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
        char mapped = '?';
        for (const auto& [wide, byte] : table)
            if (wide == u) {
                mapped = static_cast<char>(byte);
                break;
            }
        out.push_back(mapped);
    }
    return out;
}

std::u16string Utf8ToWide(const std::string& text) {
    std::u16string out;
    size_t i = 0, n = text.size();
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    while (i < n) {
        unsigned char b = byte(i);
        char32_t cp;
        size_t len;
        if (b < 0x80) {
            cp = b;
            len = 1;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            len = 4;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        bool ok = i + len <= n;
        for (size_t k = 1; ok && k < len; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (byte(i + k) & 0x3F);
        }
        static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!ok || cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

std::string WideToUtf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        platform::AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace klice
