// A strict decimal integer as the game's text sources write them: an
// optional sign and digits, nothing else, within the caller's bounds. The
// asset compiler and the sound recipes read numbers this one way; each
// reports a fault as its own error, placed at its own file and line.
#pragma once

#include <string>
#include <string_view>

namespace klice {

enum class IntegerFault { None, NotANumber, TooLarge, OutOfRange };

struct StrictInteger {
    long long value = 0;
    IntegerFault fault = IntegerFault::None;
};

// Digits past 2^40 are refused as too large before they can overflow.
StrictInteger parse_strict_integer(std::string_view word, long long min, long long max);

// "'WORD' is not a number", "'WORD' is too large",
// "'WORD' is outside MIN .. MAX" (empty for IntegerFault::None).
std::string describe_integer_fault(const StrictInteger& parsed, std::string_view word, long long min, long long max);

}  // namespace klice
