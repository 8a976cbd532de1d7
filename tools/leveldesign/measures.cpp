#include "tools/leveldesign/measures.h"

#include <algorithm>
#include <cstdio>

namespace klice::leveldesign {

namespace {

constexpr int kFloorTicks = 24;  // ticks stood on a floor before it counts
constexpr int kTile = 32;        // less net walk than this is walking on the spot

template <typename T>
T median_of(std::vector<T> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string fixed(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

}  // namespace

int64_t idle_ticks(const std::vector<uint8_t>& keys) { return std::count(keys.begin(), keys.end(), uint8_t{0}); }

std::vector<foothold> footholds(const route& r, const scene& sc) {
    std::vector<foothold> out;
    // before[t] is the state after tick t.
    for (size_t t = 1; t < r.before.size(); ++t) {
        const game_state_t& g = r.before[t].state;
        foothold f{g.player_x, -1};
        if (g.on_ground && g.block_under == 0 && !g.dying) f.surface = sc.SurfaceAt(g.player_x, g.player_y + 78);
        out.push_back(f);
    }
    return out;
}

std::string floors_visited(const std::vector<foothold>& ticks) {
    struct visit {
        int surface;
        int stood;
        int32_t from_x, to_x;
    };
    std::vector<visit> visits;
    for (const foothold& f : ticks) {
        if (f.surface < 0) continue;
        if (visits.empty() || visits.back().surface != f.surface)
            visits.push_back({f.surface, 1, f.x, f.x});
        else
            ++visits.back().stood, visits.back().to_x = f.x;
    }
    std::erase_if(visits, [](const visit& v) { return v.stood < kFloorTicks; });
    std::string out;
    for (size_t i = 0; i < visits.size(); ++i) {
        const visit& v = visits[i];
        // Stretches of one floor split only by dropped ones are one walk.
        int32_t to_x = v.to_x;
        while (i + 1 < visits.size() && visits[i + 1].surface == v.surface) to_x = visits[++i].to_x;
        const int32_t walked = to_x - v.from_x;
        const char way = walked >= kTile ? '>' : walked <= -kTile ? '<' : '=';
        out += (out.empty() ? "" : " ") + std::to_string(v.surface) + way;
    }
    return out;
}

std::set<int> hazards_passed(const route& r, const scene& sc, int reach) {
    std::set<int> passed;
    const int slots[3] = {kAlSlot, kLebSlot, kZubySlot};
    for (size_t t = 1; t < r.before.size(); ++t) {
        const game_state_t& g = r.before[t].state;
        if (!g.objects_moving) continue;
        const int counts[3] = {group_count(g.record.al_count), group_count(g.record.leb_count),
                               group_count(g.record.zuby_count)};
        // The figure's box: 60 columns centred on player_x, 76 rows from player_y.
        const int left = g.player_x - 30 - reach, right = g.player_x + 30 + reach;
        const int top = g.player_y - reach, bottom = g.player_y + 76 + reach;
        for (int k = 0; k < 3; ++k)
            for (int i = 0; i < counts[k]; ++i) {
                const level_object& o = g.record.objects[slots[k] + i];
                if (o.dx == 0 && o.dy == 0) continue;
                if (o.x < right && o.x + sc.HazardWidth(k) > left && o.y < bottom && o.y + sc.HazardHeight(k) > top)
                    passed.insert(slots[k] + i);
            }
    }
    return passed;
}

double level_score(size_t jumps, int timed, int window, int64_t pressure) {
    return static_cast<double>(jumps) * 0.5 + timed * 2.0 + (window > 0 ? 120.0 / window : 0) + pressure / 50.0;
}

std::vector<finding> game_rules(const std::vector<level_summary>& levels) {
    std::vector<finding> out;
    if (levels.size() != 25) return out;
    std::vector<int64_t> ticks;
    std::vector<double> idle;
    for (const level_summary& l : levels) {
        ticks.push_back(l.ticks);
        idle.push_back(l.ticks ? 100.0 * l.idle / l.ticks : 0);
    }
    if (median_of(ticks) < 1200)
        out.push_back({"length", "the median level takes " + std::to_string(median_of(ticks)) + " ticks, under 1200"});
    if (median_of(idle) > 20)
        out.push_back({"idle median", "the median level is " + fixed(median_of(idle)) + " % idle, over 20 %"});

    auto windows_of = [&](int first) {
        std::vector<int> w;
        for (int i = first - 1; i < first + 4; ++i) w.push_back(levels[i].window);
        return median_of(w);
    };
    if (windows_of(1) < 15)
        out.push_back({"window median",
                       "the median window of levels 1-5 is " + std::to_string(windows_of(1)) + " ticks, under 15"});
    if (windows_of(21) > 8)
        out.push_back({"window median",
                       "the median window of levels 21-25 is " + std::to_string(windows_of(21)) + " ticks, over 8"});

    double average[5] = {};
    for (int g = 0; g < 5; ++g) {
        for (int i = 0; i < 5; ++i) average[g] += levels[g * 5 + i].score / 5;
        if (g > 0 && average[g] <= average[g - 1])
            out.push_back({"curve", "levels " + std::to_string(g * 5 + 1) + "-" + std::to_string(g * 5 + 5) +
                                        " average " + fixed(average[g]) + ", not above levels " +
                                        std::to_string(g * 5 - 4) + "-" + std::to_string(g * 5) + " (" +
                                        fixed(average[g - 1]) + ")"});
    }
    if (average[4] < 1.5 * average[0])
        out.push_back({"curve end", "levels 21-25 average " + fixed(average[4]) + ", under 1.5 x levels 1-5 (" +
                                        fixed(average[0]) + ")"});
    return out;
}

bool is_new_rule(const std::string& kind) {
    static const std::set<std::string> kinds = {"idle",      "held",          "exit",        "free keys",
                                                "hint",      "variety",       "idle median", "curve",
                                                "curve end", "window median", "cooldown"};
    return kinds.count(kind) > 0;
}

bool is_reported_only(const std::string& kind) { return kind == "dead key"; }

bool fails_check(const finding& f, bool strict) {
    return !is_reported_only(f.kind) && (strict || !is_new_rule(f.kind));
}

}  // namespace klice::leveldesign
