// One level played on the real game, headless, one tick at a time, with its
// state saved and restored so that other inputs can be tried from any tick.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "game/game_state.h"
#include "game/headless_game.h"

namespace klice::leveldesign {

// What one tick did.
enum class outcome { Playing, Exit, Death };

class session {
public:
    explicit session(const std::string& data_folder);

    // Enters play at the level as the menu's start box does, with the game
    // otherwise as it is after the title.
    void Start(int level);
    // One play tick with these keys held (kRight | kLeft | kJump).
    outcome Tick(uint8_t keys);
    // The level's play ticks done since Start.
    int64_t Ticks() const { return ticks_; }

    struct saved {
        game_state_t state;
        uint8_t keys = 0;
        int64_t ticks = 0;
    };
    saved Save() const { return {game_state, keys_, ticks_}; }
    void Restore(const saved& s);

private:
    std::unique_ptr<HeadlessGame> game_;
    game_state_t after_title_;
    std::set<int32_t> held_;
    uint8_t keys_ = 0;
    int64_t ticks_ = 0;
    int level_ = 0;
    void Hold(uint8_t keys);
};

}  // namespace klice::leveldesign
