#include "tools/play/hash_file.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace klice::play {

namespace {

// The parts beside the state fields, in the order of the "#:" line.
struct part_column {
    const char* name;
    uint64_t state_digest::*value;
};
constexpr part_column kParts[] = {{"objects", &state_digest::objects},
                                  {"waves", &state_digest::waves},
                                  {"path", &state_digest::path},
                                  {"pixels", &state_digest::pixels}};

std::string hex(uint64_t v, int digits) {
    char s[24];
    std::snprintf(s, sizeof s, "%0*llx", digits, static_cast<unsigned long long>(v));
    return s;
}

// A part as the file keeps it: the low 32 bits, enough to tell which part
// moved (the whole hash is on the tick's own line).
std::string short_part(uint64_t v) { return hex(v & 0xFFFFFFFFu, 8); }

std::vector<std::string> words_of(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

const part_column* part_named(const std::string& name) {
    for (const part_column& p : kParts)
        if (name == p.name) return &p;
    return nullptr;
}

}  // namespace

void hash_file_writer::write(const state_digest& d) {
    if (!header_) {
        out_ << "# klice-play state hashes: \"tick hash\" every " << kHashEvery << " ticks and at the last tick.\n"
             << "# The \"#=\" line under each holds its parts, in the columns of the \"#:\" line.\n#:";
        for (const part_column& p : kParts) out_ << ' ' << p.name;
        for (const state_field& f : d.fields) out_ << ' ' << f.name;
        out_ << '\n';
        header_ = true;
    }
    out_ << d.tick << ' ' << hex(d.hash, 16) << "\n#=";
    for (const part_column& p : kParts) out_ << ' ' << short_part(d.*p.value);
    for (const state_field& f : d.fields) out_ << ' ' << f.value;
    out_ << '\n';
}

std::vector<hash_entry> parse_hash_file(const std::string& text) {
    std::vector<hash_entry> entries;
    std::vector<std::string> columns;
    std::istringstream in(text);
    int number = 0;
    auto fail = [&](const std::string& why) -> void {
        throw hash_file_error("line " + std::to_string(number) + ": " + why);
    };
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("#:", 0) == 0) {
            columns = words_of(line.substr(2));
            continue;
        }
        if (line.rfind("#=", 0) == 0) {
            std::vector<std::string> values = words_of(line.substr(2));
            if (entries.empty() || entries.back().line != number - 1) fail("parts without a hash line above them");
            if (values.size() != columns.size())
                fail(std::to_string(values.size()) + " parts where the \"#:\" line names " +
                     std::to_string(columns.size()));
            for (size_t i = 0; i < values.size(); ++i) entries.back().parts[columns[i]] = values[i];
            continue;
        }
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> words = words_of(line);
        if (words.empty()) continue;
        hash_entry e;
        e.line = number;
        const std::string& t = words[0];
        auto [tick_end, tick_error] = std::from_chars(t.data(), t.data() + t.size(), e.tick);
        const std::string h = words.size() > 1 ? words[1] : "";
        auto [hash_end, hash_error] = std::from_chars(h.data(), h.data() + h.size(), e.hash, 16);
        if (words.size() != 2 || tick_error != std::errc() || tick_end != t.data() + t.size() || e.tick < 0 ||
            h.size() != 16 || hash_error != std::errc() || hash_end != h.data() + h.size())
            fail("want \"TICK HASH\" (a tick and 16 hex digits), not '" + line + "'");
        if (!entries.empty() && e.tick <= entries.back().tick) fail("tick " + t + " does not follow the one before");
        entries.push_back(std::move(e));
    }
    return entries;
}

std::vector<hash_entry> read_hash_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw hash_file_error("cannot read the hash file " + path);
    std::stringstream text;
    text << in.rdbuf();
    try {
        return parse_hash_file(text.str());
    } catch (const hash_file_error& e) {
        throw hash_file_error(path + ": " + e.what());
    }
}

std::string describe_difference(const hash_entry& want, const state_digest& got, int64_t previous_tick) {
    if (want.hash == got.hash) return "";
    if (want.parts.empty()) return "the hash (the file names no parts)";
    std::vector<std::string> found;
    // State fields first, by name, in the game's order.
    for (const state_field& f : got.fields) {
        auto it = want.parts.find(f.name);
        if (it == want.parts.end())
            found.push_back(f.name + " (not in the file)");
        else if (it->second != f.value)
            found.push_back(f.name + " " + it->second + " -> " + f.value);
    }
    for (const auto& [name, value] : want.parts) {
        bool in_run = part_named(name) != nullptr;
        for (const state_field& f : got.fields) in_run = in_run || f.name == name;
        if (!in_run) found.push_back(name + " (no longer in the game)");
    }
    const std::string span = " of ticks " + std::to_string(previous_tick + 1) + "-" + std::to_string(got.tick);
    for (const part_column& p : kParts) {
        auto it = want.parts.find(p.name);
        if (it == want.parts.end() || it->second == short_part(got.*p.value)) continue;
        const std::string name = p.name;
        found.push_back(name == "waves" || name == "path" ? name + span : name);
    }
    if (found.empty()) return "the hash, though every part agrees";
    std::string out;
    for (const std::string& f : found) out += (out.empty() ? "" : ", ") + f;
    return out;
}

}  // namespace klice::play
