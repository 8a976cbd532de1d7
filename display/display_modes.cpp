#include "display/display_modes.h"

#include <algorithm>
#include <climits>
#include <tuple>

namespace klice {

void SortDisplayModes(std::vector<TDisplayMode>& modes) {
    std::stable_sort(modes.begin(), modes.end(), [](const TDisplayMode& a, const TDisplayMode& b) {
        return std::tie(a.width, a.height, a.bits) < std::tie(b.width, b.height, b.bits);
    });
}

bool SearchDisplayMode(const std::vector<TDisplayMode>& sorted, const TDisplayModeRequest& request, bool with_ratio,
                       TDisplayMode* found) {
    TDisplayMode best{INT_MAX, INT_MAX, request.BitCount};
    bool any = false;
    const long double ratio = static_cast<long double>(request.Width) / request.Height;
    for (const TDisplayMode& mode : sorted) {
        if (mode.width > best.width || mode.height > best.height) continue;
        if (with_ratio && (mode.height == 0 || static_cast<long double>(mode.width) / mode.height != ratio)) continue;
        if (request.FixedSize) {
            if (mode.width != request.Width || mode.height != request.Height) continue;
        } else if (mode.width < request.Width || mode.height < request.Height) {
            continue;
        }
        if (request.FixedBitCount) {
            if (mode.bits != request.BitCount) continue;
        } else if (mode.bits < 9 || request.BitCount < 9) {
            if (mode.bits < request.BitCount) continue;
        }
        best = mode;
        any = true;
    }
    if (!any) return false;
    if (best.bits != request.BitCount) {
        for (const TDisplayMode& mode : sorted) {
            if (mode.width == best.width && mode.height == best.height && mode.bits == request.BitCount) {
                best.bits = request.BitCount;
                break;
            }
        }
    }
    *found = best;
    return true;
}

bool ChangeDisplayMode(const std::vector<TDisplayMode>& sorted, const TDisplayModeRequest& request,
                       const std::function<bool(const TDisplayMode&)>& set_mode, TDisplayMode* chosen) {
    const int b = request.BitCount;
    if (request.Width <= 0 || request.Height <= 0 || (b != 8 && b != 16 && b != 24 && b != 32)) return false;
    TDisplayMode exact{request.Width, request.Height, request.BitCount};
    if (set_mode(exact)) {
        *chosen = exact;
        return true;
    }
    TDisplayMode mode;
    if (request.FixedRatio && SearchDisplayMode(sorted, request, true, &mode) && set_mode(mode)) {
        *chosen = mode;
        return true;
    }
    if (SearchDisplayMode(sorted, request, false, &mode) && set_mode(mode)) {
        *chosen = mode;
        return true;
    }
    return false;
}

}  // namespace klice
