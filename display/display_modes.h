// The requested display mode, the list of modes the display offers, and the
// search that picks the mode to set when the exact one is not offered.
#pragma once

#include <functional>
#include <vector>

#include "platform/display_device.h"

namespace klice {

using TDisplayMode = platform::DisplayMode;

// Ascending by width, then height, then bits per pixel.
void SortDisplayModes(std::vector<TDisplayMode>& modes);

struct TDisplayModeRequest {
    int Width = 0, Height = 0, BitCount = 0;
    bool FixedBitCount = false, FixedRatio = true, FixedSize = true;
};

// One pass of the search over a sorted list: the mode that is set when the
// exact mode is refused. with_ratio keeps only modes of the requested aspect.
// Returns false when no mode qualifies.
bool SearchDisplayMode(const std::vector<TDisplayMode>& sorted, const TDisplayModeRequest& request, bool with_ratio,
                       TDisplayMode* found);

// The whole change: the exact mode first, then (with FixedRatio) the search
// with the ratio rule, then the search without it. set_mode asks the display
// to take a mode and reports whether it did. On success *chosen holds the mode
// that was set. Requests with a size below 1 or bits other than 8, 16, 24 or
// 32 fail at once.
bool ChangeDisplayMode(const std::vector<TDisplayMode>& sorted, const TDisplayModeRequest& request,
                       const std::function<bool(const TDisplayMode&)>& set_mode, TDisplayMode* chosen);

}  // namespace klice
