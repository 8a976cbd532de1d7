#include "tools/assets/level_source.h"

#include <cstring>
#include <sstream>

#include "game/level_file.h"
#include "tools/assets/source_error.h"

namespace klice::assets {

std::string background_of_level(int level) { return background_name_of(level); }

level_record compile_level_text(const std::string& text, const std::string& file, int level) {
    level_record record;
    std::memset(&record, 0, sizeof record);
    int keys = 0, counts[4] = {0, 0, 0, 0};
    const int slots[4] = {kBlockSlot, kAlSlot, kLebSlot, kZubySlot};
    const char* kinds[4] = {"block", "al", "leb", "zuby"};
    bool have_start = false, have_background = false;
    std::stringstream in(text);
    std::string raw;
    int number = 0;
    constexpr long long kFar = 100000;
    while (std::getline(in, raw)) {
        ++number;
        const auto w = split_words(raw, file, number);
        if (w.empty()) continue;
        auto num = [&](size_t i, long long lo, long long hi) {
            return static_cast<int32_t>(parse_integer(w[i], file, number, lo, hi));
        };
        if (w[0] == "background") {
            if (w.size() != 2) throw ESourceError(file, number, "expected 'background pN'");
            const std::string expected = background_of_level(level);
            if (w[1] != expected)
                throw ESourceError(file, number,
                                   "level " + std::to_string(level) + " is drawn on " + expected + ", not " + w[1]);
            have_background = true;
        } else if (w[0] == "start") {
            if (w.size() != 2) throw ESourceError(file, number, "expected 'start ROW'");
            record.start_y = num(1, -100, 800);
            have_start = true;
        } else if (w[0] == "key") {
            if (w.size() != 3) throw ESourceError(file, number, "expected 'key X Y'");
            if (keys == kKeyCount) throw ESourceError(file, number, "a level has exactly six keys");
            level_object& k = record.objects[kKeySlot + keys++];
            k.x = num(1, -kFar, kFar);
            k.y = num(2, -kFar, kFar);
            k.active = 1;
        } else {
            int kind = -1;
            for (int i = 0; i < 4; ++i)
                if (w[0] == kinds[i]) kind = i;
            if (kind < 0) throw ESourceError(file, number, "unknown line '" + w[0] + "'");
            const size_t fields = kind == 0 ? 6 : 7;
            if (w.size() != fields && w.size() != fields + 1)
                throw ESourceError(file, number,
                                   std::string("expected '") + kinds[kind] +
                                       (kind == 0 ? " X Y DX DY RANGE [STEPS]'" : " X Y DX DY RANGE FRAME [STEPS]'"));
            if (counts[kind] == kGroupCapacity)
                throw ESourceError(file, number, std::string("more than ten ") + kinds[kind] + " entries");
            level_object& o = record.objects[slots[kind] + counts[kind]++];
            o.x = num(1, -kFar, kFar);
            o.y = num(2, -kFar, kFar);
            o.dx = num(3, -100, 100);
            o.dy = num(4, -100, 100);
            o.range = num(5, 0, kFar);
            if (kind > 0) o.frame = num(6, 1, 20);
            if (w.size() == fields + 1) o.steps = num(fields, 0, kFar);
        }
    }
    if (!have_background) throw ESourceError(file, number, "the level names no background");
    if (!have_start) throw ESourceError(file, number, "the level has no start row");
    if (keys != kKeyCount) throw ESourceError(file, number, "the level has " + std::to_string(keys) + " keys, not six");
    record.start_x = 120;
    record.block_count = counts[0];
    record.al_count = counts[1];
    record.leb_count = counts[2];
    record.zuby_count = counts[3];
    return record;
}

level_record compile_level_file(const std::string& file, int level) {
    return compile_level_text(read_text_file(file, file, 0), file, level);
}

}  // namespace klice::assets
