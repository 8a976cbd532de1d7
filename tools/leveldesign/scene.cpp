#include "tools/leveldesign/scene.h"

#include "game/pictures.h"
#include "tools/assets/png_image.h"

namespace klice::leveldesign {

namespace {

using assets::PngImage;

// Channels as a 5-6-5 pixel widens them back.
bool is_red(std::array<uint8_t, 3> c) { return c[0] >= 248 && c[1] < 4 && c[2] < 8; }
bool is_black(std::array<uint8_t, 3> c) { return c[0] < 8 && c[1] < 4 && c[2] < 8; }
bool is_white(std::array<uint8_t, 3> c) { return c[0] >= 248 && c[1] >= 252 && c[2] >= 248; }

PngImage picture(const std::string& assets, const std::string& rel) {
    return assets::read_png(assets + "/pictures/" + rel + ".png", rel, 0);
}

template <typename Pred>
mask mask_of(const PngImage& p, Pred pred) {
    mask m{p.width, p.height, std::vector<bool>(static_cast<size_t>(p.width) * p.height)};
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) m.bits[y * p.width + x] = pred(p.Rgb(x, y));
    return m;
}

// The picture a hazard showed in the tick that left its counter at `frame`.
int drawn_picture(int32_t frame) {
    int drawn = frame - 1;
    if (drawn < 1) drawn = 20;
    if (drawn <= 5) return 0;
    if (drawn <= 10) return 1;
    if (drawn <= 15) return 2;
    return 1;
}

}  // namespace

scene::scene(const std::string& assets, const std::string& background) {
    const PngImage bg = picture(assets, "krajina/" + background);
    background_red_ = mask_of(bg, is_red);
    background_solid_ = mask_of(bg, [](auto c) { return !is_black(c); });
    block_solid_ = mask_of(picture(assets, "ruzne/ctverec"), [](auto c) { return !is_black(c); });
    const char* kinds[3] = {pictures::kFlame, pictures::kSkull, pictures::kTeeth};
    for (int k = 0; k < 3; ++k)
        for (int f = 0; f < 3; ++f)
            hazard_red_[k][f] =
                mask_of(picture(assets, "ruzne/" + std::string(kinds[k]) + std::to_string(f + 1)), is_red);
    // The body: the middle of the figure (the column the head and feet
    // points read, and three on each side) where every pose covers it.
    mask all;
    for (const char* pose :
         {pictures::kWalk[0], pictures::kWalk[1], pictures::kWalk[2], pictures::kWalk[3], pictures::kJump}) {
        mask m = mask_of(picture(assets, "panak/" + std::string(pose)), [](auto c) { return !is_white(c); });
        if (all.bits.empty()) {
            all = m;
        } else {
            for (size_t i = 0; i < all.bits.size(); ++i) all.bits[i] = all.bits[i] && m.bits[i];
        }
    }
    body_ = all;
    for (int y = 0; y < all.height; ++y)
        for (int x = 0; x < all.width; ++x) body_.bits[y * all.width + x] = all.At(x, y) && x >= 27 && x <= 33;
    const PngImage arrow = picture(assets, "ruzne/sipka");
    arrow_width_ = arrow.width;
    arrow_height_ = arrow.height;
    const PngImage hint = picture(assets, "panak/zapvyp");
    hint_width_ = hint.width;
    hint_height_ = hint.height;
}

bool scene::Ground(int x, int y) const { return x < 0 || y < 0 || x >= 1024 || y >= 768 || background_solid_.At(x, y); }

bool scene::Red(const game_state_t& g, int x, int y) const {
    if (x < 0 || y < 0 || x >= 1024 || y >= 768) return false;
    // Blocks are drawn last and cover what lies under them.
    for (int i = 0; i < g.record.block_count && i < kGroupCapacity; ++i) {
        const level_object& b = g.record.objects[kBlockSlot + i];
        if (block_solid_.At(x - b.x, y - b.y)) return false;
    }
    const int counts[3] = {g.record.al_count, g.record.leb_count, g.record.zuby_count};
    const int slots[3] = {kAlSlot, kLebSlot, kZubySlot};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < counts[k] && i < kGroupCapacity; ++i) {
            const level_object& h = g.record.objects[slots[k] + i];
            if (hazard_red_[k][drawn_picture(h.frame)].At(x - h.x, y - h.y)) return true;
        }
    return background_red_.At(x, y);
}

bool scene::BodyOnRed(const game_state_t& g) const {
    for (int y = 0; y < body_.height; ++y)
        for (int x = 0; x < body_.width; ++x) {
            if (!body_.bits[y * body_.width + x]) continue;
            // Stored facing left; drawn mirrored while facing right.
            const int sx = g.facing > 0 ? g.player_x - 30 + x : g.player_x + 30 - x;
            if (Red(g, sx, g.player_y + y)) return true;
        }
    return false;
}

bool scene::RedWallAhead(const game_state_t& g) const {
    if (!g.wall_ahead) return false;
    const int x = g.facing > 0 ? g.player_x - 17 : g.player_x + 17;
    for (int offset : {10, 26, 42})
        if (Red(g, x, g.player_y + offset)) return true;
    return false;
}

bool scene::ExitArrowOnBlack() const {
    for (int y = 690; y < 690 + arrow_height_; ++y)
        for (int x = 900; x < 920 + arrow_width_; ++x)
            if (background_solid_.At(x, y)) return false;
    return true;
}

bool scene::HintOnBlack() const {
    for (int y = 0; y < hint_height_; ++y)
        for (int x = 0; x < hint_width_; ++x)
            if (background_solid_.At(x, y)) return false;
    return true;
}

int scene::SurfaceAt(int x, int y) const {
    if (x < 0 || x >= 1024 || y < 0 || y >= 768 || !background_solid_.At(x, y)) return -1;
    while (y > 0 && background_solid_.At(x, y - 1)) --y;
    return y;
}

}  // namespace klice::leveldesign
