#include "platform/codepage.h"

#include <array>

#include "platform/utf8.h"

namespace klice::platform {

namespace {

// 0x80..0xFF of Windows-1250.
constexpr char32_t kHighHalf[128] = {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0xFFFD, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 88
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0xFFFD, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};

// Upper/lower pairs outside ASCII and outside the C0..DE / E0..FE block.
constexpr uint8_t kPairs[][2] = {
    {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D}, {0x8E, 0x9E}, {0x8F, 0x9F},
    {0xA3, 0xB3}, {0xA5, 0xB9}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xBC, 0xBE},
};

struct CaseTables {
    std::array<uint8_t, 256> lower{}, upper{};
    CaseTables() {
        for (int i = 0; i < 256; ++i) lower[i] = upper[i] = static_cast<uint8_t>(i);
        auto pair = [this](int up, int low) {
            lower[up] = static_cast<uint8_t>(low);
            upper[low] = static_cast<uint8_t>(up);
        };
        for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
        for (int c = 0xC0; c <= 0xDE; ++c)
            if (c != 0xD7) pair(c, c + 32);  // the multiplication sign has no case
        for (auto& p : kPairs) pair(p[0], p[1]);
    }
};

const CaseTables& Tables() {
    static const CaseTables tables;
    return tables;
}

}  // namespace

char32_t CodePageToUnicode(uint8_t byte) { return byte < 0x80 ? byte : kHighHalf[byte - 0x80]; }

std::string CodePageToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (unsigned char c : text) AppendUtf8(out, CodePageToUnicode(c));
    return out;
}

uint8_t CharLower(uint8_t byte) { return Tables().lower[byte]; }
uint8_t CharUpper(uint8_t byte) { return Tables().upper[byte]; }

std::string LowerCase(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = static_cast<char>(CharLower(static_cast<uint8_t>(c)));
    return out;
}

int CompareTextIgnoreCase(const std::string& a, const std::string& b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        int ca = CharLower(static_cast<uint8_t>(a[i]));
        int cb = CharLower(static_cast<uint8_t>(b[i]));
        if (ca != cb) return ca - cb;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace klice::platform
