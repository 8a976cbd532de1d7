// A small world for the game tests: a data folder with hand-made levels, flat
// pictures made of coloured rectangles drawn onto the real back surface, and
// a log of the waves started and stopped. The game runs headless through its
// real tick.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "display/dxdraws.h"
#include "game/asset_calls.h"
#include "game/game_state.h"
#include "game/headless_game.h"
#include "game/hlavni.h"
#include "game/level_file.h"
#include "game/pictures.h"
#include "game/screens.h"
#include "game/waves.h"
#include "platform/display_device.h"
#include "tests/support/temp_folder.h"

namespace klice::testing {

inline constexpr uint32_t kRed = 0x0000FF, kGrey = 0x808080, kGreen = 0x00FF00;

// A picture: an optional fill of the whole rectangle and coloured parts in
// picture coordinates. Without a fill, the rest is transparent.
struct flat_picture {
    int width = 0, height = 0;
    std::optional<uint32_t> fill;
    struct part {
        int x, y, w, h;
        uint32_t colour;
    };
    std::vector<part> parts;
};

struct drawn {
    std::string list, name;
    int left, top, width, height;
    bool mirrored;
};

class flat_pictures : public picture_source {
public:
    // list: "panak", "ruzne" or "krajina". The game's picture names differ
    // between the lists, so a picture is found by its name alone.
    void add(const std::string& list, const std::string& name, flat_picture picture) {
        pictures_[name] = {list, std::move(picture)};
    }
    void fill(TComponent*, const std::string& file_name) override { fills.push_back(file_name); }
    void draw(TComponent*, const std::string& name, int left, int top, int width, int height, bool mirrored) override {
        const auto& [list, p] = find(name);
        draws.push_back({list, name, left, top, width, height, mirrored});
        TDirectDrawSurface& s = *form1->DXDraw->Surface();
        platform::RgbPacker pack(s.Description().Format);
        const int bytes = s.BitCount() / 8;
        void* pixels = nullptr;
        int pitch = 0;
        if (!s.Lock(&pixels, &pitch)) return;
        auto rect = [&](int x, int y, int w, int h, uint32_t colour) {
            const uint32_t raw = pack(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
            const int left = std::max(x, 0), right = std::min(x + w, s.Width());
            if (left >= right) return;
            // One row of the colour, copied to every row: the level checker's
            // tests play thousands of ticks on these pictures.
            std::vector<uint8_t> line(size_t(right - left) * bytes);
            for (size_t i = 0; i < line.size(); i += size_t(bytes))
                std::memcpy(line.data() + i, &raw, size_t(bytes));  // little-endian host
            for (int yy = std::max(y, 0); yy < std::min(y + h, s.Height()); ++yy)
                std::memcpy(static_cast<uint8_t*>(pixels) + ptrdiff_t{yy} * pitch + ptrdiff_t{left} * bytes,
                            line.data(), line.size());
        };
        if (p.fill) rect(left, top, width, height, *p.fill);
        for (const flat_picture::part& part : p.parts) {
            const int x = mirrored ? p.width - part.x - part.w : part.x;
            rect(left + x, top + part.y, part.w, part.h, part.colour);
        }
        s.Unlock();
    }
    int width(TComponent*, const std::string& name) override { return find(name).second.width; }
    int height(TComponent*, const std::string& name) override { return find(name).second.height; }

    // Draws of one picture since the log was last cleared.
    std::vector<drawn> of(const std::string& name) const {
        std::vector<drawn> out;
        for (const drawn& d : draws)
            if (d.name == name) out.push_back(d);
        return out;
    }

    std::vector<std::string> fills;
    std::vector<drawn> draws;

private:
    const std::pair<std::string, flat_picture>& find(const std::string& name) {
        auto it = pictures_.find(name);
        if (it == pictures_.end()) throw EPictureMissing("Image '" + name + "' not found");
        return it->second;
    }
    struct EPictureMissing : std::runtime_error {
        using std::runtime_error::runtime_error;
    };
    std::map<std::string, std::pair<std::string, flat_picture>> pictures_;
};

struct wave_event {
    int index;
    bool started;
    bool operator==(const wave_event&) const = default;
};

// Every picture the game names, as flat stand-ins: black screens, a player
// that is transparent (so the probes see what lies behind it), solid objects.
inline void add_game_pictures(flat_pictures& p) {
    const flat_picture screen{1024, 768, 0u, {}};
    for (const char* name : {pictures::kTitle, pictures::kMenu}) p.add("panak", name, screen);
    for (const char* name :
         {pictures::kSliderKnob, pictures::kStartLit, pictures::kEndLit, pictures::kUpLit, pictures::kDownLit})
        p.add("panak", name, {40, 40, {}, {}});
    for (const char* name : pictures::kWalk) p.add("panak", name, {60, 76, {}, {}});
    p.add("panak", pictures::kJump, {60, 76, {}, {}});
    for (const char* name : pictures::kSplash) p.add("panak", name, {96, 96, {}, {}});
    p.add("panak", pictures::kMusicHint, {168, 30, {}, {}});
    p.add("panak", pictures::kKey, {20, 20, {}, {{0, 0, 20, 20, kGreen}}});
    p.add("ruzne", pictures::kBlock, {100, 40, kGrey, {}});
    p.add("ruzne", pictures::kExitArrow, {40, 40, {}, {}});
    for (const char* kind : pictures::kHazards)
        for (int i = 1; i <= pictures::kHazardPictures; ++i)
            p.add("ruzne", pictures::hazard_picture(kind, i), {30, 30, {}, {}});
}

// A level whose player starts at (120, 496) and, after the first frame's fall
// of 4 px, stands at (120, 500) on the floor at row 578; no objects, keys
// inactive. Another start row puts the player higher or lower.
inline level_record flat_level(int start_y = 496) {
    level_record r{};
    r.start_y = start_y;
    return r;
}

// The background "p<n>": black with the given coloured rectangles.
inline flat_picture background(std::vector<flat_picture::part> parts) { return {1024, 768, 0u, std::move(parts)}; }
// A floor whose top row is 578: the feet point of a player at row 500.
inline const flat_picture::part kFloor{0, 578, 1024, 40, kGrey};

class PlayWorld {
public:
    PlayWorld() {
        add_game_pictures(pictures);
        pictures.add("krajina", background_name_of(1), background({kFloor}));
        set_level(1, flat_level());
        set_picture_source(&pictures);
        set_wave_observer([this](int index, bool started) { waves.push_back({index, started}); });
    }
    ~PlayWorld() {
        game.reset();
        set_picture_source(nullptr);
        set_wave_observer(nullptr);
    }

