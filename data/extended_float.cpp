#include "data/extended_float.h"

#include <cmath>

namespace klice {

// 80-bit extended: 64-bit significand with an explicit integer bit, 15-bit
// exponent biased by 16383, sign in the top bit; little-endian.

double ExtendedToDouble(const uint8_t b[10]) {
    uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i) mantissa = (mantissa << 8) | b[i];
    int exponent = ((b[9] & 0x7F) << 8) | b[8];
    bool negative = (b[9] & 0x80) != 0;
    double value;
    if (exponent == 0x7FFF) {
        value = (mantissa << 1) == 0 ? INFINITY : NAN;
    } else {
        int e = exponent == 0 ? 1 - 16383 - 63 : exponent - 16383 - 63;
        value = std::ldexp(static_cast<double>(mantissa), e);
    }
    return negative ? -value : value;
}

void DoubleToExtended(double value, uint8_t b[10]) {
    uint64_t mantissa = 0;
    int exponent = 0;
    bool negative = std::signbit(value);
    if (std::isnan(value)) {
        mantissa = 0xC000000000000000ull;
        exponent = 0x7FFF;
    } else if (std::isinf(value)) {
        mantissa = 0x8000000000000000ull;
        exponent = 0x7FFF;
    } else if (value != 0) {
        int e;
        double f = std::frexp(std::fabs(value), &e);  // f in [0.5, 1)
        mantissa = static_cast<uint64_t>(std::ldexp(f, 64));
        exponent = e - 1 + 16383;
    }
    for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(mantissa >> (8 * i));
    b[8] = static_cast<uint8_t>(exponent & 0xFF);
    b[9] = static_cast<uint8_t>(((exponent >> 8) & 0x7F) | (negative ? 0x80 : 0));
}

}  // namespace klice
