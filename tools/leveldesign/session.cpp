#include "tools/leveldesign/session.h"

#include <filesystem>

#include "game/screens.h"
#include "input/game_keys.h"
#include "tools/leveldesign/plan.h"

namespace klice::leveldesign {

session::session(const std::string& data_folder) {
    game_ = std::make_unique<HeadlessGame>(std::filesystem::absolute(data_folder).string());
    game_state.intro_frames = kTitleTicks;  // the title is over
    after_title_ = game_state;
}

void session::Hold(uint8_t keys) {
    std::set<int32_t> want;
    if (keys & kRight) want.insert(game_keys::Right);
    if (keys & kLeft) want.insert(game_keys::Left);
    if (keys & kJump) want.insert(game_keys::Up);
    game_->HoldOnly(want, held_);
    keys_ = keys;
}

void session::Start(int level) {
    Hold(0);
    game_state = after_title_;
    game_state.slider_level = level;
    game_state.slider_y = slider_row_of(level);
    start_slider_level();
    level_ = level;
    ticks_ = 0;
}

outcome session::Tick(uint8_t keys) {
    Hold(keys);
    const bool dying_before = game_state.dying;
    game_->Tick();
    ++ticks_;
    if (game_state.level != level_) return outcome::Exit;
    if (game_state.dying && !dying_before) return outcome::Death;
    return outcome::Playing;
}

void session::Restore(const saved& s) {
    game_state = s.state;
    Hold(s.keys);
    ticks_ = s.ticks;
}

}  // namespace klice::leveldesign
