#include "tools/play/play_script.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <utility>

#include "input/game_keys.h"
#include "platform/virtual_keys.h"

namespace klice::play {

namespace {

constexpr int64_t kMaxTick = int64_t{1} << 40;

std::optional<int64_t> number(const std::string& text) {
    int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

[[noreturn]] void fail(int line, const std::string& what) {
    throw script_error("line " + std::to_string(line) + ": " + what);
}

int64_t tick_number(int line, const std::string& text) {
    std::optional<int64_t> t = number(text);
    if (!t || *t < 1 || *t > kMaxTick) fail(line, "bad tick '" + text + "'");
    return *t;
}

}  // namespace

std::optional<int32_t> key_code(const std::string& name) {
    // DOWN is no key of the game's; a script may hold it all the same.
    static const std::pair<const char*, int32_t> keys[] = {
        {"LEFT", game_keys::Left},  {"RIGHT", game_keys::Right}, {"UP", game_keys::Up}, {"DOWN", platform::vk::Down},
        {"A", game_keys::A},        {"D", game_keys::D},         {"W", game_keys::W},   {"H", game_keys::H},
        {"ESC", game_keys::Escape}, {"ENTER", game_keys::Enter},
    };
    for (const auto& [key, code] : keys)
        if (name == key) return code;
    return std::nullopt;
}

std::set<int32_t> script::keys_at(int64_t tick) const {
    std::set<int32_t> keys;
    for (const hold& h : holds)
        if (h.from <= tick && tick <= h.to) keys.insert(h.keys.begin(), h.keys.end());
    return keys;
}

std::vector<script::mouse_event> script::mouse_at(int64_t tick) const {
    std::vector<mouse_event> out;
    for (const mouse_event& m : mouse)
        if (m.tick == tick) out.push_back(m);
    return out;
}

int64_t script::last_tick() const {
    int64_t last = 0;
    for (const hold& h : holds) last = std::max(last, h.to);
    for (const mouse_event& m : mouse) last = std::max(last, m.tick);
    return last;
}

script parse_script(const std::string& text) {
    script s;
    std::istringstream lines(text);
    std::string line;
    int n = 0;
    while (std::getline(lines, line)) {
        ++n;
        if (size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;) w.push_back(word);
        if (w.empty()) continue;
        if (w.size() < 2) fail(n, "a tick needs an event");

        int64_t from, to;
        if (size_t dash = w[0].find('-'); dash != std::string::npos && dash > 0) {
            from = tick_number(n, w[0].substr(0, dash));
            to = tick_number(n, w[0].substr(dash + 1));
            if (to < from) fail(n, "the range ends before it starts");
        } else {
            from = to = tick_number(n, w[0]);
        }

        if (w[1] == "mouse" || w[1] == "click") {
            if (from != to) fail(n, "a mouse event takes one tick");
            if (w[1] == "click") {
                if (w.size() != 2) fail(n, "click takes no arguments");
                s.mouse.push_back({from, true, 0, 0});
                continue;
            }
            if (w.size() != 4) fail(n, "mouse takes X and Y");
            std::optional<int64_t> x = number(w[2]), y = number(w[3]);
            if (!x || !y || *x < -100000 || *x > 100000 || *y < -100000 || *y > 100000) fail(n, "bad mouse position");
            s.mouse.push_back({from, false, static_cast<int>(*x), static_cast<int>(*y)});
            continue;
        }

        script::hold h{from, to, {}};
        for (size_t i = 1; i < w.size(); ++i) {
            std::optional<int32_t> code = key_code(w[i]);
            if (!code) fail(n, "unknown key '" + w[i] + "'");
            h.keys.push_back(*code);
        }
        s.holds.push_back(std::move(h));
    }
    return s;
}

script read_script_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw script_error("cannot read the script " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return parse_script(text.str());
}

}  // namespace klice::play
