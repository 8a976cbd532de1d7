// Where pure red lies in a play frame, worked out from the level's state and
// the pictures the frame is drawn from, and where the figure's body is. The
// colours are taken as the game's 16-bit surfaces keep them, so a shade that
// rounds to pure red counts as red and one that rounds to black as empty.
#pragma once

#include <string>
#include <vector>

#include "game/game_state.h"

namespace klice::leveldesign {

// A mask of one picture: true where the picture has a pixel of that kind.
struct mask {
    int width = 0, height = 0;
    std::vector<bool> bits;
    bool At(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height && bits[y * width + x]; }
};

class scene {
public:
    // assets: the source folder with pictures/krajina, pictures/ruzne and pictures/panak.
    scene(const std::string& assets, const std::string& background);

    // Pure red at a frame pixel after the tick that left g.
    bool Red(const game_state_t& g, int x, int y) const;
    // Anything but black in the background there.
    bool Ground(int x, int y) const;
    // The middle of the figure's body overlaps pure red.
    bool BodyOnRed(const game_state_t& g) const;
    // An upper side point, which stops the figure without killing it, lies on red.
    bool RedWallAhead(const game_state_t& g) const;
    // Every pixel of the exit arrow's path lies on black in the background.
    bool ExitArrowOnBlack() const;
    // The music-key hint, drawn at (0, 0) over every play frame, lies on black.
    bool HintOnBlack() const;
    // The top row of the background's ground that holds the point (x, y),
    // or -1 where the background is black there.
    int SurfaceAt(int x, int y) const;
    // The picture size of a hazard kind: 0 al, 1 leb, 2 zuby.
    int HazardWidth(int kind) const { return hazard_red_[kind][0].width; }
    int HazardHeight(int kind) const { return hazard_red_[kind][0].height; }

private:
    mask background_red_, background_solid_, block_solid_, body_;
    mask hazard_red_[3][3];  // al, leb, zuby; three frames each
    int arrow_width_ = 0, arrow_height_ = 0;
    int hint_width_ = 0, hint_height_ = 0;
};

}  // namespace klice::leveldesign
