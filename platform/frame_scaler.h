// Internal to platform/: the frame scaled by nearest neighbour into a 32-bit
// window picture on the processor, for windows that have no graphics card
// behind them (a virtual X server, a plain X11 or GDI window).
//
// Redrawing the whole window every frame is what made presentation cost most
// of a core at 1920 x 1080: the game changes a few sprites a frame over a
// still background. So the scaler keeps the frame it drew last and redraws
// only the window pixels of frame rows and columns that changed, and says
// which window rectangles it wrote, so that only those go to the screen.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/application.h"
#include "platform/display_device.h"
#include "platform/screen.h"

namespace klice::platform::detail {

// A 32-bit window picture: pixels in rows of `pitch` bytes, each pixel the
// channels at the masks' places (8 bits each, e.g. 0x00RRGGBB).
struct WindowPicture {
    uint32_t* pixels = nullptr;
    int width = 0, height = 0, pitch = 0;
    uint32_t r_mask = 0xFF0000, g_mask = 0x00FF00, b_mask = 0x0000FF;
};

class FrameScaler {
public:
    // Draws `frame` into `picture` at `box` (from SharpLetterbox or Letterbox),
    // bars black. Everything is drawn when `everything` is set or the picture,
    // the box or the frame's size or format differs from the last call;
    // otherwise only what changed in the frame since then. Returns the
    // rectangles of `picture` that were written (empty when nothing changed).
    const std::vector<Rect>& Draw(const PrimaryView& frame, const WindowPicture& picture, const LetterboxRect& box,
                                  bool everything);

    // Forgets the last frame: the next Draw draws everything.
    void Reset() { last_.clear(); }

private:
    // A run of changed frame rows and the columns that changed in any of them.
    struct Band {
        int top = 0, bottom = 0, left = 0, right = 0;  // right and bottom exclusive
    };

    void Prepare(const PrimaryView& frame, const WindowPicture& picture, const LetterboxRect& box);
    void FindChanges(const PrimaryView& frame);
    void DrawBars(const WindowPicture& picture) const;
    void DrawBand(const PrimaryView& frame, const WindowPicture& picture, const Band& band);
    uint32_t Convert(const uint8_t* pixel) const;

    // What the last Draw was made for.
    std::vector<uint8_t> last_;  // the frame's rows, packed; empty when nothing was drawn
    PixelFormat format_;
    int frame_width_ = 0, frame_height_ = 0;
    WindowPicture picture_;
    LetterboxRect box_;

    std::vector<uint32_t> table_;       // 8- and 16-bit frame pixels to window pixels
    std::vector<int> column_source_;    // box column -> frame column
    std::vector<int> first_column_;     // frame column -> first box column showing it (one past the end too)
    std::vector<int> first_row_;        // frame row -> first box row showing it (one past the end too)
    std::vector<uint32_t> row_pixels_;  // one frame row converted
    std::vector<Band> bands_;
    std::vector<Rect> written_;
};

}  // namespace klice::platform::detail
