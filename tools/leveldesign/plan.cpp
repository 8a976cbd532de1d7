#include "tools/leveldesign/plan.h"

#include <charconv>
#include <sstream>

namespace klice::leveldesign {

namespace {

int32_t number(const std::string& text, const std::string& where) {
    int32_t v = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (error != std::errc() || end != text.data() + text.size())
        throw plan_error(where + ": '" + text + "' is not a number");
    return v;
}

std::string trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

// "al2" -> the slot of the second flame.
int object_slot(const std::string& name, const std::string& where) {
    static const std::pair<const char*, int> groups[] = {
        {"block", kBlockSlot}, {"al", kAlSlot}, {"leb", kLebSlot}, {"zuby", kZubySlot}};
    for (const auto& [group, slot] : groups) {
        const std::string g = group;
        if (name.rfind(g, 0) == 0 && name.size() > g.size()) {
            const int n = number(name.substr(g.size()), where);
            if (n < 1 || n > kGroupCapacity) break;
            return slot + n - 1;
        }
    }
    throw plan_error(where + ": unknown object '" + name + "'");
}

condition parse_condition(const std::string& text, const std::string& where) {
    static const char* ops[] = {">=", "<=", "==", ">", "<"};
    for (const char* op : ops) {
        const size_t at = text.find(op);
        if (at == std::string::npos) continue;
        condition c;
        c.op = op;
        const std::string left = trim(text.substr(0, at));
        c.value = number(trim(text.substr(at + c.op.size())), where);
        if (left == "t") return c;
        const size_t dot = left.find('.');
        if (dot == std::string::npos) throw plan_error(where + ": expected OBJECT.FIELD in '" + text + "'");
        c.slot = object_slot(left.substr(0, dot), where);
        const std::string field = left.substr(dot + 1);
        if (field != "x" && field != "y" && field != "dx" && field != "dy")
            throw plan_error(where + ": unknown field '" + field + "'");
        c.field = field == "x" ? 'x' : field == "y" ? 'y' : field == "dx" ? 'h' : 'v';
        return c;
    }
    throw plan_error(where + ": no comparison in '" + text + "'");
}

step parse_step(const std::string& text, const std::string& where) {
    std::istringstream in(text);
    std::string word, arg;
    in >> word;
    step s;
    s.text = text;
    auto value = [&] {
        if (!(in >> arg)) throw plan_error(where + ": '" + word + "' needs a number");
        return number(arg, where);
    };
    if (word == "to") {
        s.kind = step::To, s.value = value();
    } else if (word == "back") {
        s.kind = step::Back, s.value = value();
    } else if (word == "r") {
        s.kind = step::Right, s.value = value();
    } else if (word == "l") {
        s.kind = step::Left, s.value = value();
    } else if (word == "w") {
        s.kind = step::Stand, s.value = value();
    } else if (word == "J" || word == "JL" || word == "JU") {
        s.kind = step::Jump;
        s.jump_keys = word == "J" ? kRight : word == "JL" ? kLeft : 0;
    } else if (word == "wait") {
        s.kind = step::Wait;
        std::string rest;
        std::getline(in, rest);
        std::stringstream alternatives(rest);
        std::string alternative;
        while (std::getline(alternatives, alternative, '|')) {
            std::stringstream parts(alternative);
            std::string part;
            s.alternatives.emplace_back();
            while (std::getline(parts, part, '&')) s.alternatives.back().push_back(parse_condition(trim(part), where));
        }
        if (s.alternatives.empty()) throw plan_error(where + ": 'wait' needs a condition");
        return s;
    } else {
        throw plan_error(where + ": unknown step '" + word + "'");
    }
    if (in >> arg) throw plan_error(where + ": too much in '" + text + "'");
    return s;
}

}  // namespace

bool condition::Holds(const game_state_t& g, int64_t tick) const {
    int64_t v = tick;
    if (slot >= 0) {
        const level_object& o = g.record.objects[slot];
        v = field == 'x' ? o.x : field == 'y' ? o.y : field == 'h' ? o.dx : o.dy;
    }
    if (op == ">=") return v >= value;
    if (op == "<=") return v <= value;
    if (op == ">") return v > value;
    if (op == "<") return v < value;
    return v == value;
}

std::vector<int> step::Watched() const {
    std::vector<int> slots;
    for (const std::vector<condition>& all : alternatives)
        for (const condition& c : all)
            if (c.slot >= 0) slots.push_back(c.slot);
    return slots;
}

bool step::Holds(const game_state_t& g, int64_t tick) const {
    for (const std::vector<condition>& all : alternatives) {
        bool holds = true;
        for (const condition& c : all) holds = holds && c.Holds(g, tick);
        if (holds) return true;
    }
    return false;
}

plan parse_plan(const std::string& source_text) {
    plan p;
    std::istringstream in(source_text);
    std::string line;
    int number_of_line = 0;
    while (std::getline(in, line)) {
        ++number_of_line;
        if (line.rfind("#>", 0) != 0) continue;
        std::stringstream steps(line.substr(2));
        std::string text;
        while (std::getline(steps, text, ';')) {
            text = trim(text);
            if (!text.empty()) p.push_back(parse_step(text, "line " + std::to_string(number_of_line)));
        }
    }
    if (p.empty()) throw plan_error("the source has no plan (lines starting with '#>')");
    return p;
}

bool can_jump(const game_state_t& g) { return g.on_ground && g.jump_cooldown <= 1; }

uint8_t executor::Keys(const game_state_t& g, int64_t tick) {
    while (index_ < plan_->size()) {
        const step& s = (*plan_)[index_];
        switch (s.kind) {
            case step::To:
                if (g.player_x < s.value) return kRight;
                break;
            case step::Back:
                if (g.player_x > s.value) return kLeft;
                break;
            case step::Right:
            case step::Left:
            case step::Stand:
                if (count_ < s.value) {
                    ++count_;
                    return s.kind == step::Right ? kRight : s.kind == step::Left ? kLeft : 0;
                }
                break;
            case step::Jump:
                if (!can_jump(g)) return 0;
                StartAt(index_ + 1);
                return kJump | s.jump_keys;
            case step::Wait:
                if (!s.Holds(g, tick)) return 0;
                break;
        }
        StartAt(index_ + 1);
    }
    return kRight;  // on to the exit
}

}  // namespace klice::leveldesign
