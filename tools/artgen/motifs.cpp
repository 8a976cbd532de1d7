#include "tools/artgen/motifs.h"

namespace klice::artgen {

void draw_key(Canvas& c, int ox, int oy, double s) {
    auto X = [&](double v) { return ox + v * s; };
    auto Y = [&](double v) { return oy + v * s; };
    c.Disc(X(9), Y(15), 8 * s, kGoldDark);
    c.Disc(X(9), Y(15), 7 * s, kGold);
    c.Disc(X(8), Y(13), 3.5 * s, kGoldLight);
    c.Disc(X(9), Y(15), 3 * s, kBlack);
    c.Rect(static_cast<int>(X(15)), static_cast<int>(Y(12.5)), static_cast<int>(14 * s), static_cast<int>(5 * s),
           kGoldDark);
    c.Rect(static_cast<int>(X(15)), static_cast<int>(Y(13.5)), static_cast<int>(13 * s), static_cast<int>(3 * s),
           kGold);
    c.Rect(static_cast<int>(X(15)), static_cast<int>(Y(13.5)), static_cast<int>(13 * s), static_cast<int>(1 * s),
           kGoldLight);
    c.Rect(static_cast<int>(X(21)), static_cast<int>(Y(17)), static_cast<int>(3 * s), static_cast<int>(6 * s),
           kGoldDark);
    c.Rect(static_cast<int>(X(25.5)), static_cast<int>(Y(17)), static_cast<int>(3 * s), static_cast<int>(8 * s),
           kGoldDark);
}

}  // namespace klice::artgen
