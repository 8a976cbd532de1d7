#include "data/strict_integer.h"

namespace klice {

StrictInteger parse_strict_integer(std::string_view word, long long min, long long max) {
    size_t i = 0;
    bool negative = false;
    if (i < word.size() && (word[i] == '-' || word[i] == '+')) negative = word[i++] == '-';
    if (i >= word.size()) return {0, IntegerFault::NotANumber};
    long long value = 0;
    for (; i < word.size(); ++i) {
        if (word[i] < '0' || word[i] > '9') return {0, IntegerFault::NotANumber};
        value = value * 10 + (word[i] - '0');
        if (value > (1LL << 40)) return {0, IntegerFault::TooLarge};
    }
    if (negative) value = -value;
    if (value < min || value > max) return {value, IntegerFault::OutOfRange};
    return {value, IntegerFault::None};
}

std::string describe_integer_fault(const StrictInteger& parsed, std::string_view word, long long min, long long max) {
    const std::string quoted = "'" + std::string(word) + "'";
    switch (parsed.fault) {
        case IntegerFault::None: return {};
        case IntegerFault::NotANumber: return quoted + " is not a number";
        case IntegerFault::TooLarge: return quoted + " is too large";
        case IntegerFault::OutOfRange:
            return quoted + " is outside " + std::to_string(min) + " .. " + std::to_string(max);
    }
    return {};
}

}  // namespace klice
