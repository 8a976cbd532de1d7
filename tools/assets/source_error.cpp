#include "tools/assets/source_error.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "data/strict_integer.h"

namespace klice::assets {

namespace {
std::vector<char> read_all(const std::string& path, const std::string& from_file, int from_line) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ESourceError(from_file, from_line, "cannot open " + path + ": " + std::strerror(errno));
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
}  // namespace

std::string read_text_file(const std::string& path, const std::string& from_file, int from_line) {
    std::vector<char> bytes = read_all(path, from_file, from_line);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<uint8_t> read_binary_file(const std::string& path, const std::string& from_file, int from_line) {
    std::vector<char> bytes = read_all(path, from_file, from_line);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::vector<std::string> split_words(const std::string& line, const std::string& file, int line_no) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '\'') {
            std::string word = "'";
            ++i;
            for (;;) {
                if (i >= line.size()) throw ESourceError(file, line_no, "unterminated quoted text");
                if (line[i] == '\'') {
                    if (i + 1 < line.size() && line[i + 1] == '\'') {
                        word += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                word += line[i++];
            }
            words.push_back(word + "'");
        } else {
            size_t start = i;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

long long parse_integer(const std::string& word, const std::string& file, int line_no, long long min, long long max) {
    const StrictInteger parsed = parse_strict_integer(word, min, max);
    if (parsed.fault != IntegerFault::None)
        throw ESourceError(file, line_no, describe_integer_fault(parsed, word, min, max));
    return parsed.value;
}

}  // namespace klice::assets
