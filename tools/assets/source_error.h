// A fault in an asset source, reported as "file:line: what is wrong" so that
// the build log points at the line to fix.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/exception.h"

namespace klice::assets {

class ESourceError : public Exception {
public:
    ESourceError(const std::string& file, int line, const std::string& what)
        : Exception(file + ":" + std::to_string(line) + ": " + what) {}
    // A fault already placed ("file:line: what"), as a recipe's.
    explicit ESourceError(const std::string& placed) : Exception(placed) {}
};

// Whole file contents; a missing file is reported against the line that named it.
std::string read_text_file(const std::string& path, const std::string& from_file, int from_line);
std::vector<uint8_t> read_binary_file(const std::string& path, const std::string& from_file, int from_line);

// Splits one source line into words: whitespace separates, 'quoted text' is
// one word (with '' for a quote inside), and a word that starts with #
// starts a comment.
std::vector<std::string> split_words(const std::string& line, const std::string& file, int line_no);

// Strict decimal integer (optional sign); throws ESourceError otherwise.
long long parse_integer(const std::string& word, const std::string& file, int line_no, long long min, long long max);

}  // namespace klice::assets
