// klice-levels: plays the levels' plans on the real game, headless.
//
//   klice-levels plan  --data DIR --assets DIR N...   writes the keys each plan
//        held into the source's "As held keys" comment (the replays come from it)
//   klice-levels check --data DIR --assets DIR [N...] measures every level (or
//        those named) and prints the table; exit status 1 when a check fails.
//        --reach K: ticks an input is moved each way when measuring windows
//        (10); --explore K: ticks between the states along the route from
//        which other inputs are tried (24); --strict: the rules that not
//        every level meets yet fail the check too (they are printed as "new:";
//        keys taken by a dying figure are only ever printed); --windows: every
//        timing input's window is printed, with how far it moved each way
//
// DIR for --data holds the built data files, --assets the content sources.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "game/level_file.h"
#include "tools/assets/level_source.h"
#include "tools/command_line.h"
#include "tools/leveldesign/checks.h"
#include "tools/leveldesign/measures.h"
#include "tools/version.h"

using namespace klice::leveldesign;

namespace {

const char* kUsage =
    "usage: klice-levels plan --data DIR --assets DIR [--trace K] N...\n"
    "       klice-levels check --data DIR --assets DIR [--reach K] [--explore K] [--strict] [--windows]\n"
    "                          [N...]\n";

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string source_path(const std::string& assets, int level) {
    char name[32];
    std::snprintf(name, sizeof name, "/levels/p%02d.txt", level);
    return assets + name;
}

// The source with its held-keys comment replaced by keys.
std::string with_held_keys(const std::string& text, const std::vector<uint8_t>& keys) {
    std::vector<std::string> block = {
        "# As held keys from the first play tick (R right, L left, J jump, - none,",
        "# then the number of ticks), the exit is reached on tick " + std::to_string(keys.size()) + ":"};
    std::string line = "#  ";
    std::istringstream words(held_keys_text(keys));
    std::string w;
    while (words >> w) {
        if (line.size() + w.size() + 1 > 96) {
            block.push_back(line);
            line = "#  ";
        }
        line += " " + w;
    }
    block.push_back(line);

    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string l;
    while (std::getline(in, l)) lines.push_back(l);
    size_t at = lines.size(), end = lines.size();
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind("# As held keys", 0) == 0) {
            at = i;
            end = i + 1;
            while (end < lines.size() && lines[end].rfind("#", 0) == 0 && lines[end].rfind("#   ", 0) != 0 &&
                   lines[end - 1].back() != ':')
                ++end;
            while (end < lines.size() && lines[end].rfind("#   ", 0) == 0) ++end;
            break;
        }
    if (at == lines.size()) {
        // Before the first line that is not a comment, after a blank line.
        at = end = 0;
        while (at < lines.size() && lines[at].rfind("#", 0) == 0) ++at;
        end = at;
        block.insert(block.begin(), "#");
    }
    lines.erase(lines.begin() + static_cast<long>(at), lines.begin() + static_cast<long>(end));
    lines.insert(lines.begin() + static_cast<long>(at), block.begin(), block.end());
    std::string out;
    for (const std::string& s : lines) out += s + "\n";
    return out;
}

struct arguments {
    std::string command, data = ".", assets = "assets";
    int reach = 10;
    int explore = 24;
    int trace = 0;         // plan: print the state every this many ticks
    bool strict = false;   // check: the new rules fail the check too
    bool windows = false;  // check: print every timing input's window
    std::vector<int> levels;
};

arguments parse(const std::vector<std::string>& args) {
    if (args.empty()) throw std::invalid_argument("give a command");
    arguments a;
    a.command = args[0];
    if (klice::tools::asks_for_help(a.command)) throw klice::tools::help_wanted{};
    if (a.command != "plan" && a.command != "check") throw std::invalid_argument("unknown command " + a.command);
    klice::tools::flags()
        .text("--data", a.data)
        .text("--assets", a.assets)
        .count("--trace", a.trace, 1, 1000)
        .count("--explore", a.explore, 1, 1000)
        .toggle("--strict", a.strict)
        .toggle("--windows", a.windows)
        .count("--reach", a.reach, 1, 100)
        .others([&a](const std::string& level) {
            a.levels.push_back(static_cast<int>(klice::tools::parse_count("a level", level, 1, klice::kLevelCount)));
        })
        .parse(std::vector<std::string>(args.begin() + 1, args.end()));
    if (a.levels.empty()) {
        if (a.command == "plan") throw std::invalid_argument("name the levels to plan");
        for (int n = 1; n <= klice::kLevelCount; ++n) a.levels.push_back(n);
    }
    return a;
}