    void set_level(int n, const level_record& r) { write_level_file((folder_ / level_file_of(n)).string(), r); }
    // The background level n shows (levels 11 to 20 share those of 1 to 10).
    void set_background(int n, std::vector<flat_picture::part> parts) {
        pictures.add("krajina", background_name_of(n), background(std::move(parts)));
    }
    // Level n as an empty level starting at row start_y over the given background.
    void set_empty_level(int n, int start_y, std::vector<flat_picture::part> parts) {
        set_level(n, flat_level(start_y));
        set_background(n, std::move(parts));
    }

    // Starts the game; it shows the title first.
    HeadlessGame& start() {
        game = std::make_unique<HeadlessGame>(folder_.str());
        return *game;
    }
    // Starts the game and skips the title and the menu: the next tick plays
    // the loaded level 1.
    HeadlessGame& start_in_play() {
        start();
        game_state.intro_frames = kTitleTicks;
        game_state.in_menu = false;
        return *game;
    }
    void tick(int count = 1) { game->Tick(count); }
    std::string path() const { return folder_.str(); }
    void hold(int32_t vk, bool down = true) { game->HoldKey(vk, down); }
    // The colour value at (x, y) of the last presented frame.
    uint32_t pixel(int x, int y) const { return game->LastFrame().Pixel(x, y); }

    std::vector<wave_event> take_waves() { return std::exchange(waves, {}); }

    flat_pictures pictures;
    std::vector<wave_event> waves;
    std::unique_ptr<HeadlessGame> game;

private:
    TempFolder folder_{"play"};
};

}  // namespace klice::testing
