// What the command-line tools share in reading their flags.
#pragma once

#include <charconv>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace klice::tools {

// The whole of `text` as a number from low to high, or invalid_argument
// naming the flag and the range.
inline int64_t parse_count(const std::string& flag, const std::string& text, int64_t low, int64_t high) {
    int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        throw std::invalid_argument(flag + " wants a number from " + std::to_string(low) + " to " +
                                    std::to_string(high) + ", not '" + text + "'");
    return value;
}

}  // namespace klice::tools