int plan_levels(const arguments& a, session& s) {
    int status = 0;
    for (int level : a.levels) {
        const std::string path = source_path(a.assets, level);
        const std::string text = read_file(path);
        const plan p = parse_plan(text);
        const route r = play_plan(s, level, p, 6000);
        if (a.trace) {
            for (size_t t = 0; t < r.before.size(); t += a.trace) {
                const klice::game_state_t& g = r.before[t].state;
                std::cout << "tick " << t << " step " << r.plans[t].Step() + 1 << " x " << g.player_x << " y "
                          << g.player_y << (g.on_ground ? " ground" : " air") << " keys " << g.keys_taken << " block "
                          << g.block_under << "\n";
            }
        }
        if (!r.finished) {
            std::cout << "level " << level << ": " << r.failure << "\n";
            if (a.trace) std::cout << "held: " << held_keys_text(r.keys) << "\n";
            status = 1;
            continue;
        }
        std::ofstream(path, std::ios::binary) << with_held_keys(text, r.keys);
        std::cout << "level " << level << ": " << r.Ticks() << " ticks, " << r.jumps.size() << " jumps\n";
    }
    return status;
}

// The floors the route of level n visits.
std::string floors_of(const arguments& a, session& s, int level) {
    const route r = play_plan(s, level, parse_plan(read_file(source_path(a.assets, level))));
    return floors_visited(footholds(r, scene(a.assets, klice::assets::background_of_level(level))));
}

// Prints one rule a level or the game breaks; true when it fails the check.
bool report(const finding& f, bool strict) {
    const bool fails = fails_check(f, strict);
    std::printf("      %s%s\n", fails ? "" : "new: ", f.text.c_str());
    return fails;
}

int check_levels(const arguments& a, session& s) {
    check_options o;
    o.window_reach = a.reach;
    o.explore_every = a.explore;
    std::printf("%-5s %6s %5s %5s %5s %6s %5s %6s  %-6s %s\n", "level", "ticks", "idle%", "jumps", "timed", "window",
                "press", "score", "result", "floors visited");
    std::vector<level_summary> summaries;
    std::map<int, std::string> floors;
    int failed = 0;
    for (int level : a.levels) {
        const std::string path = source_path(a.assets, level);
        const plan p = parse_plan(read_file(path));
        const scene sc(a.assets, klice::assets::background_of_level(level));
        // Levels 11 to 20 reuse the terrain of 1 to 10.
        o.base_floors.clear();
        if (level > 10 && level <= 20) {
            const int base = level - 10;
            if (!floors.count(base)) floors[base] = floors_of(a, s, base);
            o.base_floors = floors[base];
        }
        const level_report rep = check_level(s, sc, level, p, o);
        const route& r = rep.played;
        floors[level] = rep.floors;
        summaries.push_back({level, r.Ticks(), rep.idle, rep.window, rep.score});
        bool fails = false;
        for (const finding& f : rep.faults) fails = fails || fails_check(f, a.strict);
        std::printf("%-5d %6lld %5.1f %5zu %5d %6d %5lld %6.1f  %-6s %s\n", level, static_cast<long long>(r.Ticks()),
                    r.Ticks() ? 100.0 * rep.idle / r.Ticks() : 0.0, r.jumps.size(), rep.timed, rep.window,
                    static_cast<long long>(rep.pressure), rep.score, fails ? "FAIL" : "ok", rep.floors.c_str());
        if (!rep.window_at.empty()) std::printf("      narrowest: %s\n", rep.window_at.c_str());
        // What bounds each window: a side that reached --reach did not bound it.
        if (a.windows)
            for (const timing_window& w : rep.windows)
                std::printf("      window: %s: %d later, %d earlier%s: %d ticks\n", w.at.c_str(), w.late, w.early,
                            w.bounded ? "" : " (not bounded)", w.width);
        for (const finding& f : rep.faults) report(f, a.strict);
        if (fails) ++failed;
        std::fflush(stdout);
    }
    if (a.levels.size() == size_t{klice::kLevelCount}) {
        int64_t total = 0;
        for (const level_summary& l : summaries) total += l.ticks;
        std::vector<int64_t> sorted;
        for (const level_summary& l : summaries) sorted.push_back(l.ticks);
        std::sort(sorted.begin(), sorted.end());
        std::printf("all levels: %lld ticks (%.1f min of play), median %lld ticks\n", static_cast<long long>(total),
                    total / 6000.0, static_cast<long long>(sorted[12]));
        double average[5] = {};
        for (size_t i = 0; i < summaries.size(); ++i) average[i / 5] += summaries[i].score / 5;
        std::printf("score by five levels: %.1f %.1f %.1f %.1f %.1f\n", average[0], average[1], average[2], average[3],
                    average[4]);
        for (const finding& f : game_rules(summaries))
            if (report(f, a.strict)) ++failed;
    }
    return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (klice::tools::print_version_if_asked("klice-levels", argc, argv)) return 0;
    return klice::tools::tool_main<arguments>("klice-levels", kUsage, argc, argv, parse, [](arguments& a) {
        // The game changes the working folder to the data; the sources are found from here.
        a.assets = std::filesystem::absolute(a.assets).string();
        setenv("SDL_AUDIODRIVER", "dummy", 0);  // silent, whatever the machine has
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        session s(a.data);
        return a.command == "plan" ? plan_levels(a, s) : check_levels(a, s);
    });
}
